// The host's tree record and the path nodes it keeps between calls, exactly
// as the file manager lays them out.
#pragma once

#include <windows.h>

#include <cstddef>

// One folder of a tree's path list. The library allocates and frees the nodes;
// the host only holds lists in its cache between calls.
struct TREEPATH {
  wchar_t szPath[520];  // at most 519 characters
  TREEPATH* pNext;
};

struct DIRTREEPARAM {
  BOOL bUseTreeFile;              // read the drive's cache file when the host holds no list; keep the list
  BOOL bKeepTree;                 // keep the list in the host's cache when the dialog closes
  TREEPATH** ppTreeCache;         // 26 list heads, drive A to Z
  const wchar_t* pszTreeFileDir;  // folder of the cache files "<letter>_TREE.DAT"
  wchar_t szRoot[260];            // the folder shown: a drive as "C:", or any folder without a trailing backslash
  wchar_t szResult[520];          // the chosen folder, written only when the export returns 1
};

static_assert(sizeof(TREEPATH) == 1048);
static_assert(offsetof(TREEPATH, pNext) == 1040);
static_assert(offsetof(DIRTREEPARAM, bKeepTree) == 4);
static_assert(offsetof(DIRTREEPARAM, ppTreeCache) == 8);
static_assert(offsetof(DIRTREEPARAM, pszTreeFileDir) == 16);
static_assert(offsetof(DIRTREEPARAM, szRoot) == 24);
static_assert(offsetof(DIRTREEPARAM, szResult) == 544);
static_assert(sizeof(DIRTREEPARAM) == 1584);
