// ZvDirTreeDlg through ZvDll.dll as the host calls it, on the prefix's fixed T:
// and removable R: and the real clipboard. The library's path nodes are
// counted through its malloc and free.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>

#include "dialog_driver.h"
#include "dirtree/dirtree_ids.h"
#include "dirtree/dirtree_param.h"
#include "import_hook.h"

namespace {

using namespace zvtest;
using Lines = std::vector<std::wstring>;

std::set<void*> g_nodes;  // live node-sized blocks of the library
int g_failNode = 0;       // > 0: the g_failNode-th next node fails
decltype(&malloc) g_malloc;
decltype(&free) g_free;

void* __cdecl Malloc(size_t size) {
  if (size != sizeof(TREEPATH)) return g_malloc(size);
  if (g_failNode > 0 && --g_failNode == 0) return nullptr;
  return *g_nodes.insert(g_malloc(size)).first;
}
void __cdecl Free(void* block) { g_nodes.erase(block), g_free(block); }

TREEPATH* g_cache[26];      // the host's list of each drive
const TempDir g_treeFiles;  // the host's folder of cache files

// The folder the export chose while person played the user, or its result
// when it chose none. Called on a thread of the host's 1 MiB stack: Wine gives
// no thread less, and a thread that overflows it ends with 0.
std::wstring Show(const std::wstring& root, BOOL useFile, BOOL keep, const std::function<void()>& person) {
  static const auto show = [] {
    const HMODULE dll = LoadLibraryW(L"ZvDll.dll");
    g_malloc = ReplaceImport(dll, "msvcrt.dll", "malloc", &Malloc);
    g_free = ReplaceImport(dll, "msvcrt.dll", "free", &Free);
    return g_malloc && g_free ? GetExport<int(WINAPI*)(DIRTREEPARAM*)>(dll, "ZvDirTreeDlg") : nullptr;
  }();
  if (!show) return L"(no library, or not its malloc and free)";
  DIRTREEPARAM param{useFile, keep, g_cache, g_treeFiles.Dir().c_str(), L"", L""};
  wcsncpy_s(param.szRoot, std::size(param.szRoot), root.c_str(), _TRUNCATE);
  const auto call = [](void* param) -> DWORD { return show(static_cast<DIRTREEPARAM*>(param)); };
  UiScript script(person, 60000);
  const HANDLE thread = CreateThread(nullptr, 1 << 20, call, &param, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  DWORD shown = 0;
  EXPECT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
  GetExitCodeThread(thread, &shown);
  CloseHandle(thread);
  EXPECT_TRUE(script.Join()) << script.Failure();
  return shown == 1 ? param.szResult : L"(result " + std::to_wstring(shown) + L")";
}

// Empties the drive, then makes folders, and files where the name has a period.
void Make(const std::wstring& drive, const Lines& entries) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(drive + L"\\", error))
    std::filesystem::remove_all(entry, error);
  for (const std::wstring& entry : entries) {
    const std::wstring path = drive + L"\\" + entry;
    ASSERT_TRUE(entry.find(L'.') == entry.npos ? std::filesystem::create_directories(path) : WriteBytes(path, "x"));
  }
}

void ExpectItems(HWND dlg, const Lines& items, int id = IDC_DIRTREE_TREE) {
  EXPECT_TRUE(WaitForCondition([&] { return Items(dlg, id) == items; }, 5000)) << Items(dlg, id).size() << " items";
}
void ExpectMessage(const std::wstring& text) {
  const auto box = AnswerMessageBox(IDOK);
  Require(box && box->text == text && box->caption == L"ZvDll", "message: " + Utf8(text));
}

// The clipboard's CF_UNICODETEXT, read in the process whose library put it there.
std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"(busy)";
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  const std::wstring text = chars ? chars : L"(none)";
  if (chars) GlobalUnlock(data);
  CloseClipboard();
  return text;
}

