// The file manager's side of ZvDirTreeDlg for the tests and the benchmark: its
// 26-entry tree cache, its record, and the export called on them while a
// person plays the user. The library's node allocations are counted through
// its import of malloc and free, and can be made to fail.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dirtree/dirtree_ids.h"
#include "dirtree/dirtree_param.h"
#include "import_hook.h"

namespace zvtest {

// Live blocks of a node's size that ZvDll.dll allocated; g_failNode > 0 makes
// the g_failNode-th next one fail.
inline std::set<void*> g_nodes;
inline int g_failNode = 0;
inline void*(__cdecl* g_malloc)(size_t) = nullptr;
inline void(__cdecl* g_free)(void*) = nullptr;

inline void* __cdecl CountingMalloc(size_t size) {
  if (size != sizeof(TREEPATH)) return g_malloc(size);
  if (g_failNode > 0 && --g_failNode == 0) return nullptr;
  void* block = g_malloc(size);
  if (block) g_nodes.insert(block);
  return block;
}
inline void __cdecl CountingFree(void* block) {
  g_nodes.erase(block);
  g_free(block);
}

inline HMODULE TreeLibrary() {
  static const HMODULE library = [] {
    const HMODULE module = ::LoadLibraryW(L"ZvDll.dll");
    g_malloc = ReplaceImport(module, "msvcrt.dll", "malloc", &CountingMalloc);
    g_free = ReplaceImport(module, "msvcrt.dll", "free", &CountingFree);
    return g_malloc && g_free ? module : nullptr;
  }();
  return library;
}

struct TreeHost {
  TREEPATH* cache[26] = {};
  std::wstring treeFileDir;
  std::wstring result;

  // The export on root while person plays the user; its result, -1 when the person failed.
  // first, when given, plays what comes before the dialog shows (a message of the scan).
  int Show(const std::wstring& root, BOOL useTreeFile, BOOL keepTree, const std::function<void(HWND)>& person,
           const std::function<void()>& first = nullptr) {
    static const auto show = GetExport<int(WINAPI*)(DIRTREEPARAM*)>(TreeLibrary(), "ZvDirTreeDlg");
    DIRTREEPARAM param{useTreeFile, keepTree, cache, treeFileDir.c_str(), L"", L""};
    wcsncpy_s(param.szRoot, std::size(param.szRoot), root.c_str(), _TRUNCATE);
    UiScript script(
        [&] {
          if (first) first();
          person(RequireDialog(L"DIRのTREE"));
        },
        60000);
    const int shown = show(&param);
    result = param.szResult;
    if (!script.Join()) {
      ADD_FAILURE() << script.Failure();
      return -1;
    }
    return shown;
  }

  // The paths of the list the host holds for a drive letter.
  std::vector<std::wstring> Kept(wchar_t letter) const {
    std::vector<std::wstring> paths;
    for (const TREEPATH* node = cache[letter - L'A']; node && paths.size() < 100000; node = node->pNext)
      paths.emplace_back(node->szPath);
    return paths;
  }
};

}  // namespace zvtest
