// ZvDirTreeDlg through ZvDll.dll as the host calls it, on a thread with a
// quarter of the usual stack, on the prefix's fixed T: and removable R: and
// the real clipboard. The library's path nodes are counted through its malloc
// and free, and its clipboard calls can be made to fail.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>

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
int g_failCall = 0;       // the step of a copy that fails: 1 GlobalAlloc, 3 EmptyClipboard, 4 SetClipboardData
decltype(&malloc) g_malloc;
decltype(&free) g_free;
decltype(&GlobalAlloc) g_alloc;
decltype(&EmptyClipboard) g_empty;
decltype(&SetClipboardData) g_set;

void* __cdecl Malloc(size_t size) {
  if (size != sizeof(TREEPATH)) return g_malloc(size);
  if (g_failNode > 0 && --g_failNode == 0) return nullptr;
  return *g_nodes.insert(g_malloc(size)).first;
}
void __cdecl Free(void* block) { g_nodes.erase(block), g_free(block); }
HGLOBAL WINAPI Alloc(UINT flags, SIZE_T size) { return g_failCall == 1 ? nullptr : g_alloc(flags, size); }
BOOL WINAPI Empty() { return g_failCall != 3 && g_empty(); }
HANDLE WINAPI Set(UINT format, HANDLE data) { return g_failCall == 4 ? nullptr : g_set(format, data); }

DWORD WINAPI ShowTree(void* param) {
  static const auto show = [] {
    const HMODULE dll = LoadLibraryW(L"ZvDll.dll");
    g_malloc = ReplaceImport(dll, "msvcrt.dll", "malloc", &Malloc);
    g_free = ReplaceImport(dll, "msvcrt.dll", "free", &Free);
    g_alloc = ReplaceImport(dll, "kernel32.dll", "GlobalAlloc", &Alloc);
    g_empty = ReplaceImport(dll, "user32.dll", "EmptyClipboard", &Empty);
    g_set = ReplaceImport(dll, "user32.dll", "SetClipboardData", &Set);
    const bool hooked = g_malloc && g_free && g_alloc && g_empty && g_set;
    return hooked ? GetExport<int(WINAPI*)(DIRTREEPARAM*)>(dll, "ZvDirTreeDlg") : nullptr;
  }();
  return show ? show(static_cast<DIRTREEPARAM*>(param)) : -1;  // -1: no library, or not its imports
}

TREEPATH* g_cache[26];      // the host's list of each drive
const TempDir g_treeFiles;  // the host's folder of cache files
std::wstring g_chosen;      // szResult after the last call

// The export's result, called on a thread with a quarter of a UI thread's
// stack while person plays the user.
int Show(const std::wstring& root, BOOL useFile, BOOL keep, const std::function<void()>& person) {
  DIRTREEPARAM param{useFile, keep, g_cache, g_treeFiles.Dir().c_str(), L"", L""};
  wcsncpy_s(param.szRoot, std::size(param.szRoot), root.c_str(), _TRUNCATE);
  UiScript script(person, 60000);
  const HANDLE thread = CreateThread(nullptr, 256 * 1024, ShowTree, &param, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  DWORD shown = 0;
  EXPECT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
  GetExitCodeThread(thread, &shown);
  CloseHandle(thread);
  g_chosen = param.szResult;
  EXPECT_TRUE(script.Join()) << script.Failure();
  return static_cast<int>(shown);
}

// Empties the drive, then makes folders, and files where the name has a period.
void Make(const std::wstring& drive, const Lines& entries) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(drive + L"\\", error))
    std::filesystem::remove_all(entry, error);
  for (const std::wstring& entry : entries) {
    const std::wstring path = drive + L"\\" + entry;
    ASSERT_TRUE(entry.find(L'.') == entry.npos ? CreateDirectoryW(path.c_str(), nullptr) : WriteBytes(path, "x"));
  }
}

void ExpectItems(HWND dlg, const Lines& items, int id = IDC_DIRTREE_TREE) {
  EXPECT_TRUE(WaitForCondition([&] { return Items(dlg, id) == items; }, 5000)) << Items(dlg, id).size() << " items";
}
void ExpectMessage(const std::wstring& text) {
  const auto box = AnswerMessageBox(IDOK);
  Require(box && box->text == text && box->caption == L"ZvDll", "message: " + Utf8(text));
}

// The clipboard's CF_UNICODETEXT, read back here once the library has closed it.
void ExpectClipboard(const std::wstring& text) {
  std::wstring seen = L"(busy)";
  EXPECT_TRUE(WaitForCondition([&] {
    if (!OpenClipboard(nullptr)) return false;
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    seen = chars ? chars : L"";
    if (chars) GlobalUnlock(data);
    CloseClipboard();
    return seen == text;
  })) << Utf8(seen);
}

// A person's click on a tree line (MK_CONTROL adds it to the selection), twice for a double click.
void ClickLine(HWND dlg, int index, WPARAM keys = 0, bool twice = false) {
  const HWND list = GetDlgItem(dlg, IDC_DIRTREE_TREE);
  RECT item{};
  Require(SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) != LB_ERR, "line on screen");
  const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  PostMessageW(list, WM_LBUTTONUP, keys, at);
  Require(WaitForCondition([&] { return SendMessageW(list, LB_GETCARETINDEX, 0, 0) == index; }, 3000), "caret");
  if (twice) PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at), PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// A scan 101 levels deep (the 100th is the last listed, after one message),
