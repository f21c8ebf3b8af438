// OnLancher in ZvDll.dll on the host's arrays, its list and editor driven as a
// person drives them. The input method's key goes through the test.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "import_hook.h"
#include "launcher/launcher_dialog.h"
#include "support.h"

namespace {

using namespace zvtest;

std::atomic<HWND> g_imeWindow = nullptr;
UINT WINAPI ImeKey(HWND window) {
  g_imeWindow = window;
  return VK_F3;
}

HMODULE Library() {
  static const HMODULE library = [] {
    const HMODULE module = LoadLibraryW(L"ZvDll.dll");
    return ReplaceImport(module, "imm32.dll", "ImmGetVirtualKey", &ImeKey) ? module : nullptr;
  }();
  return library;
}

// The host's four arrays and its key table.
struct Host {
  CStringArray arrays[4];
  std::vector<KEYASSIGN> keys;
  Host(const std::vector<std::vector<std::wstring>>& columns, std::vector<KEYASSIGN> definitions)
      : keys(std::move(definitions)) {
    for (size_t k = 0; k < 4; ++k)
      for (const std::wstring& text : columns[k]) arrays[k].Add(text.c_str());
  }
  int Run() {
    const auto run = GetExport<decltype(&OnLancher)>(Library(), "OnLancher");
    return run(&arrays[0], &arrays[1], &arrays[2], &arrays[3], static_cast<int>(keys.size()), keys.data());
  }
  // The arrays, one line each, elements separated by "|".
  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> lines(4);
    for (size_t k = 0; k < 4; ++k)
      for (INT_PTR i = 0; i < arrays[k].GetCount(); ++i) lines[k] += (i ? L"|" : L"") + arrays[k].GetAt(i);
    return lines;
  }
};

const std::wstring kNotepad = L"C:\\windows\\notepad.exe", kRegedit = L"C:\\windows\\regedit.exe";
const std::wstring kMissing = L"C:\\nowhere\\missing.exe";

HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_LAUNCHER_LIST); }
// A row's columns separated by "|"; row -1 gives the headers.
std::wstring Row(HWND dlg, int row) {
  wchar_t text[1024] = L"";
  LVCOLUMNW column{LVCF_TEXT, 0, 0, text, 1024, 0, 0, 0, 0, 0, 0};
  std::wstring line;
  for (int sub = 0; ListView_GetColumn(List(dlg), sub, &column); ++sub) {
    if (row >= 0) ListView_GetItemText(List(dlg), row, sub, text, 1024);
    line += (sub ? L"|" : L"") + std::wstring(text);
  }
  return line;
}
int Selected(HWND dlg) { return ListView_GetNextItem(List(dlg), -1, LVNI_SELECTED); }
bool HasIcon(HWND dlg, int row) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  ListView_GetItem(List(dlg), &item);
  return item.iImage >= 0 && item.iImage < ImageList_GetImageCount(ListView_GetImageList(List(dlg), LVSIL_SMALL));
}

// A dialog whose nested one has just closed is enabled again a moment later.
void Press(HWND dlg, int id) {
  Require(WaitForCondition([&] { return IsWindowEnabled(dlg); }) && Click(dlg, id), "click " + std::to_string(id));
}
void Focus(HWND dlg, int id) {
  PostMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, id)), TRUE);
  Require(WaitForCondition([&] { return FocusOf(dlg) == GetDlgItem(dlg, id); }), "focus on " + std::to_string(id));
}
void Key(HWND dlg, WORD key) { Require(PressKey(dlg, key), "key " + std::to_string(key)); }
void ExpectSelected(HWND dlg, int row) {
  EXPECT_TRUE(WaitForCondition([&] { return Selected(dlg) == row; }, 3000)) << row << ", not " << Selected(dlg);
}
void ExpectBox(const std::wstring& text) {
  const auto box = AnswerMessageBox(IDOK);
  Require(box.has_value(), "no message box: " + Utf8(text));
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->caption, L"ZvDll");
}

class Launcher : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Library()) << "ZvDll.dll, or its import of ImmGetVirtualKey"; }
  Watchdog watchdog_{100000};
};

// F2 is carried by two entries, F3 by one; the input method's key stands for F3.
// The third path neither exists nor fits the platform's limit: it has no icon.
TEST_F(Launcher, KeysSelectOrRunOnlyWhileTheListHasTheFocus) {
  Host host({{kNotepad, kRegedit, L"C:\\nowhere\\" + std::wstring(300, L'x') + L".exe", kNotepad},
             {L"", L"-m", L"", L"x.txt"},
             {L"", L"", L"", L""},
             {L"F3", L"F2", L"", L"F2"}},
            {{VK_F2, L"F2"}, {VK_F3, L"F3"}});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    ExpectSelected(dlg, 0);
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 1);
    EXPECT_EQ(Items(dlg, IDC_LAUNCHER_KEY), (std::vector<std::wstring>{L"F2", L"F3", L"無し"}));
    EXPECT_TRUE(HasIcon(dlg, 0) && HasIcon(dlg, 1) && !HasIcon(dlg, 2));
    Focus(dlg, IDC_LAUNCHER_KEY);
    Key(dlg, VK_F3);
    Focus(dlg, IDC_LAUNCHER_LIST);
    for (const int row : {1, 3, 1}) {
      Key(dlg, VK_F2);
      ExpectSelected(dlg, row);
    }
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 0);
    PostMessageW(List(dlg), WM_KEYDOWN, VK_PROCESSKEY, 1);
  });
  EXPECT_EQ(host.Run(), 0);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_NE(g_imeWindow.load(), nullptr);
}

