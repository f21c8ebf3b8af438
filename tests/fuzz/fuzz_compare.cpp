// The comparison loop on arbitrary pairs of files. The first input byte picks
// the columns and the row limit; the rest is split into file 1 and file 2. The
// report must be the header and, in order up to the limit, one row for each
// differing byte as the C runtime's printf writes it; the percentages rise.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "memory_io.h"

namespace {

using namespace zv::compare;

void Check(bool holds) {
  if (!holds) std::abort();
}

std::u16string PrintedRow(std::uint64_t offset, unsigned byte1, unsigned byte2, ReportColumns columns) {
  const char* const format = !columns.hex      ? "%08" PRIX64 "H  %03u   %03u\n"
                             : columns.decimal ? "%08" PRIX64 "H  %03u   %03u   | %02X    %02X\n"
                                               : "%08" PRIX64 "H  %02X    %02X\n";
  char row[64];
  const int length = std::snprintf(row, sizeof row, format, offset, byte1, byte2, byte1, byte2);
  return std::u16string(row, row + length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t settings = data[0];
  const ReportColumns columns{(settings & 1) != 0, (settings & 2) != 0 || (settings & 1) == 0};
  const bool noLimit = (settings & 4) != 0;
  const std::size_t length = (size - 1) / 2;
  const std::uint8_t *file1 = data + 1, *file2 = data + 1 + length;
  const ComparisonRequest request{u"f1", u"f2", length, columns, noLimit, static_cast<std::int8_t>(settings) >> 3};

  MemoryIo io(file1, file2, length, (size & 1) != 0);  // equal blocks known: the settings byte has no bit to spare
  Check(RunComparison(request, io.stop, io) == ComparisonEnd::kFinished);

  std::u16string expected = FormatReportHeader(u"f1", u"f2", columns);
  const std::size_t rowsAtMost = noLimit ? length : static_cast<std::size_t>(std::max(request.maxRows, 1));
  std::size_t rows = 0;
  for (std::size_t i = 0; i < length && rows < rowsAtMost; ++i) {
    if (file1[i] == file2[i]) continue;
    expected += PrintedRow(i, file1[i], file2[i], columns);
    ++rows;
  }
  Check(io.report == expected);
  Check(std::adjacent_find(io.progress.begin(), io.progress.end(), std::greater_equal<int>()) == io.progress.end());
  Check(io.progress.empty() || (io.progress.front() >= 0 && io.progress.back() <= 100));
  Check(!noLimit || (!io.progress.empty() && io.progress.back() == 100));
  return 0;
}
