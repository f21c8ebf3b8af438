// ZvDirTreeDlg through ZvDll.dll as the host calls it: real folders, the
// prefix's fixed T: and removable R:, the host's cache and cache files, the
// real clipboard. The library's path nodes are counted through its import of
// malloc and free, and its clipboard steps can be made to fail.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dirtree/dirtree_ids.h"
#include "dirtree/dirtree_param.h"
#include "import_hook.h"
#include "support.h"

namespace {

using namespace zvtest;
using Lines = std::vector<std::wstring>;

std::set<void*> g_nodes;  // live node-sized blocks of the library
int g_failNode = 0;       // > 0: the g_failNode-th next node fails
int g_failStep = 0;       // the clipboard step that fails: 1 GlobalAlloc, 2 open, 3 empty, 4 set
decltype(&malloc) g_malloc;
decltype(&free) g_free;
decltype(&GlobalAlloc) g_alloc;
decltype(&OpenClipboard) g_open;
decltype(&EmptyClipboard) g_empty;
decltype(&SetClipboardData) g_set;

void* __cdecl Malloc(size_t size) {
  if (size != sizeof(TREEPATH)) return g_malloc(size);
  if (g_failNode > 0 && --g_failNode == 0) return nullptr;
  return *g_nodes.insert(g_malloc(size)).first;
}
void __cdecl Free(void* block) { g_nodes.erase(block), g_free(block); }
HGLOBAL WINAPI Alloc(UINT flags, SIZE_T size) { return g_failStep == 1 ? nullptr : g_alloc(flags, size); }
BOOL WINAPI Open(HWND owner) { return g_failStep != 2 && g_open(owner); }
BOOL WINAPI Empty() { return g_failStep != 3 && g_empty(); }
HANDLE WINAPI Set(UINT format, HANDLE data) { return g_failStep == 4 ? nullptr : g_set(format, data); }

HMODULE Library() {
  static const HMODULE library = [] {
    const HMODULE dll = LoadLibraryW(L"ZvDll.dll");
    g_malloc = ReplaceImport(dll, "msvcrt.dll", "malloc", &Malloc),
    g_free = ReplaceImport(dll, "msvcrt.dll", "free", &Free);
    g_alloc = ReplaceImport(dll, "kernel32.dll", "GlobalAlloc", &Alloc);
    g_open = ReplaceImport(dll, "user32.dll", "OpenClipboard", &Open);
    g_empty = ReplaceImport(dll, "user32.dll", "EmptyClipboard", &Empty);
    g_set = ReplaceImport(dll, "user32.dll", "SetClipboardData", &Set);
    return g_malloc && g_free && g_alloc && g_open && g_empty && g_set ? dll : nullptr;
  }();
  return library;
}

// Folders, and files where the name has a period, made under base in order.
void Make(const std::wstring& base, const Lines& entries) {
  for (const std::wstring& entry : entries) {
    const std::wstring path = base + L"\\" + entry;
    ASSERT_TRUE(entry.find(L'.') == entry.npos ? CreateDirectoryW(path.c_str(), nullptr) : WriteBytes(path, "x"));
  }
}
void Clear(const wchar_t* drive) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(drive, error)) std::filesystem::remove_all(entry, error);
}

void ExpectItems(HWND dlg, const Lines& items, int id = IDC_DIRTREE_TREE) {
  EXPECT_TRUE(WaitForCondition([&] { return Items(dlg, id) == items; }, 5000)) << Items(dlg, id).size() << " items";
}
void ExpectMessage(const std::wstring& text) {
  const auto box = AnswerMessageBox(IDOK);
  Require(box && box->text == text && box->caption == L"ZvDll", "message: " + Utf8(text));
}

// A person's click on a tree line (MK_CONTROL adds it to the selection), or a double click.
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

// The clipboard's text; "(busy)" while someone holds it open.
std::wstring Clipboard() {
  if (!WaitForCondition([] { return OpenClipboard(nullptr) != FALSE; }, 3000)) return L"(busy)";
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  const std::wstring text = chars ? chars : L"";
  if (chars) GlobalUnlock(data);
  CloseClipboard();
  return text;
}

