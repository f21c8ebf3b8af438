// Lists the applet files of the system directory through ZvGetCplAllData,
// which names the files its table knows without loading them, against the
// same files loaded and asked through CPlApplet one by one, as a list without
// the table would have to. Wine's files that have no CPlApplet are left out of both.
//   cpl_bench ours|loading CALLS RUNS
// Prints the best time of CALLS listings in seconds and the files of one listing.
#include <windows.h>
#include <afxcoll.h>
#include <cpl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "cpl_record.h"
#include "support.h"

namespace {

const std::vector<std::wstring> kWithoutApplet = {L"bthprops.cpl", L"irprops.cpl"};

// One listing by loading: what LoadAppletInfo does for a file the table does not know.
int ListByLoading(const std::vector<std::wstring>& files, std::vector<CplAllData>& records) {
  int count = 0;
  for (const std::wstring& file : files) {
    const HMODULE module = ::LoadLibraryW(file.c_str());
    const auto applet =
        reinterpret_cast<APPLET_PROC>(reinterpret_cast<void (*)()>(::GetProcAddress(module, "CPlApplet")));
    CplAllData& record = records[count];
    if (applet && applet(nullptr, CPL_INIT, 0, 0)) {
      applet(nullptr, CPL_GETCOUNT, 0, 0);
      applet(nullptr, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&record.info));
      CPLINFO inquiry{};
      applet(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&inquiry));
      ::LoadStringW(module, inquiry.idName, record.info.szName, 32);
      ::LoadStringW(module, inquiry.idInfo, record.info.szInfo, 64);
      ++count;
    }
    ::FreeLibrary(module);
  }
  return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: cpl_bench ours|loading CALLS RUNS\n");
    return 2;
  }
  using ListFn = int(WINAPI*)(CplAllData*, int, BOOL, const CStringArray*);
  const auto list = zvtest::GetExport<ListFn>(::LoadLibraryW(L"ZvDll.dll"), "ZvGetCplAllData");
  CStringArray excluded;
  for (const std::wstring& name : kWithoutApplet) excluded.Add(name.c_str());
  std::vector<CplAllData> records(100);
  const int listed = list ? list(records.data(), 100, FALSE, &excluded) : 0;
  std::vector<std::wstring> files;  // the files ours listed, in the system directory, now current
  for (int i = 0; i < listed; ++i) files.emplace_back(records[i].szFileName);
  if (files.empty()) {
    std::fprintf(stderr, "cpl_bench: no library or no applet files\n");
    return 1;
  }
  const bool ours = std::wstring(argv[1]) == L"ours";
  double best = 1e9;
  for (int run = 0; run < _wtoi(argv[3]); ++run) {
    const double start = Now();
    for (int call = 0; call < _wtoi(argv[2]); ++call) {
      const int count = ours ? list(records.data(), 100, FALSE, &excluded) : ListByLoading(files, records);
      if (count != listed) return std::fprintf(stderr, "cpl_bench: %d files instead of %d\n", count, listed), 1;
    }
    best = std::min(best, Now() - start);
  }
  std::printf("%.4f %d\n", best, listed);
  return 0;
}
