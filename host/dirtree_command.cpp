#include "dirtree_command.h"

#include <cwchar>
#include <iterator>

#include "console.h"

int RunDirtreeCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  // The file manager's settings and its cache, which outlive the calls.
  TREEPATH* cache[26] = {};
  std::wstring treeFileDir;
  DIRTREEPARAM param{};
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == L"--keep") {
      param.bKeepTree = TRUE;
    } else if (arguments[i] == L"--tree-file" && i + 1 < arguments.size()) {
      param.bUseTreeFile = TRUE;
      treeFileDir = arguments[++i];
    } else {
      return 2;
    }
  }
  param.ppTreeCache = cache;
  param.pszTreeFileDir = treeFileDir.c_str();
  wcsncpy_s(param.szRoot, std::size(param.szRoot), arguments[0].c_str(), _TRUNCATE);
  for (const wchar_t* call : {L"1回目", L"2回目"}) {
    param.szResult[0] = L'\0';
    const int chosen = exports.ZvDirTreeDlg(&param);
    size_t held = 0;
    for (const TREEPATH* list : cache)
      for (const TREEPATH* node = list; node; node = node->pNext) ++held;
    Print(std::wstring(call) + L": " + (chosen == 1 ? std::wstring(param.szResult) : L"(選択なし)") + L" 保持 " +
          std::to_wstring(held) + L" 件\n");
  }
  return 0;
}
