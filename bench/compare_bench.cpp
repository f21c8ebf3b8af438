// Times the comparison as the host runs it: ZvCmpBinaryDlg in this process, the
// dialog filled and 実行 pressed by a watcher thread, the clock running from the
// click until the export returns (the dialog closes when the report is done).
//   compare_bench FILE1 FILE2 REPORT decimal|hex|both RUNS
// Prints the best time in seconds.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "dialog_driver.h"
#include "bench_clock.h"
#include "support.h"

namespace {

using CompareDialog = void(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: compare_bench FILE1 FILE2 REPORT decimal|hex|both RUNS\n");
    return 2;
  }
  const std::wstring columns = argv[4];
  const bool decimal = columns != L"hex", hex = columns != L"decimal";
  const auto compare = zvtest::GetExport<CompareDialog>(::LoadLibraryW(L"ZvDll.dll"), "ZvCmpBinaryDlg");
  if (!compare) {
    std::fprintf(stderr, "compare_bench: ZvDll.dll or its ZvCmpBinaryDlg export is missing\n");
    return 1;
  }
  double best = 1e9;
  for (int run = 0; run < _wtoi(argv[5]); ++run) {
    ::DeleteFileW(argv[3]);  // every run creates its report, untimed removal of the last one
    std::atomic<double> clicked{0};
    zvtest::UiScript script(
        [&] {
          HWND dlg = zvtest::RequireDialog(L"バイナリデータの比較");
          zvtest::Require(zvtest::SetText(dlg, 1029, argv[3]), "typing the report name");
          if (zvtest::IsChecked(dlg, 1033) != decimal) zvtest::Require(zvtest::Click(dlg, 1033), "10進");
          if (zvtest::IsChecked(dlg, 1034) != hex) zvtest::Require(zvtest::Click(dlg, 1034), "16進");
          zvtest::Require(zvtest::WaitForCondition([&] {
                            return zvtest::IsChecked(dlg, 1033) == decimal && zvtest::IsChecked(dlg, 1034) == hex;
                          }),
                          "the columns are set");
          clicked = Now();
          zvtest::Require(zvtest::Click(dlg, IDOK), "pressing 実行");
        },
        600000);
    compare(L"", argv[1], argv[2]);
    const double seconds = Now() - clicked.load();
    if (!script.Join()) {
      std::fprintf(stderr, "compare_bench: %s\n", script.Failure().c_str());
      return 1;
    }
    if (seconds < best) best = seconds;
  }
  std::printf("%.4f\n", best);
  return 0;
}