TEST_F(Launcher, ButtonsEditTheHostsArraysAndCancelKeepsTheEdits) {
  Host host({{kNotepad, kRegedit, kMissing}, {L"a", L"b", L"c"}, {L"C:\\", L"", L"D:\\"}, {L"", L"", L""}},
            {{VK_F2, L"F2"}, {VK_F3, L"F3"}});
  const std::wstring plain = L"ファイル名|フルパス|パラメータ|作業ディレクトリ";
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    const auto step = [&](int id, const std::vector<std::wstring>& lines, int selected) {
      Press(dlg, id);
      EXPECT_TRUE(WaitForCondition([&] { return host.Lines() == lines; }, 3000)) << id << Utf8(host.Lines()[0]);
      ExpectSelected(dlg, selected);
    };
    EXPECT_EQ(Row(dlg, -1), plain);
    Require(SelectIndex(dlg, IDC_LAUNCHER_KEY, 1), "F3");
    const std::wstring paths = kNotepad + L"|" + kRegedit + L"|" + kMissing;
    step(IDC_LAUNCHER_ASSIGN_KEY, {paths, L"a|b|c", L"C:\\||D:\\", L"F3||"}, 0);
    EXPECT_EQ(Row(dlg, -1), L"ファイル名|フルパス|パラメータ|キー|作業ディレクトリ");
    EXPECT_EQ(Row(dlg, 0), L"notepad.exe|" + kNotepad + L"|a|F3|C:\\");
    Focus(dlg, IDC_LAUNCHER_LIST);
    Key(dlg, VK_END);
    ExpectSelected(dlg, 2);
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 2);  // 無し
    step(IDC_LAUNCHER_UP, {kNotepad + L"|" + kMissing + L"|" + kRegedit, L"a|c|b", L"C:\\|D:\\|", L"F3||"}, 1);
    step(IDC_LAUNCHER_DOWN, {paths, L"a|b|c", L"C:\\||D:\\", L"F3||"}, 2);
    step(IDC_LAUNCHER_DELETE, {kNotepad + L"|" + kRegedit, L"a|b", L"C:\\|", L"F3|"}, 1);

    // 編集 of the first entry, its fields as the host has them; the key stays.
    Focus(dlg, IDC_LAUNCHER_LIST);
    Key(dlg, VK_HOME);
    ExpectSelected(dlg, 0);
    Press(dlg, IDC_LAUNCHER_EDIT);
    const HWND editor = RequireDialog(L"編集");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_PARAM, L"  "), "parameters");
    Press(editor, IDOK);
    EXPECT_TRUE(WaitForCondition([&] { return host.Lines()[1] == L"  |b"; })) << Utf8(host.Lines()[1]);
    // 無し for the only key takes the column away.
    Require(SelectIndex(dlg, IDC_LAUNCHER_KEY, 2), "無し");
    step(IDC_LAUNCHER_ASSIGN_KEY, {kNotepad + L"|" + kRegedit, L"  |b", L"C:\\|", L"|"}, 0);
    EXPECT_EQ(Row(dlg, -1), plain);
    Press(dlg, IDCANCEL);
  });
  EXPECT_EQ(host.Run(), -1);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(host.Lines()[1], L"  |b");
}

// The surplus path and key have no partners in the other arrays: no entries,
// and no key definitions. Every button but 追加 does nothing and 実行 says so.
// 追加 refuses an empty name, keeps a shortcut chosen as itself and puts the
// entry before the surplus; a double click runs it.
TEST_F(Launcher, EmptyListThenAShortcutAdded) {
  TempDir temp;
  const std::wstring lnk = temp.Path(L"メモ帳.lnk");
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)), S_OK);
  link->SetPath(kNotepad.c_str());
  ASSERT_EQ(link->QueryInterface(IID_PPV_ARGS(&file)), S_OK);
  ASSERT_EQ(file->Save(lnk.c_str(), TRUE), S_OK);
  file->Release();
  link->Release();

  Host host({{L"surplus"}, {}, {}, {L"F9"}}, {});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    EXPECT_EQ(Items(dlg, IDC_LAUNCHER_KEY), std::vector<std::wstring>{L"無し"});
    for (const int id :
         {IDC_LAUNCHER_UP, IDC_LAUNCHER_DOWN, IDC_LAUNCHER_EDIT, IDC_LAUNCHER_DELETE, IDC_LAUNCHER_ASSIGN_KEY})
      Press(dlg, id);
    Press(dlg, IDOK);
    ExpectBox(L"実行ファイルが選択されていません");
    Press(dlg, IDC_LAUNCHER_ADD);
    const HWND editor = RequireDialog(L"編集");
    Press(editor, IDOK);
    ExpectBox(L"実行ファイル名が入力されていません");
    Press(editor, IDC_EDIT_LAUNCHER_BROWSE_PATH);
    Require(AnswerFileDialog(lnk), "the shortcut");
    Require(WaitForText(editor, IDC_EDIT_LAUNCHER_PATH, lnk), "the shortcut's own path");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_PARAM, L"-n"), "parameters");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_DIR, L"C:\\windows"), "folder");
    Press(editor, IDOK);
    ExpectSelected(dlg, 0);
    RECT row;
    ListView_GetItemRect(List(dlg), 0, &row, LVIR_BOUNDS);
    const LPARAM at = MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
      PostMessageW(List(dlg), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  });
  EXPECT_EQ(host.Run(), 0);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(host.Lines(), (std::vector<std::wstring>{lnk + L"|surplus", L"-n", L"C:\\windows", L"|F9"}));
  CoUninitialize();
}

}  // namespace