std::string Utf16File(const std::wstring& text) {
  return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Library()) << "ZvDll.dll, or its imports";
    if (GetDriveTypeW(L"T:\\") != DRIVE_FIXED || GetDriveTypeW(L"R:\\") != DRIVE_REMOVABLE)
      GTEST_SKIP() << "no fixed T: and removable R: in this prefix";
  }
  void TearDown() override {
    for (int letter = 0; letter < 26; ++letter)  // a call that keeps nothing frees what the host holds
      if (cache_[letter]) Show(std::wstring(1, wchar_t(L'A' + letter)) + L":", 0, 0, Close);
    EXPECT_EQ(g_nodes.size(), 0u) << "nodes left after every entry was freed";
  }
  static void Close(HWND dlg) { Require(PressKey(dlg, VK_ESCAPE), "Esc"); }

  // The export as the host calls it while person plays the user; first plays a
  // message shown before the dialog.
  int Show(const std::wstring& root, BOOL useFile, BOOL keep, const std::function<void(HWND)>& person,
           const std::function<void()>& first = nullptr) {
    static const auto show = GetExport<int(WINAPI*)(DIRTREEPARAM*)>(Library(), "ZvDirTreeDlg");
    DIRTREEPARAM param{useFile, keep, cache_, treeFiles_.Dir().c_str(), L"", L""};
    wcsncpy_s(param.szRoot, std::size(param.szRoot), root.c_str(), _TRUNCATE);
    UiScript script([&] { first ? first() : void(), person(RequireDialog(L"DIRのTREE")); }, 60000);
    const int shown = show(&param);
    result_ = param.szResult;
    EXPECT_TRUE(script.Join()) << script.Failure();
    return shown;
  }
  Lines Kept(wchar_t letter) const {
    Lines paths;
    for (const TREEPATH* node = cache_[letter - L'A']; node && paths.size() < 1000; node = node->pNext)
      paths.emplace_back(node->szPath);
    return paths;
  }

  Watchdog watchdog_{240000};
  TREEPATH* cache_[26] = {};
  TempDir treeFiles_;
  std::wstring result_;
};

TEST_F(TreeTest, ScanListsFilesCopiesAndChoosesAFolder) {
  TempDir temp;
  Make(temp.Dir(), {L"b", L"A", L"A\\x", L"A\\y", L"a1", L"写真", L"z.txt", L"日本語.txt", L"A\\x\\f.txt"});
  const int shown = Show(temp.Dir(), 1, 1, [&](HWND dlg) {
    ExpectItems(dlg, {temp.Dir(), L"├A", L"│├x", L"│└y", L"├a1", L"├b", L"└写真"});
    ClickLine(dlg, 0);
    ExpectItems(dlg, {L"z.txt", L"日本語.txt"}, IDC_DIRTREE_FILES);
    Require(RemoveDirectoryW(temp.Path(L"b").c_str()), "b removed after the scan");
    ClickLine(dlg, 5);
    ExpectItems(dlg, {}, IDC_DIRTREE_FILES);
    ClickLine(dlg, 2);
    ExpectItems(dlg, {L"f.txt"}, IDC_DIRTREE_FILES);
    ClickLine(dlg, 1, MK_CONTROL);
    ClickLine(dlg, 5, MK_CONTROL);
    Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
    EXPECT_TRUE(WaitForCondition([] { return Clipboard() == L"├A\r\n│├x\r\n├b\r\n"; })) << Utf8(Clipboard());
    ClickLine(dlg, 3);
    Require(Click(dlg, IDC_DIRTREE_GOTO), "goto");
  });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(result_, temp.Path(L"A\\y"));
  EXPECT_TRUE(g_nodes.empty()) << "a folder that is no drive root is never kept";
}

// Each call's lines (and after Reload) and what the host holds after it, in
// order: its memory first, then a fixed drive's cache file, else a scan.
TEST_F(TreeTest, CacheOfTheHostAndTheDrivesFile) {
  Clear(L"T:\\"), Clear(L"R:\\");
  Make(L"T:", {L"real", L"real\\sub"});
  Make(L"R:", {L"disk"});
  const Lines scanned = {L"T:", L"└real", L"　└sub"}, scannedKept = {L"T:\\real", L"T:\\real\\sub"};
  const Lines fromFile = {L"T:\\x", L"T:\\x\\y", L"T:\\z"};
  // clang-format off
  const struct {
    const char* what;
    std::wstring root;
    BOOL useFile, keep;
    std::optional<std::string> file;  // the drive's <letter>_TREE.DAT
    Lines lines, kept, reloaded = {};
    std::wstring make = L"";  // a folder made before the call
    bool lock = false;
  } calls[] = {
      {"UTF-16 file", L"T:", 1, 0, Utf16File(L"T:\\x\r\nT:\\x\\y\r\nT:\\z\r\n"), {L"T:", L"├x", L"│└y", L"└z"}, fromFile},
      {"memory, then Reload", L"t:", 1, 0, Utf16File(L"T:\\other\r\n"), {L"t:", L"├x", L"│└y", L"└z"},
       {L"t:\\real", L"t:\\real\\sub"}, {L"t:", L"└real", L"　└sub"}},
      {"both off", L"T:", 0, 0, {}, scanned, {}},
      {"keep alone", L"T:", 0, 1, {}, {L"T:"}, {}},
      {"Shift-JIS file", L"T:", 1, 0, Sjis(L"T:\\写真\r\nT:\\写真\\旅行\r\n"), {L"T:", L"└写真", L"　└旅行"},
       {L"T:\\写真", L"T:\\写真\\旅行"}},
      {"both off", L"T:", 0, 0, {}, scanned, {}},
      {"empty file", L"T:", 1, 0, "", {L"T:"}, {}},
      {"locked file", L"T:", 1, 0, Utf16File(L"T:\\x\r\n"), scanned, scannedKept, {}, L"", true},
      {"removable", L"R:", 1, 0, Utf16File(L"R:\\file\r\n"), {L"R:", L"└disk"}, {L"R:\\disk"}},
      {"removable kept", L"R:", 1, 0, {}, {L"R:", L"└disk"}, {L"R:\\disk"}, {}, L"R:\\new"},
      {"removable off", L"R:", 0, 0, {}, {L"R:", L"├disk", L"└new"}, {}},
      {"missing drive", L"Q:", 1, 1, {}, {L"Q:"}, {}},
  };
  // clang-format on
  for (const auto& call : calls) {
    SCOPED_TRACE(call.what);
    const wchar_t letter = towupper(call.root[0]);
    const std::wstring file = treeFiles_.Path(std::wstring(1, letter) + L"_TREE.DAT");
    DeleteFileW(file.c_str());
    ASSERT_TRUE(!call.file || WriteBytes(file, *call.file));
    std::optional<FileLock> lock;
    ASSERT_TRUE(!call.lock || lock.emplace(file).Held());
    ASSERT_TRUE(call.make.empty() || CreateDirectoryW(call.make.c_str(), nullptr));
    EXPECT_EQ(Show(call.root, call.useFile, call.keep,
                   [&](HWND dlg) {
                     ExpectItems(dlg, call.lines);
                     if (!call.reloaded.empty()) Click(dlg, IDC_DIRTREE_RELOAD), ExpectItems(dlg, call.reloaded);
                     Close(dlg);
                   }),
              0);
    EXPECT_EQ(Kept(letter), call.kept);
    EXPECT_EQ(g_nodes.size(), Kept(L'T').size() + Kept(L'R').size()) << "nodes beside the host's lists";
  }
}

