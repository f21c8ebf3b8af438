// ZvDirTreeDlg through ZvDll.dll as the host calls it: the scan of real
// folders, the file list, the clipboard, the chosen folder, the host's cache
// and cache files on the prefix's fixed T: and removable R:, reload, depth,
// and every message, with the library's path nodes counted.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialog_driver.h"
#include "support.h"
#include "tree_host.h"

namespace {

using namespace zvtest;

void RemoveContents(const std::wstring& dir) {
  WIN32_FIND_DATAW find;
  const HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &find);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = find.cFileName, path = dir + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    if (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveContents(path);
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search, &find));
  FindClose(search);
}

// Folders (and files, named with a period) made under base, in order.
void Make(const std::wstring& base, const std::vector<std::wstring>& entries) {
  for (const std::wstring& entry : entries) {
    const std::wstring path = base + L"\\" + entry;
    const bool made = entry.find(L'.') == std::wstring::npos ? CreateDirectoryW(path.c_str(), nullptr) != FALSE
                                                             : WriteBytes(path, "x");
    ASSERT_TRUE(made) << Utf8(path);
  }
}

// A drive of the prefix emptied and filled with entries.
void Drive(wchar_t letter, const std::vector<std::wstring>& entries) {
  const std::wstring root = std::wstring(1, letter) + L":";
  RemoveContents(root);
  Make(root, entries);
}

std::vector<std::wstring> Lines(HWND dlg) { return Items(dlg, IDC_DIRTREE_TREE); }
void ExpectLines(HWND dlg, const std::vector<std::wstring>& lines) {
  EXPECT_TRUE(WaitForCondition([&] { return Lines(dlg) == lines; }, 5000)) << Utf8(Lines(dlg).back());
}
std::vector<std::wstring> Files(HWND dlg) {
  std::vector<std::wstring> files = Items(dlg, IDC_DIRTREE_FILES);
  std::sort(files.begin(), files.end());
  return files;
}

// A person's click on a tree line (with MK_CONTROL to add it to the selection), or a double click.
void ClickLine(HWND dlg, int index, WPARAM keys = 0, bool twice = false) {
  const HWND list = GetDlgItem(dlg, IDC_DIRTREE_TREE);
  RECT item{};
  Require(SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) != LB_ERR, "line on screen");
  const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  PostMessageW(list, WM_LBUTTONUP, keys, at);
  if (twice) PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at), PostMessageW(list, WM_LBUTTONUP, 0, at);
  Require(WaitForCondition([&] { return SendMessageW(list, LB_GETCARETINDEX, 0, 0) == index; }, 3000), "caret");
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!WaitForCondition([] { return OpenClipboard(nullptr) != FALSE; }, 3000)) return L"(clipboard busy)";
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  ASSERT_TRUE(WaitForCondition([] { return OpenClipboard(nullptr) != FALSE; }, 3000));
  EmptyClipboard();
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

std::string Utf16File(const std::wstring& text) {
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

void ExpectMessage(const std::wstring& text) {
  const auto box = AnswerMessageBox(IDOK);
  Require(box.has_value(), "no message box: " + Utf8(text));
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->caption, L"ZvDll");
}

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TreeLibrary()) << "ZvDll.dll, or its imports of malloc and free";
    if (GetDriveTypeW(L"T:\\") != DRIVE_FIXED || GetDriveTypeW(L"R:\\") != DRIVE_REMOVABLE)
      GTEST_SKIP() << "no fixed T: and removable R: in this prefix";
  }
  void TearDown() override {
    // A call that keeps nothing frees what the host holds (only the tests' own drives hold lists).
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter)
      if (host_.cache[letter - L'A']) host_.Show(std::wstring(1, letter) + L":", 0, 0, Close);
    EXPECT_EQ(g_nodes.size(), 0u) << "nodes left after every entry was freed";
  }
  static void Close(HWND dlg) { Require(Click(dlg, IDOK), "閉じる"); }

  Watchdog watchdog_{240000};
  TreeHost host_;
};

