// The tree scan through ZvDirTreeDlg against a bare FindFirstFileW walk of the
// same folders in the same process. The export runs with its dialog, closed
// by a person as soon as it shows: the scan fills the list before that.
//   dirtree_bench ROOT RUNS
// Prints the best seconds of the walk and of the export, and the folders each saw.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "dialog_driver.h"
#include "dirtree/dirtree_ids.h"
#include "dirtree/dirtree_param.h"

namespace {

long Walk(const std::wstring& dir) {
  WIN32_FIND_DATAW find;
  const HANDLE search = ::FindFirstFileW((dir + L"\\*.*").c_str(), &find);
  if (search == INVALID_HANDLE_VALUE) return 0;
  long folders = 0;
  do {
    const bool dot =
        find.cFileName[0] == L'.' && (!find.cFileName[1] || (find.cFileName[1] == L'.' && !find.cFileName[2]));
    if ((find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !dot) folders += 1 + Walk(dir + L"\\" + find.cFileName);
  } while (::FindNextFileW(search, &find));
  ::FindClose(search);
  return folders;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dirtree_bench ROOT RUNS\n");
    return 2;
  }
  const auto show = zvtest::GetExport<int(WINAPI*)(DIRTREEPARAM*)>(::LoadLibraryW(L"ZvDll.dll"), "ZvDirTreeDlg");
  if (!show) return 1;
  double bestWalk = 1e9, bestOurs = 1e9;
  long walked = 0, listed = 0;
  for (int run = 0; run < _wtoi(argv[2]); ++run) {
    double start = Now();
    walked = Walk(argv[1]);
    bestWalk = std::min(bestWalk, Now() - start);

    TREEPATH* cache[26] = {};
    DIRTREEPARAM param{FALSE, FALSE, cache, L"", L"", L""};
    wcsncpy_s(param.szRoot, std::size(param.szRoot), argv[1], _TRUNCATE);
    zvtest::UiScript person(
        [&] {
          const HWND dlg = zvtest::RequireDialog(L"DIRのTREE", 600000);
          listed = static_cast<long>(::SendDlgItemMessageW(dlg, IDC_DIRTREE_TREE, LB_GETCOUNT, 0, 0)) - 1;
          zvtest::Click(dlg, IDOK);
        },
        900000);
    start = Now();
    show(&param);
    bestOurs = std::min(bestOurs, Now() - start);
    if (!person.Join()) return 1;
  }
  std::printf("%.4f %.4f %ld %ld\n", bestWalk, bestOurs, walked, listed);
  return walked == listed ? 0 : 1;
}