// Each failure's message, once, after a copy that worked.
TEST_F(TreeTest, MessagesOfMemoryAndClipboardFailures) {
  TempDir temp;
  Make(temp.Dir(), {L"p", L"q", L"r", L"s"});  // no node for r: the level ends there
  const std::wstring messages[] = {L"メモリが足りません", L"クリップボードへのコピーに失敗しました",
                                   L"クリップボードを開くのに失敗しました", L"クリップボードを空にするのに失敗しました",
                                   L"クリップボードへのデータのセットに失敗しました"};
  for (int step = 0; step < 5; ++step) {
    SCOPED_TRACE(Utf8(messages[step]));
    g_failStep = step, g_failNode = step == 0 ? 3 : 0;
    const auto person = [&](HWND dlg) {
      if (step == 0) ExpectItems(dlg, {temp.Dir(), L"├p", L"├q"});
      ClickLine(dlg, 1);
      Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
      if (step > 0) ExpectMessage(messages[step]);
      // Closed again; emptied only when the data failed to go in.
      EXPECT_TRUE(WaitForCondition([&] { return Clipboard() == (step < 4 ? L"├p\r\n" : L""); })) << Utf8(Clipboard());
      Close(dlg);
    };
    Show(temp.Dir(), 0, 0, person, step == 0 ? std::function<void()>([&] { ExpectMessage(messages[0]); }) : nullptr);
  }
  g_failStep = 0;
}

// 101 levels on a thread with a quarter of the usual stack: the 100th level is
// the last listed, the message comes once, and the deepest line can be
// scrolled to. A double click on line 0 gives the root as the host wrote it.
TEST_F(TreeTest, DeepTreeStopsAtTheHundredthLevelOnASmallStack) {
  Clear(L"T:\\");
  std::wstring path = L"T:";
  for (int level = 0; level < 101; ++level) ASSERT_TRUE(CreateDirectoryW((path += L"\\a").c_str(), nullptr));
  int shown = -1;
  const auto call = [&] {
    shown = Show(
        L"t:", 0, 0,
        [&](HWND dlg) {
          const Lines lines = Items(dlg, IDC_DIRTREE_TREE);
          EXPECT_EQ(lines.size(), 101u);
          EXPECT_EQ(lines.back(), std::wstring(99, L'　') + L"└a");
          EXPECT_EQ(ProcessDialogs().size(), 1u) << "a second message";
          RECT box{};
          GetClientRect(GetDlgItem(dlg, IDC_DIRTREE_TREE), &box);
          EXPECT_GT(SendDlgItemMessageW(dlg, IDC_DIRTREE_TREE, LB_GETHORIZONTALEXTENT, 0, 0), box.right);
          ClickLine(dlg, 0, 0, true);
        },
        [] { ExpectMessage(L"階層が深いため表示できません"); });
  };
  const HANDLE thread = CreateThread(
      nullptr, 256 * 1024, [](void* run) -> DWORD { return (*static_cast<decltype(call)*>(run))(), 0; },
      const_cast<void*>(static_cast<const void*>(&call)), STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_TRUE(thread);
  EXPECT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
  CloseHandle(thread);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(result_, L"t:");
}

}  // namespace