TEST_F(TreeTest, ScanListsFilesCopiesAndChoosesAFolder) {
  TempDir temp;
  Make(temp.Dir(), {L"b", L"A", L"A\\x", L"A\\y", L"a1", L"写真", L"z.txt", L"日本語.txt", L"A\\x\\f.txt"});
  SetClipboardText(L"前の内容");
  const int shown = host_.Show(temp.Dir(), 1, 1, [&](HWND dlg) {
    ExpectLines(dlg, {temp.Dir(), L"├A", L"│├x", L"│└y", L"├a1", L"├b", L"└写真"});
    ClickLine(dlg, 0);
    EXPECT_TRUE(WaitForCondition([&] { return Files(dlg) == std::vector<std::wstring>{L"z.txt", L"日本語.txt"}; }));
    ClickLine(dlg, 2);
    EXPECT_TRUE(WaitForCondition([&] { return Files(dlg) == std::vector<std::wstring>{L"f.txt"}; }));
    ClickLine(dlg, 1);  // only subfolders
    EXPECT_TRUE(WaitForCondition([&] { return Files(dlg).empty(); }));
    ClickLine(dlg, 2, MK_CONTROL);
    ClickLine(dlg, 5, MK_CONTROL);
    Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
    EXPECT_TRUE(WaitForCondition([] { return ClipboardText() == L"├A\r\n│├x\r\n├b\r\n"; })) << Utf8(ClipboardText());
    ClickLine(dlg, 3);
    Require(Click(dlg, IDC_DIRTREE_GOTO), "goto");
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host_.result, temp.Path(L"A\\y"));
  EXPECT_TRUE(g_nodes.empty()) << "a folder that is no drive root is never kept";
}

// A folder gone after the scan lists no files; a double click on line 0 gives
// the root as the host passed it.
TEST_F(TreeTest, VanishedFolderAndTheRootByDoubleClick) {
  Drive(L'T', {L"gone", L"r.txt"});
  const int shown = host_.Show(L"t:", 0, 0, [&](HWND dlg) {
    ClickLine(dlg, 0);
    EXPECT_TRUE(WaitForCondition([&] { return Files(dlg) == std::vector<std::wstring>{L"r.txt"}; }));
    Require(RemoveDirectoryW(L"T:\\gone"), "rmdir");
    ClickLine(dlg, 1);
    EXPECT_TRUE(WaitForCondition([&] { return Files(dlg).empty(); }));
    ClickLine(dlg, 0, 0, true);
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host_.result, L"t:");
}

// Each call's lines and what the host's cache holds after it, in order: the
// cache file is read only for a fixed drive whose list the host does not hold.
TEST_F(TreeTest, CacheOfTheHostAndTheDrivesFile) {
  Drive(L'T', {L"real", L"real\\sub"});
  Drive(L'R', {L"disk"});
  TempDir files;
  host_.treeFileDir = files.Dir();
  const std::wstring fromFile[] = {L"T:", L"├x", L"│└y", L"└z"}, scanned[] = {L"T:", L"└real", L"　└sub"};
  const struct Call {
    const char* what;
    std::wstring root;
    BOOL useFile, keep;
    std::optional<std::string> file;  // T_TREE.DAT, or R_TREE.DAT for R:
    std::vector<std::wstring> lines, kept;
    bool lock = false;
  } calls[] = {
      {"UTF-16 file",
       L"T:",
       1,
       0,
       Utf16File(L"T:\\x\r\nT:\\x\\y\r\nT:\\z\r\n"),
       {std::begin(fromFile), std::end(fromFile)},
       {L"T:\\x", L"T:\\x\\y", L"T:\\z"}},
      {"memory first",
       L"t:",
       0,
       1,
       Utf16File(L"T:\\other\r\n"),
       {L"t:", L"├x", L"│└y", L"└z"},
       {L"T:\\x", L"T:\\x\\y", L"T:\\z"}},
      {"both off", L"T:", 0, 0, std::nullopt, {std::begin(scanned), std::end(scanned)}, {}},
      {"Shift-JIS file",
       L"T:",
       1,
       0,
       Sjis(L"T:\\写真\r\nT:\\写真\\旅行\r\n"),
       {L"T:", L"└写真", L"　└旅行"},
       {L"T:\\写真", L"T:\\写真\\旅行"}},
      {"both off", L"T:", 0, 0, std::nullopt, {std::begin(scanned), std::end(scanned)}, {}},
      {"no final CR LF", L"T:", 1, 0, Utf16File(L"T:\\a\r\nT:\\b"), {L"T:", L"└a"}, {L"T:\\a"}},
      {"both off", L"T:", 0, 0, std::nullopt, {std::begin(scanned), std::end(scanned)}, {}},
      {"empty file", L"T:", 1, 0, "", {L"T:"}, {}},
      {"one byte", L"T:", 1, 0, "\xFF", {L"T:"}, {}},
      {"locked file",
       L"T:",
       1,
       0,
       Utf16File(L"T:\\x\r\n"),
       {std::begin(scanned), std::end(scanned)},
       {L"T:\\real", L"T:\\real\\sub"},
       true},
      {"removable", L"R:", 1, 0, Utf16File(L"R:\\cached\r\n"), {L"R:", L"└disk"}, {L"R:\\disk"}},
      {"removable kept", L"R:", 1, 0, std::nullopt, {L"R:", L"└disk"}, {L"R:\\disk"}},
      {"removable off", L"R:", 0, 0, std::nullopt, {L"R:", L"└moved"}, {}},
      {"missing drive", L"Q:", 1, 1, std::nullopt, {L"Q:"}, {}},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.what);
    const wchar_t letter = static_cast<wchar_t>(towupper(call.root[0]));
    const std::wstring file = files.Path(std::wstring(1, letter) + L"_TREE.DAT");
    DeleteFileW(file.c_str());
    if (call.file) ASSERT_TRUE(WriteBytes(file, *call.file));
    std::optional<FileLock> lock;
    if (call.lock) ASSERT_TRUE(lock.emplace(file).Held());
    if (std::string_view(call.what) == "removable kept") ASSERT_TRUE(MoveFileW(L"R:\\disk", L"R:\\moved"));
    EXPECT_EQ(host_.Show(call.root, call.useFile, call.keep,
                         [&](HWND dlg) {
                           ExpectLines(dlg, call.lines);
                           Close(dlg);
                         }),
              0);
    EXPECT_EQ(host_.Kept(letter), call.kept);
    size_t held = 0;
    for (wchar_t kept = L'A'; kept <= L'Z'; ++kept) held += host_.Kept(kept).size();
    EXPECT_EQ(g_nodes.size(), held) << "nodes alive beside the host's lists";
  }
}

// Keep alone with nothing kept shows the root alone until Reload; the host
// then holds what the last reload found, however the dialog ended.
TEST_F(TreeTest, ReloadScansAgainAndTheHostKeepsTheNewList) {
  Drive(L'T', {L"a"});
  host_.Show(L"T:", 0, 1, [&](HWND dlg) {
    ExpectLines(dlg, {L"T:"});
    Require(Click(dlg, IDC_DIRTREE_RELOAD), "Reload");
    ExpectLines(dlg, {L"T:", L"└a"});
    Make(L"T:", {L"b"});
    Require(Click(dlg, IDC_DIRTREE_RELOAD), "Reload");
    ExpectLines(dlg, {L"T:", L"├a", L"└b"});
    Close(dlg);
  });
  EXPECT_EQ(host_.Kept(L'T'), (std::vector<std::wstring>{L"T:\\a", L"T:\\b"}));
  Make(L"T:", {L"c"});
  host_.Show(L"T:", 0, 1, [&](HWND dlg) {
    ExpectLines(dlg, {L"T:", L"├a", L"└b"});
    Require(Click(dlg, IDC_DIRTREE_RELOAD), "Reload");
    ExpectLines(dlg, {L"T:", L"├a", L"├b", L"└c"});
    Require(PressKey(dlg, VK_ESCAPE), "Esc");
  });
  EXPECT_EQ(host_.Kept(L'T'), (std::vector<std::wstring>{L"T:\\a", L"T:\\b", L"T:\\c"}));
  EXPECT_EQ(g_nodes.size(), 3u);
}

// zvhost calls the export twice on one cache: the second call shows the list
// the first left (the folder made in between is not in it).
TEST_F(TreeTest, HostCommandReusesItsCache) {
  Drive(L'T', {L"a"});
  TempDir noFiles;
  std::thread person([] {
    for (int call = 0; call < 2; ++call) {
      HWND dlg = nullptr;
      if (!WaitForCondition([&] { return (dlg = FindWindowW(L"#32770", L"DIRのTREE")) && IsWindowVisible(dlg); }))
        return ADD_FAILURE() << "no tree dialog of zvhost";
      if (call == 0) Make(L"T:", {L"new"});
      PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_DIRTREE_GOTO, BN_CLICKED), 0);
      WaitForCondition([&] { return !IsWindow(dlg); });
    }
  });
  ProcessResult run = RunProgram(ProgramDir() + L"zvhost.exe", L"dirtree T: --keep --tree-file " + noFiles.Dir());
  person.join();
  EXPECT_EQ(run.exitCode, 0u);
  std::erase(run.output, '\r');
  EXPECT_EQ(run.output, "1回目: T: 保持 1 件\n2回目: T: 保持 1 件\n");
}

