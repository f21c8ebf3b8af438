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
  Host(const std::vector<std::vector<std::wstring>>& columns, const std::vector<std::pair<DWORD, std::wstring>>& defs) {
    for (size_t k = 0; k < 4; ++k)
      for (const std::wstring& text : columns[k]) arrays[k].Add(text.c_str());
    for (const auto& [code, name] : defs) {
      KEYASSIGN& record = keys.emplace_back();
      record.nKey = code;
      wcscpy_s(record.szName, name.c_str());
    }
  }
  int Run() {
    const auto run =
        GetExport<int(WINAPI*)(CStringArray*, CStringArray*, CStringArray*, CStringArray*, int, const KEYASSIGN*)>(
            Library(), "OnLancher");
    return run(&arrays[0], &arrays[1], &arrays[2], &arrays[3], static_cast<int>(keys.size()), keys.data());
  }
  // The arrays, one line each, elements separated by "|".
  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> lines;
    for (const CStringArray& array : arrays) {
      std::wstring line;
      for (INT_PTR i = 0; i < array.GetCount(); ++i) line += (i ? L"|" : L"") + std::wstring(array.GetAt(i));
      lines.push_back(line);
    }
    return lines;
  }
};

const std::wstring kNotepad = L"C:\\windows\\notepad.exe", kRegedit = L"C:\\windows\\regedit.exe";
const std::wstring kMissing = L"C:\\nowhere\\missing.exe";

HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_LAUNCHER_LIST); }
// A row's text in a column; row -1 gives the column's header.
std::wstring ListText(HWND list, int row, int column) {
  wchar_t text[1024] = L"";
  LVCOLUMNW header{LVCF_TEXT, 0, 0, text, 1024, 0, 0, 0, 0, 0, 0};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  if (row < 0) return SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&header)) ? text : L"\n";
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}
// Every row's columns, separated by "|"; the headers are row -1.
std::vector<std::wstring> Rows(HWND dlg, int first = 0) {
  std::vector<std::wstring> rows;
  for (int row = first; row < SendMessageW(List(dlg), LVM_GETITEMCOUNT, 0, 0); ++row) {
    std::wstring line;
    for (int column = 0; ListText(List(dlg), -1, column) != L"\n"; ++column)
      line += (column ? L"|" : L"") + ListText(List(dlg), row, column);
    rows.push_back(line);
    if (row < 0) break;
  }
  return rows;
}
std::wstring Headers(HWND dlg) { return Rows(dlg, -1).front(); }
int Selected(HWND dlg) { return static_cast<int>(SendMessageW(List(dlg), LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }
bool HasIcon(HWND dlg, int row) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageW(List(dlg), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(List(dlg), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  return item.iImage >= 0 && item.iImage < ImageList_GetImageCount(images);
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
void ListKey(HWND dlg, WORD key) {
  Focus(dlg, IDC_LAUNCHER_LIST);
  Key(dlg, key);
}
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
TEST_F(Launcher, KeysSelectOrRunOnlyWhileTheListHasTheFocus) {
  Host host({{kNotepad, kRegedit, kMissing, kNotepad},
             {L"", L"-m", L"", L"x.txt"},
             {L"", L"", L"", L""},
             {L"F3", L"F2", L"", L"F2"}},
            {{VK_F2, L"F2"}, {VK_F3, L"F3"}, {VK_F4, L""}});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    ExpectSelected(dlg, 0);
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 1);
    EXPECT_EQ(Items(dlg, IDC_LAUNCHER_KEY), (std::vector<std::wstring>{L"F2", L"F3", L"", L"無し"}));
    EXPECT_TRUE(HasIcon(dlg, 0) && HasIcon(dlg, 1) && !HasIcon(dlg, 2));
    Focus(dlg, IDC_LAUNCHER_KEY);
    Key(dlg, VK_F3);
    Focus(dlg, IDC_LAUNCHER_LIST);
    ExpectSelected(dlg, 0);
    for (const int row : {1, 3, 1}) {
      Key(dlg, VK_F2);
      ExpectSelected(dlg, row);
    }
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 0);
    Key(dlg, VK_F4);  // a name-less key: the keyless entry 2 is not its
    Key(dlg, VK_F2);
    ExpectSelected(dlg, 3);
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
  const std::wstring withKey = L"ファイル名|フルパス|パラメータ|キー|作業ディレクトリ";
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    const auto step = [&](int id, const std::vector<std::wstring>& lines, int selected) {
      Press(dlg, id);
      EXPECT_TRUE(WaitForCondition([&] { return host.Lines() == lines; }, 3000)) << id << Utf8(host.Lines()[0]);
      ExpectSelected(dlg, selected);
    };
    EXPECT_EQ(Headers(dlg), plain);
    EXPECT_EQ(Rows(dlg)[2], L"missing.exe|" + kMissing + L"|c|D:\\");
    Require(SelectIndex(dlg, IDC_LAUNCHER_KEY, 1), "F3");
    const std::wstring paths = kNotepad + L"|" + kRegedit + L"|" + kMissing;
    step(IDC_LAUNCHER_ASSIGN_KEY, {paths, L"a|b|c", L"C:\\||D:\\", L"F3||"}, 0);
    EXPECT_EQ(Headers(dlg), withKey);
    EXPECT_EQ(Rows(dlg)[0], L"notepad.exe|" + kNotepad + L"|a|F3|C:\\");
    ListKey(dlg, VK_END);
    ExpectSelected(dlg, 2);
    EXPECT_EQ(Selection(dlg, IDC_LAUNCHER_KEY), 2);  // 無し
    step(IDC_LAUNCHER_UP, {kNotepad + L"|" + kMissing + L"|" + kRegedit, L"a|c|b", L"C:\\|D:\\|", L"F3||"}, 1);
    step(IDC_LAUNCHER_DOWN, {paths, L"a|b|c", L"C:\\||D:\\", L"F3||"}, 2);
    step(IDC_LAUNCHER_DELETE, {kNotepad + L"|" + kRegedit, L"a|b", L"C:\\|", L"F3|"}, 1);

    // 追加: an empty name is refused, then the entry is appended without a key.
    Press(dlg, IDC_LAUNCHER_ADD);
    HWND editor = RequireDialog(L"編集");
    Press(editor, IDOK);
    ExpectBox(L"実行ファイル名が入力されていません");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_PATH, L"C:\\新しい\\道具.exe"), "path");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_DIR, L"C:\\新しい"), "folder");
    Press(editor, IDOK);
    const std::wstring three = kNotepad + L"|" + kRegedit + L"|C:\\新しい\\道具.exe";
    EXPECT_TRUE(WaitForCondition([&] {
      return host.Lines() == std::vector<std::wstring>{three, L"a|b|", L"C:\\||C:\\新しい", L"F3||"};
    }));
    ExpectSelected(dlg, 2);
    EXPECT_EQ(Rows(dlg)[2], L"道具.exe|C:\\新しい\\道具.exe|||C:\\新しい");

    // 編集 of the first entry, its fields as the host has them; the key stays.
    ListKey(dlg, VK_HOME);
    ExpectSelected(dlg, 0);
    Press(dlg, IDC_LAUNCHER_EDIT);
    editor = RequireDialog(L"編集");
    EXPECT_EQ(GetText(editor, IDC_EDIT_LAUNCHER_PATH), kNotepad);
    EXPECT_EQ(GetText(editor, IDC_EDIT_LAUNCHER_PARAM), L"a");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_PARAM, L"  "), "parameters");
    Press(editor, IDOK);
    EXPECT_TRUE(WaitForCondition([&] { return host.Lines()[1] == L"  |b|"; })) << Utf8(host.Lines()[1]);
    // 無し for the only key takes the column away.
    Require(SelectIndex(dlg, IDC_LAUNCHER_KEY, 2), "無し");
    step(IDC_LAUNCHER_ASSIGN_KEY, {three, L"  |b|", L"C:\\||C:\\新しい", L"||"}, 0);
    EXPECT_EQ(Headers(dlg), plain);
    Press(dlg, IDCANCEL);
  });
  EXPECT_EQ(host.Run(), -1);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(host.Lines()[0], kNotepad + L"|" + kRegedit + L"|C:\\新しい\\道具.exe");
}

