// CFileDialog under Wine: the system's open and save dialogs answered as a
// person would, and the path and its parts that come back.
#include <afxdlgs.h>
#include <gtest/gtest.h>

#include <dlgs.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support.h"

namespace {

const wchar_t kFilter[] = L"すべてのファイル|*.*|テキスト|*.txt||";

std::wstring Str(const CString& text) { return text.GetString(); }

TEST(FileDialog, OpenReturnsTheChosenPathAndItsParts) {
  zvtest::TempDir temp;
  std::wstring deepFolder = temp.Dir();
  while (deepFolder.size() < 200) {
    deepFolder += L'\\' + std::wstring(30, L'長');
    ASSERT_TRUE(::CreateDirectoryW(deepFolder.c_str(), nullptr));
  }
  struct Case {
    std::wstring folder, name, ext, title;
  };
  const Case cases[] = {
      {temp.Dir(), L"日本語の名前.txt", L"txt", L"日本語の名前"},
      {deepFolder, L"曲.mp3", L"mp3", L"曲"},
      {temp.Dir(), L"拡張子なし", L"", L"拡張子なし"},
      {temp.Dir(), L"archive.tar.gz", L"gz", L"archive.tar"},
  };
  for (const Case& c : cases) {
    const std::wstring path = c.folder + L'\\' + c.name;
    SCOPED_TRACE(zvtest::Utf8(path));
    ASSERT_TRUE(zvtest::WriteBytes(path, "x"));

    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kFilter);
    dialog.m_ofn.lpstrInitialDir = temp.Dir().c_str();
    AFX_MODULE_STATE* const callerState = AfxGetModuleState();
    zvtest::UiScript script([&] { EXPECT_TRUE(zvtest::AnswerFileDialog(path)); });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(script.Join()) << script.Failure();

    EXPECT_EQ(AfxGetModuleState(), callerState);
    EXPECT_EQ(Str(dialog.GetPathName()), path);
    EXPECT_EQ(Str(dialog.GetFileName()), c.name);
    EXPECT_EQ(Str(dialog.GetFileExt()), c.ext);
    EXPECT_EQ(Str(dialog.GetFileTitle()), c.title);
    EXPECT_EQ(Str(dialog.GetFolderPath()), c.folder);
  }
}

TEST(FileDialog, SavingOverAnExistingFileAsksFirst) {
  const wchar_t kProposed[] = L"提案する名前.txt";
  zvtest::TempDir temp;
  const std::wstring existing = temp.Path(L"前回の結果.txt");
  ASSERT_TRUE(zvtest::WriteBytes(existing, "old"));
  struct Case {
    std::wstring typed;
    int answer;
    INT_PTR result;
    std::wstring pathName;
  };
  const Case cases[] = {
      {existing, IDYES, IDOK, existing},
      {temp.Path(L"前回の結果"), IDYES, IDOK, existing},  // the default extension makes it the same file
      {existing, IDNO, IDCANCEL, kProposed},  // the dialog stays for another choice; cancelled, nothing changes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(zvtest::Utf8(c.typed) + " answered " + std::to_string(c.answer));
    CFileDialog dialog(FALSE, L"txt", kProposed, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kFilter);
    dialog.m_ofn.lpstrInitialDir = temp.Dir().c_str();
    zvtest::UiScript script([&] {
      HWND shown = zvtest::WaitForFileDialog();
      ASSERT_TRUE(shown);
      EXPECT_EQ(zvtest::GetText(shown, cmb13), kProposed);
      ASSERT_TRUE(zvtest::AnswerFileDialog(c.typed));
      const auto box = zvtest::AnswerMessageBox(c.answer);
      ASSERT_TRUE(box);
      EXPECT_NE(box->text.find(L"上書き"), std::wstring::npos) << zvtest::Utf8(box->text);
      if (c.answer == IDNO) {
        EXPECT_TRUE(zvtest::CancelFileDialog());
      }
    });
    EXPECT_EQ(dialog.DoModal(), c.result);
    EXPECT_TRUE(script.Join()) << script.Failure();
    EXPECT_EQ(Str(dialog.GetPathName()), c.pathName);
  }
}

TEST(FileDialog, ShowsTheCallersSettingsAndCancelLeavesNoPath) {
  CWnd owner;
  ASSERT_TRUE(owner.Attach(::CreateWindowExW(0, L"Static", L"持ち主", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                             nullptr, nullptr, nullptr)));
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, kFilter, &owner);
  dialog.m_ofn.lpstrTitle = L"比べるファイル";
  zvtest::UiScript script([&] {
    HWND shown = zvtest::WaitForFileDialog();
    ASSERT_TRUE(shown);
    EXPECT_EQ(zvtest::WindowText(shown), L"比べるファイル");
    EXPECT_EQ(::GetWindow(shown, GW_OWNER), owner.m_hWnd);
    EXPECT_EQ(zvtest::Items(shown, cmb1), (std::vector<std::wstring>{L"すべてのファイル", L"テキスト"}));
    EXPECT_TRUE(zvtest::CancelFileDialog());
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(Str(dialog.GetPathName()), L"");
}

}  // namespace
