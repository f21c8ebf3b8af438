// The tag dialog's template as a person sees it at 96 DPI: every control with
// its caption, no two controls on top of each other, no caption cut off.
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

struct Control {
  int id;
  const wchar_t* className;
  std::wstring caption;
};

TEST(TagDialogLayout, HoldsEveryControlWithNothingOverlappingOrCutOff) {
  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  ASSERT_NE(library, nullptr);
  HWND dialog = ::CreateDialogParamW(library, MAKEINTRESOURCEW(181), nullptr, QuietProc, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), L"タグの入力");

  const Control expected[] = {
      {1576, L"Static", L"FULLPATH"},
      {1575, L"Edit", L""},
      {1580, L"Edit", L""},
      {1573, L"Edit", L""},
      {1572, L"Edit", L""},
      {1579, L"Edit", L""},
      {1577, L"ComboBox", L""},
      {1574, L"Edit", L""},
      {1737, L"Edit", L""},
      {1729, L"Edit", L""},
      {1728, L"Edit", L""},
      {1734, L"Edit", L""},
      {1733, L"Edit", L""},
      {1730, L"Edit", L""},
      {1736, L"Edit", L""},
      {1735, L"Edit", L""},
      {1731, L"Edit", L""},
      {1732, L"Edit", L""},
      {1929, L"Button", L"無し"},
      {1444, L"Button", L"ID3TAG"},
      {1739, L"Button", L"RMPTAG"},
      {1443, L"Button", L"RMPTAG+ID3TAG"},
      {1179, L"Button", L"RMPからID3へコピー"},
      {1177, L"Button", L"ID3からRMPへコピー"},
      {1742, L"ComboBox", L""},
      {1184, L"Button", L"情報のコピー"},
      {1069, L"Button", L"前へ"},
      {1854, L"Button", L"スキップ"},
      {IDOK, L"Button", L"書き込み"},
      {IDCANCEL, L"Button", L"中止"},
  };
  for (const Control& control : expected) {
    HWND window = ::GetDlgItem(dialog, control.id);
    ASSERT_NE(window, nullptr) << control.id;
    EXPECT_EQ(ClassName(window), control.className) << control.id;
    EXPECT_EQ(WindowText(window), control.caption) << control.id;
  }
  for (int tick : {1293, 1289, 1288, 1292, 1291, 1290, 1300, 1295, 1294, 1301, 1299, 1296, 1303, 1302, 1297, 1298}) {
    HWND box = ::GetDlgItem(dialog, tick);
    ASSERT_NE(box, nullptr) << tick;
    EXPECT_EQ(::GetWindowLongW(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << tick;
  }
  std::vector<std::wstring> labels;
  for (HWND child : ChildWindows(dialog)) {
    if (static_cast<WORD>(::GetDlgCtrlID(child)) == 0xFFFF && ClassName(child) == L"Static") {
      labels.push_back(WindowText(child));
    }
  }
  EXPECT_EQ(labels, (std::vector<std::wstring>{L"ファイル名", L"タイトル", L"アーティスト", L"アルバム", L"リリース",
                                               L"ジャンル", L"コメント", L"名前", L"アーティスト", L"アルバム",
                                               L"リリース", L"ジャンル", L"コメント", L"ソース", L"ソフトウェア",
                                               L"著作権", L"エンジニア"}));

  ExpectCleanLayout(dialog, {1576});

  ::ShowWindow(dialog, SW_SHOW);
  ::UpdateWindow(dialog);
  ::DestroyWindow(dialog);
}

}  // namespace