enum class Fault { kNone, kNodes, kGlobalAlloc, kOpen, kEmpty, kSet };
Fault g_fault = Fault::kNone;
HGLOBAL(WINAPI* g_globalAlloc)(UINT, SIZE_T) = nullptr;
BOOL(WINAPI* g_emptyClipboard)() = nullptr;
HANDLE(WINAPI* g_setClipboardData)(UINT, HANDLE) = nullptr;
HGLOBAL WINAPI FailingGlobalAlloc(UINT flags, SIZE_T bytes) {
  return g_fault == Fault::kGlobalAlloc ? nullptr : g_globalAlloc(flags, bytes);
}
BOOL WINAPI FailingEmptyClipboard() { return g_fault == Fault::kEmpty ? FALSE : g_emptyClipboard(); }
HANDLE WINAPI FailingSetClipboardData(UINT format, HANDLE data) {
  return g_fault == Fault::kSet ? nullptr : g_setClipboardData(format, data);
}

// Each failure's message; the clipboard keeps what it held, the dialog stays open.
TEST_F(TreeTest, MessagesOfMemoryAndClipboardFailures) {
  const HMODULE library = TreeLibrary();
  g_globalAlloc = ReplaceImport(library, "kernel32.dll", "GlobalAlloc", &FailingGlobalAlloc);
  g_emptyClipboard = ReplaceImport(library, "user32.dll", "EmptyClipboard", &FailingEmptyClipboard);
  g_setClipboardData = ReplaceImport(library, "user32.dll", "SetClipboardData", &FailingSetClipboardData);
  ASSERT_TRUE(g_globalAlloc && g_emptyClipboard && g_setClipboardData);
  TempDir temp;
  Make(temp.Dir(), {L"p", L"q", L"r", L"s"});  // no node for r: the level ends there
  const struct {
    Fault fault;
    std::wstring message;
  } faults[] = {
      {Fault::kNodes, L"メモリが足りません"},
      {Fault::kGlobalAlloc, L"クリップボードへのコピーに失敗しました"},
      {Fault::kOpen, L"クリップボードを開くのに失敗しました"},
      {Fault::kEmpty, L"クリップボードを空にするのに失敗しました"},
      {Fault::kSet, L"クリップボードへのデータのセットに失敗しました"},
  };
  for (const auto& [fault, message] : faults) {
    SCOPED_TRACE(Utf8(message));
    SetClipboardText(L"前の内容");
    g_fault = fault;
    g_failNode = fault == Fault::kNodes ? 3 : 0;  // the third folder's node
    host_.Show(
        temp.Dir(), 0, 0,
        [&](HWND dlg) {
          if (fault == Fault::kNodes) {
            ExpectLines(dlg, {temp.Dir(), L"├p", L"├q"});
            return Close(dlg);
          }
          ClickLine(dlg, 1);
          std::thread holder;
          HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr), done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
          if (fault == Fault::kOpen) {
            holder = std::thread([&] {
              const BOOL open = OpenClipboard(nullptr);
              SetEvent(held);
              WaitForSingleObject(done, 20000);
              if (open) CloseClipboard();
            });
            WaitForSingleObject(held, 5000);
          }
          Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
          ExpectMessage(message);
          SetEvent(done);
          if (holder.joinable()) holder.join();
          CloseHandle(held);
          CloseHandle(done);
          // Emptied before the data failed to go in; untouched otherwise.
          EXPECT_EQ(ClipboardText(), fault == Fault::kSet ? L"" : L"前の内容");
          Close(dlg);
        },
        fault == Fault::kNodes ? std::function<void()>([&] { ExpectMessage(message); }) : nullptr);
  }
  g_fault = Fault::kNone;
}

