// BrowseForFolder with the real shell folder picker, driven as a person would:
// the picker runs modally on the test's thread while a UiScript reads it,
// moves in its tree and presses its buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>

#include "dialog_driver.h"
#include "support.h"
#include "zvutil.h"

using namespace zvtest;

namespace {

const std::wstring kPrompt = L"パスを指定してください。";

std::wstring Status(const std::wstring& path) { return L"「" + path + L"」が選択されています"; }

// The picker's caption is the shell's own; its folder tree tells it apart.
HWND WaitForPicker() {
  return WaitForDialog([](HWND dlg) { return FindChildOfClass(dlg, L"SysTreeView32") != nullptr; }, 10000,
                       L"folder picker");
}

bool ShowsText(HWND picker, const std::wstring& text) {
  HWND child = nullptr;
  while ((child = FindWindowExW(picker, child, L"Static", nullptr)) != nullptr)
    if (WindowText(child) == text) return true;
  return false;
}

void RequireShown(HWND picker, const std::wstring& text) {
  // The shell fills the picker in the background: slow on a loaded machine.
  Require(WaitForCondition([&] { return ShowsText(picker, text); }, 15000), "the picker shows \"" + Utf8(text) + "\"");
}

// --- The picker's folder tree, through the messages a click would cause -----

LRESULT TreeSend(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(tree, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
  return static_cast<LRESULT>(result);
}

HTREEITEM Relative(HWND tree, UINT relation, HTREEITEM item = nullptr) {
  return reinterpret_cast<HTREEITEM>(TreeSend(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  TreeSend(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return tv.pszText ? tv.pszText : L"";
}

std::vector<HTREEITEM> Children(HWND tree, HTREEITEM parent) {
  std::vector<HTREEITEM> items;
  for (HTREEITEM item = Relative(tree, TVGN_CHILD, parent); item; item = Relative(tree, TVGN_NEXT, item))
    items.push_back(item);
  return items;
}

// Searches the items loaded so far (expanded branches), top down.
HTREEITEM FindItem(HWND tree, const std::wstring& text, HTREEITEM parent = TVI_ROOT, int depth = 0) {
  if (depth > 8) return nullptr;
  for (HTREEITEM item : Children(tree, parent == TVI_ROOT ? nullptr : parent)) {
    if (ItemText(tree, item) == text) return item;
    if (HTREEITEM found = FindItem(tree, text, item, depth + 1)) return found;
  }
  return nullptr;
}

std::vector<std::wstring> ExpandSelected(HWND tree) {
  HTREEITEM selected = Relative(tree, TVGN_CARET);
  TreeSend(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
  std::vector<std::wstring> texts;
  for (HTREEITEM item : Children(tree, selected)) texts.push_back(ItemText(tree, item));
  return texts;
}

bool Select(HWND tree, HTREEITEM item) {
  return item && TreeSend(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

std::wstring MyComputerName() {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &items))) return {};
  SHFILEINFOW info{};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(items), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
  CoTaskMemFree(items);
  return info.szDisplayName;
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2] = {};
  const DWORD n = GetLongPathNameW(path.c_str(), full, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(full) : path;
}

// Wine's picker finds the start folder by comparing item lists byte for byte,
// and a folder's item carries its last-access time. Reading a folder changed
// since its last read moves that time (relatime), so a folder just made could
// look different in the tree than in the parsed path. Reading each folder on
// the way once now settles the times before the picker opens.
void SettleAccessTimes(std::wstring path) {
  for (;;) {
    WIN32_FIND_DATAW find;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &find);
    if (search != INVALID_HANDLE_VALUE) {
      while (FindNextFileW(search, &find)) {
      }
      FindClose(search);
    }
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 3) return;
    path.resize(slash);
  }
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(BrowseForFolder, ReturnsWhatThePersonChose) {
  TempDir temp;
  const std::wstring music = LongPath(temp.Dir()) + L"\\音楽";
  ASSERT_TRUE(CreateDirectoryW(music.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((music + L"\\下位").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(music + L"\\曲.mp3", std::string_view("ID3")));
  SettleAccessTimes(music);
  const std::wstring myComputer = MyComputerName();
  ASSERT_FALSE(myComputer.empty());

  const auto pressOk = [](HWND picker) { Require(Click(picker, IDOK), "pressing OK"); };
  const auto pressCancel = [](HWND picker) { Require(Click(picker, IDCANCEL), "pressing Cancel"); };

  struct Case {
    const char* name;
    std::wstring start;
    BOOL includeFiles;
    std::wstring selectedAtStart;
    std::function<void(HWND)> act;
    BOOL expected;
    std::wstring expectedPath;  // checked when expected is TRUE
  };
  const Case cases[] = {
      {"a folder comes back without a backslash", L"C:\\windows", FALSE, L"C:\\windows", pressOk, TRUE, L"C:\\windows"},
      {"a trailing backslash on the start folder is dropped", L"C:\\windows\\", FALSE, L"C:\\windows", pressOk, TRUE,
       L"C:\\windows"},
      {"a bare drive starts at its root and comes back with a backslash", L"C:", FALSE, L"C:\\", pressOk, TRUE,
       L"C:\\"},
      {"a Japanese folder name survives", music, FALSE, music, pressOk, TRUE, music},
      {"cancel", L"C:\\windows", FALSE, L"C:\\windows", pressCancel, FALSE, L""},
      {"a virtual folder has no path", L"C:\\windows", FALSE, L"C:\\windows",
       [&](HWND picker) {
         HWND tree = FindChildOfClass(picker, L"SysTreeView32");
         Require(Select(tree, FindItem(tree, myComputer)), "selecting " + Utf8(myComputer));
         RequireShown(picker, Status(L""));
         pressOk(picker);
       },
       FALSE, L""},
      {"files are offered and chosen when asked for", music, TRUE, music,
       [&](HWND picker) {
         HWND tree = FindChildOfClass(picker, L"SysTreeView32");
         HTREEITEM song = nullptr;
         Require(WaitForCondition(
                     [&] {
                       ExpandSelected(tree);
                       for (HTREEITEM item : Children(tree, Relative(tree, TVGN_CARET)))
                         if (StartsWith(ItemText(tree, item), L"曲")) song = item;
                       return song != nullptr;
                     },
                     5000),
                 "the file shows in the tree");
         Require(Select(tree, song), "selecting the file");
         RequireShown(picker, Status(music + L"\\曲.mp3"));
         pressOk(picker);
       },
       TRUE, music + L"\\曲.mp3"},
      {"files are not offered otherwise", music, FALSE, music,
       [&](HWND picker) {
         HWND tree = FindChildOfClass(picker, L"SysTreeView32");
         std::vector<std::wstring> items;
         Require(WaitForCondition(
                     [&] {
                       items = ExpandSelected(tree);
                       return !items.empty();
                     },
                     5000),
                 "the folder expands");
         Require(items == std::vector<std::wstring>{L"下位"}, "only the subfolder shows");
         pressCancel(picker);
       },
       FALSE, L""},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wchar_t path[MAX_PATH * 2] = {};
    wcscpy(path, c.start.c_str());
    UiScript script([&] {
      HWND picker = WaitForPicker();
      Require(picker != nullptr, "the folder picker opens");
      RequireShown(picker, kPrompt);
      RequireShown(picker, Status(c.selectedAtStart));
      c.act(picker);
    });
    const BOOL result = BrowseForFolder(path, nullptr, c.includeFiles);
    ASSERT_TRUE(script.Join()) << script.Failure();
    EXPECT_EQ(result, c.expected);
    if (c.expected) {
      EXPECT_EQ(std::wstring(path), c.expectedPath);
    }
  }
}

}  // namespace
