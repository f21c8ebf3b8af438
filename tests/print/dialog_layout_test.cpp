// The print dialog's template as a person sees it: every control with its
// caption and kind, nothing overlapping or cut off.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dialog_layout.h"
#include "support.h"

namespace {

using namespace zvtest;

INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(PrintDialogLayout, HoldsEveryControlWithNothingOverlappingOrCutOff) {
  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  ASSERT_NE(library, nullptr);
  HWND dialog = ::CreateDialogParamW(library, MAKEINTRESOURCEW(129), nullptr, QuietProc, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), L"テキストの印刷");

  const struct {
    int id;
    const wchar_t* className;
    LONG buttonType;  // for buttons
    std::wstring caption;
  } expected[] = {
      {1016, L"Static", 0, L"ファイル名"},
      {1019, L"Static", 0, L"プリンター名"},
      {1000, L"Edit", 0, L""},
      {1014, L"Static", 0, L"(最大1234文字)"},
      {1001, L"Edit", 0, L""},
      {1015, L"Static", 0, L"(最大1111行)"},
      {1002, L"Edit", 0, L""},
      {1003, L"Button", BS_PUSHBUTTON, L"フォント"},
      {1020, L"Edit", 0, L""},
      {1021, L"Edit", 0, L""},
      {1022, L"Edit", 0, L""},
      {1023, L"Edit", 0, L""},
      {1004, L"Button", BS_AUTOCHECKBOX, L"ファイル名の印刷"},
      {1005, L"Button", BS_AUTOCHECKBOX, L"ページ番号の印刷"},
      {1006, L"Button", BS_AUTOCHECKBOX, L"２段組"},
      {1007, L"Button", BS_AUTOCHECKBOX, L"行番号の印刷"},
      {1008, L"Button", BS_AUTOCHECKBOX, L"印刷時プリンターを選択する"},
      {1009, L"Button", BS_AUTORADIOBUTTON, L"全て印刷"},
      {1010, L"Button", BS_AUTORADIOBUTTON, L"ページ指定"},
      {1011, L"Edit", 0, L""},
      {1012, L"Edit", 0, L""},
      {1017, L"msctls_progress32", 0, L""},
      {1018, L"Static", 0, L"100%"},
      {1013, L"Button", BS_PUSHBUTTON, L"中止"},
      {IDOK, L"Button", BS_DEFPUSHBUTTON, L"印刷"},
      {IDCANCEL, L"Button", BS_PUSHBUTTON, L"ｷｬﾝｾﾙ"},
  };
  for (const auto& control : expected) {
    HWND window = ::GetDlgItem(dialog, control.id);
    ASSERT_NE(window, nullptr) << control.id;
    EXPECT_EQ(ClassName(window), control.className) << control.id;
    EXPECT_EQ(WindowText(window), control.caption) << control.id;
    if (control.buttonType || ClassName(window) == L"Button") {
      EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK, control.buttonType) << control.id;
    }
  }
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, 1013))) << "中止 waits for a print";

  std::vector<std::wstring> labels;
  for (HWND child : ChildWindows(dialog)) {
    if (static_cast<WORD>(::GetDlgCtrlID(child)) == 0xFFFF) labels.push_back(WindowText(child));
  }
  EXPECT_EQ(labels, (std::vector<std::wstring>{L"ファイル", L"プリンター", L"１行の文字数", L"１ページの最大行数",
                                               L"タブカラム数", L"余白", L"上", L"mm", L"下", L"mm", L"左", L"mm",
                                               L"右", L"mm", L"印刷範囲", L"ページから", L"ページまで"}));
  ExpectCleanLayout(dialog, {1016, 1019});

  ::ShowWindow(dialog, SW_SHOW);
  ::UpdateWindow(dialog);
  ::DestroyWindow(dialog);
}

}  // namespace