// No entries and no key definitions: every button but 追加 does nothing and
// 実行 says so. Arrays of different lengths show the shortest's entries, and
// an entry added goes in behind them, before the longer arrays' surplus.
TEST_F(Launcher, EmptyAndUnevenArrays) {
  Host empty({{}, {}, {}, {}}, {});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    EXPECT_EQ(Items(dlg, IDC_LAUNCHER_KEY), std::vector<std::wstring>{L"無し"});
    for (const int id :
         {IDC_LAUNCHER_UP, IDC_LAUNCHER_DOWN, IDC_LAUNCHER_EDIT, IDC_LAUNCHER_DELETE, IDC_LAUNCHER_ASSIGN_KEY})
      Press(dlg, id);
    Press(dlg, IDOK);
    ExpectBox(L"実行ファイルが選択されていません");
    Key(dlg, VK_ESCAPE);
  });
  EXPECT_EQ(empty.Run(), -1);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(empty.Lines(), std::vector<std::wstring>(4));

  const std::wstring longPath = L"C:\\" + std::wstring(300, L'x') + L".exe";
  Host uneven({{kNotepad, longPath, kRegedit}, {L"p0", L"p1"}, {L"d0", L"d1", L"d2", L"d3"}, {L"", L"F2", L"k2"}},
              {{VK_F2, L"F2"}});
  UiScript odd([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    EXPECT_EQ(Rows(dlg), (std::vector<std::wstring>{L"notepad.exe|" + kNotepad + L"|p0||d0",
                                                    std::wstring(300, L'x') + L".exe|" + longPath + L"|p1|F2|d1"}));
    EXPECT_FALSE(HasIcon(dlg, 1));
    Press(dlg, IDC_LAUNCHER_ADD);
    const HWND editor = RequireDialog(L"編集");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_PATH, L"new"), "path");
    Press(editor, IDOK);
    ExpectSelected(dlg, 2);
    // A double click on the new row runs it.
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(List(dlg), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
      PostMessageW(List(dlg), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
  });
  EXPECT_EQ(uneven.Run(), 2);
  EXPECT_TRUE(odd.Join()) << odd.Failure();
  EXPECT_EQ(uneven.Lines(), (std::vector<std::wstring>{kNotepad + L"|" + longPath + L"|new|" + kRegedit, L"p0|p1|",
                                                       L"d0|d1||d2|d3", L"|F2||k2"}));
}

// A shortcut chosen with the first 参照 stays the shortcut; a cancelled 参照
// leaves its field; the folder 参照 fills the folder.
TEST_F(Launcher, EditorBrowsesForTheShortcutItselfAndAFolder) {
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

  Host host({{kRegedit}, {L""}, {L""}, {L""}}, {});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"ランチャー");
    Press(dlg, IDC_LAUNCHER_EDIT);
    const HWND editor = RequireDialog(L"編集");
    Press(editor, IDC_EDIT_LAUNCHER_BROWSE_PARAM);
    Require(CancelFileDialog(), "cancel");
    Press(editor, IDC_EDIT_LAUNCHER_BROWSE_PATH);
    Require(AnswerFileDialog(lnk), "the shortcut");
    Require(WaitForText(editor, IDC_EDIT_LAUNCHER_PATH, lnk), "the shortcut's own path");
    Require(SetText(editor, IDC_EDIT_LAUNCHER_DIR, L"C:\\windows\\"), "folder");
    Press(editor, IDC_EDIT_LAUNCHER_BROWSE_DIR);
    const HWND picker = WaitForDialog([](HWND d) { return FindChildOfClass(d, L"SysTreeView32") != nullptr; });
    Require(picker != nullptr, "the folder picker opens");
    // The shell fills the picker in the background: slow on a loaded machine.
    const auto shows = [&] {
      for (HWND child : ChildWindows(picker))
        if (WindowText(child) == L"「C:\\windows」が選択されています") return true;
      return false;
    };
    Require(WaitForCondition(shows, 15000), "C:\\windows selected");
    Press(picker, IDOK);
    Require(WaitForText(editor, IDC_EDIT_LAUNCHER_DIR, L"C:\\windows"), "the folder without its backslash");
    Press(editor, IDOK);
    Press(dlg, IDCANCEL);
  });
  EXPECT_EQ(host.Run(), -1);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(host.Lines()[0], lnk);
  EXPECT_EQ(host.Lines()[1], L"");
  EXPECT_EQ(host.Lines()[2], L"C:\\windows");
  CoUninitialize();
}

}  // namespace