// 101 levels on a thread with a quarter of the usual stack: the 100th level is
// the last listed, and the message comes once.
TEST_F(TreeTest, DeepTreeStopsAtTheHundredthLevelOnASmallStack) {
  Drive(L'T', {});
  std::wstring path = L"T:";
  for (int level = 0; level < 101; ++level) ASSERT_TRUE(CreateDirectoryW((path += L"\\a").c_str(), nullptr));
  int shown = -1;
  const auto call = [&] {
    shown = host_.Show(
        L"T:", 0, 0,
        [&](HWND dlg) {
          const std::vector<std::wstring> lines = Lines(dlg);
          EXPECT_EQ(lines.size(), 101u);
          EXPECT_EQ(lines.back(), std::wstring(99, L'　') + L"└a");
          EXPECT_EQ(ProcessDialogs().size(), 1u) << "a second message";
          Close(dlg);
        },
        [] { ExpectMessage(L"階層が深いため表示できません"); });
  };
  const HANDLE thread = CreateThread(
      nullptr, 256 * 1024, [](void* run) -> DWORD { return (*static_cast<decltype(call)*>(run))(), 0; },
      const_cast<void*>(static_cast<const void*>(&call)), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_TRUE(thread);
  EXPECT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_EQ(shown, 0);
}

}  // namespace
