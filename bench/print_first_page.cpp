// Times the print as the host runs it: ZvPrintTextDlg on a text read into
// memory, 印刷 pressed by a watcher thread, the clock running from the click
// until the worker's first EndPage returns; then 中止, timed until the export
// returns. EndPage is watched through ZvDll.dll's import table, so the
// library runs unchanged.
//   print_first_page FILE
// Prints the milliseconds to the first page, the milliseconds from 中止 to the
// dialog's end, and the pages finished by then.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "bench_file.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"
#include "print_host.h"
#include "print_ids.h"

namespace {

std::atomic<double> g_firstPageEnd{0};
std::atomic<int> g_pagesEnded{0};
int(WINAPI* g_endPage)(HDC) = nullptr;

int WINAPI TimedEndPage(HDC dc) {
  const int result = g_endPage(dc);
  if (g_pagesEnded++ == 0) g_firstPageEnd = Now();
  return result;
}

// Points the module's import of gdi32's EndPage at TimedEndPage.
bool WatchEndPage(HMODULE module) {
  g_endPage = zvtest::ReplaceImport(module, "gdi32.dll", "EndPage", &TimedEndPage);
  return g_endPage != nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: print_first_page FILE\n");
    return 2;
  }
  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  const auto print = zvtest::GetExport<void(WINAPI*)(PRINTTEXTPARAM*)>(library, "ZvPrintTextDlg");
  if (!print || !WatchEndPage(library)) {
    std::fprintf(stderr, "print_first_page: ZvDll.dll, its ZvPrintTextDlg export or its EndPage import is missing\n");
    return 1;
  }
  const std::vector<std::uint8_t> text = ReadWholeFile(argv[1]);
  if (text.empty()) {
    std::fprintf(stderr, "print_first_page: cannot read the text\n");
    return 1;
  }
  // The host's settings: ＭＳ ゴシック at 10 points, 80 characters, 20 mm margins,
  // file name, page numbers and row numbers; 54 lines.
  zvtest::PrintHost host;
  host.lineNumbers = TRUE;
  host.text.assign(text.begin(), text.end());
  PRINTTEXTPARAM record = host.Record(L"bench-first-page.txt");

  std::atomic<double> clicked{0}, stopped{0};
  zvtest::UiScript script(
      [&] {
        HWND dlg = zvtest::RequireDialog(L"テキストの印刷");
        zvtest::Require(zvtest::SetText(dlg, IDC_PRINT_PAGE_LINES, L"54"), "54 lines");
        zvtest::Require(zvtest::Click(dlg, IDC_PRINT_FILE_NAME) && zvtest::Click(dlg, IDC_PRINT_PAGE_NUMBER),
                        "header and footer");
        zvtest::Require(zvtest::WaitForCondition([&] { return zvtest::IsChecked(dlg, IDC_PRINT_PAGE_NUMBER); }),
                        "options set");
        clicked = Now();
        zvtest::Require(zvtest::Click(dlg, IDOK), "印刷");
        zvtest::Require(zvtest::WaitForCondition([&] { return g_pagesEnded > 0; }, 30000), "no page within 30 s");
        stopped = Now();
        zvtest::Require(zvtest::Click(dlg, IDC_PRINT_STOP), "中止");
      },
      120000);
  print(&record);
  const double ended = Now();
  if (!script.Join()) {
    std::fprintf(stderr, "print_first_page: %s\n", script.Failure().c_str());
    return 1;
  }
  std::printf("%.1f %.1f %d\n", (g_firstPageEnd - clicked) * 1000, (ended - stopped) * 1000, g_pagesEnded.load());
  return 0;
}