// A scan 101 levels deep (the 100th is the last listed, after one message), the
// files of a line, none once it has gone, a copy (refused while the clipboard
// is held), Reload without memory for a node, a double click that chooses.
TEST(Tree, OneDialogFromScanToChoice) {
  Lines lines = {L"t:", L"├A", L"│├x", L"│└y", L"├a1", L"├b", L"└写真"};
  std::wstring deep = L"写真";
  for (int level = 1; level <= 100; ++level) deep += L"\\a";
  for (int level = 1; level < 100; ++level) lines.push_back(std::wstring(level, L'　') + L"└a");
  Make(L"T:", {L"b", L"A\\x", L"A\\y", L"a1", deep, L"A\\x\\日本語.txt", L"A\\x\\f.txt"});
  const auto person = [&] {
    ExpectMessage(L"階層が深いため表示できません");
    const HWND dlg = RequireDialog(L"DIRのTREE");
    ExpectItems(dlg, lines);
    EXPECT_EQ(ProcessDialogs().size(), 1u) << "a second message";
    RECT box{};
    GetClientRect(GetDlgItem(dlg, IDC_DIRTREE_TREE), &box);
    EXPECT_GT(SendDlgItemMessageW(dlg, IDC_DIRTREE_TREE, LB_GETHORIZONTALEXTENT, 0, 0), box.right);
    ClickItem(dlg, IDC_DIRTREE_TREE, 2);
    ExpectItems(dlg, {L"f.txt", L"日本語.txt"}, IDC_DIRTREE_FILES);
    Require(RemoveDirectoryW(L"T:\\b"), "b removed after the scan");
    ClickItem(dlg, IDC_DIRTREE_TREE, 5);
    ExpectItems(dlg, {}, IDC_DIRTREE_FILES);
    ClickItem(dlg, IDC_DIRTREE_TREE, 1, MK_CONTROL);
    ClickItem(dlg, IDC_DIRTREE_TREE, 2, MK_CONTROL);
    OpenClipboard(nullptr);
    Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
    ExpectMessage(L"クリップボードを開くのに失敗しました");
    CloseClipboard();
    Require(Click(dlg, IDC_DIRTREE_COPY), "copy");
    EXPECT_TRUE(WaitForCondition([] { return ClipboardText() == L"├A\r\n│├x\r\n├b\r\n"; })) << Utf8(ClipboardText());
    g_failNode = 4;
    Require(Click(dlg, IDC_DIRTREE_RELOAD), "reload");
    ExpectMessage(L"メモリが足りません");
    ExpectItems(dlg, {L"t:", L"├A", L"│├x", L"│└y"});
    ClickItem(dlg, IDC_DIRTREE_TREE, 3, 0, true);
  };
  EXPECT_EQ(Show(L"t:", 0, 0, person), L"t:\\A\\y");
  EXPECT_TRUE(g_nodes.empty()) << "a list the host does not keep is freed";
}

// Calls in order, and the nodes the host holds after each: its own list
// first, else a fixed drive's cache file in the ANSI code page, else a scan.
// Goto with nothing chosen returns the root as the host wrote it.
TEST(Tree, CacheOfTheHostAndTheDrivesFile) {
  Make(L"T:", {L"real", L"real\\sub"});
  Make(L"R:", {L"disk"});
  ASSERT_TRUE(WriteBytes(g_treeFiles.Path(L"T_TREE.DAT"), Sjis(L"T:\\写真\r\nT:\\写真\\旅行\r\n")));
  ASSERT_TRUE(WriteBytes(g_treeFiles.Path(L"R_TREE.DAT"), Sjis(L"R:\\file\r\n")));
  const Lines fromFile = {L"t:", L"└写真", L"　└旅行"}, scanned = {L"t:", L"└real", L"　└sub"};
  const auto nodesAfter = [](const wchar_t* root, BOOL useFile, BOOL keep, const Lines& lines, const Lines& reloaded) {
    const auto person = [&] {
      const HWND dlg = RequireDialog(L"DIRのTREE");
      ExpectItems(dlg, lines);
      if (!reloaded.empty()) Click(dlg, IDC_DIRTREE_RELOAD), ExpectItems(dlg, reloaded);
      Require(Click(dlg, IDC_DIRTREE_GOTO), "goto");
    };
    EXPECT_EQ(Show(root, useFile, keep, person), root);
    return g_nodes.size();
  };
  EXPECT_EQ(nodesAfter(L"t:", 1, 0, fromFile, {}), 2u);
  EXPECT_EQ(nodesAfter(L"t:", 0, 1, fromFile, scanned), 2u);
  EXPECT_EQ(nodesAfter(L"t:", 0, 0, scanned, {}), 0u);
  EXPECT_EQ(nodesAfter(L"R:", 1, 1, {L"R:", L"└disk"}, {}), 1u);
  EXPECT_EQ(nodesAfter(L"Q:", 1, 1, {L"Q:"}, {}), 1u);
}

}  // namespace
