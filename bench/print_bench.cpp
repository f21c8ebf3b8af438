// Lays a text file out as the print worker will: 80 characters per row, 60 rows
// per page, tab stops of 8, file name, page numbers and row numbers on, every
// command pulled and every row number formatted. The file is read into memory
// before the clock starts, as the host hands the worker its text.
//   print_bench FILE RUNS
// Prints the best time in seconds, the bytes, the pages and the rows.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "bench_file.h"
#include "paginator.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: print_bench FILE RUNS\n");
    return 2;
  }
  const std::vector<std::uint8_t> text = ReadWholeFile(argv[1]);
  if (text.empty()) {
    std::fprintf(stderr, "print_bench: cannot read the text\n");
    return 1;
  }
  using namespace zv::print;
  const PageSettings settings{.rows = {80, 8},
                              .pageLines = 60,
                              .twoColumns = false,
                              .printFileName = true,
                              .printPageNumber = true,
                              .printLineNumbers = true};
  // A4 at 144 units per inch with 20 mm margins and a 10-point font.
  const PageMetrics metrics{.marginLeft = 113,
                            .marginTop = 113,
                            .printWidth = 965,
                            .printHeight = 1457,
                            .rowHeight = 22,
                            .cellWidth = 10,
                            .headerLineHeight = 22,
                            .headerCharWidth = 10};
  const LeadBytes lead = LeadBytes::ShiftJis();
  double best = 1e9;
  std::int64_t pages = 0;
  std::uint64_t rows = 0, checksum = 0;
  for (int run = 0; run < _wtoi(argv[2]); ++run) {
    const double start = Now();
    Paginator paginator(text, settings, metrics, lead);
    LayoutCommand command;
    rows = 0;
    while (paginator.Next(command)) {
      if (command.kind != CommandKind::kRow) continue;
      char digits[5];
      FormatRowNumber(command.rowNumber, digits);
      checksum += digits[4] + command.cells.size() + command.textAt.y;
      ++rows;
    }
    const double seconds = Now() - start;
    pages = command.page;
    if (seconds < best) best = seconds;
  }
  std::printf("%.4f %zu %lld %llu %llu\n", best, text.size(), static_cast<long long>(pages),
              static_cast<unsigned long long>(rows), static_cast<unsigned long long>(checksum % 10));
  return 0;
}