// the files of a clicked line, none once it has gone, a copy of the selected
// lines, each clipboard failure's message, Reload without memory for a node
// (its level ends there), and a double click that chooses a line.
TEST(Tree, OneDialogFromScanToChoice) {
  Make(L"T:", {L"b", L"A", L"A\\x", L"A\\y", L"a1", L"写真", L"A\\x\\日本語.txt", L"A\\x\\f.txt"});
  Lines lines = {L"t:", L"├A", L"│├x", L"│└y", L"├a1", L"├b", L"└写真"};
  std::wstring deep = L"T:\\写真";
  for (int level = 2; level <= 101; ++level) {
    ASSERT_TRUE(CreateDirectoryW((deep += L"\\a").c_str(), nullptr));
    if (level <= 100) lines.push_back(std::wstring(level - 1, L'　') + L"└a");
  }
  const std::wstring failures[] = {L"クリップボードへのコピーに失敗しました", L"クリップボードを開くのに失敗しました",
                                   L"クリップボードを空にするのに失敗しました",
                                   L"クリップボードへのデータのセットに失敗しました"};
  const auto person = [&] {
    ExpectMessage(L"階層が深いため表示できません");
    const HWND dlg = RequireDialog(L"DIRのTREE");
    ExpectItems(dlg, lines);
    EXPECT_EQ(ProcessDialogs().size(), 1u) << "a second message";
    RECT box{};
    GetClientRect(GetDlgItem(dlg, IDC_DIRTREE_TREE), &box);
    EXPECT_GT(SendDlgItemMessageW(dlg, IDC_DIRTREE_TREE, LB_GETHORIZONTALEXTENT, 0, 0), box.right);
    Require(RemoveDirectoryW(L"T:\\b"), "b removed after the scan");
    ClickLine(dlg, 5);
    ExpectItems(dlg, {}, IDC_DIRTREE_FILES);
    ClickLine(dlg, 2);
    ExpectItems(dlg, {L"f.txt", L"日本語.txt"}, IDC_DIRTREE_FILES);
    ClickLine(dlg, 1, MK_CONTROL);
    ClickLine(dlg, 5, MK_CONTROL);
    for (int fail = 0; fail <= 4; ++fail) {
      g_failCall = fail;
      if (fail == 2) OpenClipboard(nullptr);  // step 2 fails for real: held here, the library cannot open it
      Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
      if (fail > 0) ExpectMessage(failures[fail - 1]);
      if (fail == 2) CloseClipboard();
      ExpectClipboard(fail < 4 ? L"├A\r\n│├x\r\n├b\r\n" : L"");  // emptied only when the data failed to go in
    }
    g_failCall = 0, g_failNode = 4;
    Require(Click(dlg, IDC_DIRTREE_RELOAD), "reload");
    ExpectMessage(L"メモリが足りません");
    ExpectItems(dlg, {L"t:", L"├A", L"│├x", L"│└y"});
    ClickLine(dlg, 3, 0, true);
  };
  EXPECT_EQ(Show(L"t:", 0, 0, person), 1);
  EXPECT_EQ(g_chosen, L"t:\\A\\y");
  EXPECT_TRUE(g_nodes.empty()) << "a list the host does not keep is freed";
}

// Calls in order, with the lines they show (and after Reload) and the nodes
// the host holds after each: its own list first, else a fixed drive's cache
// file in the ANSI code page, else a scan. Goto with nothing chosen returns
// the root as the host wrote it.
TEST(Tree, CacheOfTheHostAndTheDrivesFile) {
  Make(L"T:", {L"real", L"real\\sub"});
  Make(L"R:", {L"disk"});
  ASSERT_TRUE(WriteBytes(g_treeFiles.Path(L"T_TREE.DAT"), Sjis(L"T:\\写真\r\nT:\\写真\\旅行\r\n")));
  ASSERT_TRUE(WriteBytes(g_treeFiles.Path(L"R_TREE.DAT"), Sjis(L"R:\\file\r\n")));
  const Lines scanned = {L"t:", L"└real", L"　└sub"}, removable = {L"R:", L"└disk"};
  const struct {
    std::wstring root;
    BOOL useFile, keep;
    Lines lines, reloaded;
    size_t nodes;
  } calls[] = {
      {L"t:", 1, 0, {L"t:", L"└写真", L"　└旅行"}, {}, 2},
      {L"t:", 0, 1, {L"t:", L"└写真", L"　└旅行"}, scanned, 2},
      {L"t:", 0, 0, scanned, {}, 0},
      {L"R:", 1, 1, removable, {}, 1},
      {L"Q:", 1, 1, {L"Q:"}, {}, 1},
      {L"R:", 0, 0, removable, {}, 0},
  };
  for (const auto& call : calls) {
    SCOPED_TRACE(&call - calls);
    const auto person = [&] {
      const HWND dlg = RequireDialog(L"DIRのTREE");
      ExpectItems(dlg, call.lines);
      if (!call.reloaded.empty()) Click(dlg, IDC_DIRTREE_RELOAD), ExpectItems(dlg, call.reloaded);
      Require(Click(dlg, IDC_DIRTREE_GOTO), "goto");
    };
    EXPECT_EQ(Show(call.root, call.useFile, call.keep, person), 1);
    EXPECT_EQ(g_chosen, call.root);
    EXPECT_EQ(g_nodes.size(), call.nodes) << "nodes the host holds";
  }
}

}  // namespace
