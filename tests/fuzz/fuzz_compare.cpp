// The comparison loop on arbitrary pairs of files. The first input byte picks
// the columns and the row limit; the rest is split into file 1 and file 2.
// Every row of the report is read back: it must name a differing offset in
// ascending order with the two bytes found there, and no difference may be
// missing before the limit.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "block_diff.h"
#include "comparison.h"

namespace {

using namespace zv::compare;

void Check(bool holds) {
  if (!holds) std::abort();
}

class MemoryIo : public ComparisonIo {
 public:
  MemoryIo(const std::uint8_t* file1, const std::uint8_t* file2) : file1_(file1), file2_(file2) {}
  BlockRead ReadBlocks(std::uint32_t length, const std::uint8_t*& block1, const std::uint8_t*& block2) override {
    block1 = file1_ + position_;
    block2 = file2_ + position_;
    position_ += length;
    // A reader that compares what it reads hands equal blocks over as such.
    return knownEqual && std::memcmp(block1, block2, length) == 0 ? BlockRead::kKnownEqual : BlockRead::kRead;
  }
  bool WriteReport(const char16_t* units, std::size_t count) override {
    report.append(units, count);
    return true;
  }
  void ReportProgress(int percent) override {
    Check(percent > lastPercent && percent <= 100);
    lastPercent = percent;
  }
  std::u16string report;
  int lastPercent = -1;
  bool knownEqual = false;

 private:
  const std::uint8_t *file1_, *file2_;
  std::size_t position_ = 0;
};

// Reads hex digits up to stop; returns the value and moves at past them.
std::uint64_t ReadHex(const std::u16string& text, std::size_t& at, std::size_t digits) {
  std::uint64_t value = 0;
  for (std::size_t end = at + digits; at < end; ++at) {
    const char16_t c = text[at];
    Check((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
    value = value * 16 + (c <= u'9' ? c - u'0' : c - u'A' + 10);
  }
  return value;
}

std::uint64_t ReadDecimal(const std::u16string& text, std::size_t& at) {
  std::uint64_t value = 0;
  for (std::size_t end = at + 3; at < end; ++at) {
    Check(text[at] >= u'0' && text[at] <= u'9');
    value = value * 10 + (text[at] - u'0');
  }
  return value;
}

void Expect(const std::u16string& text, std::size_t& at, std::u16string_view piece) {
  Check(text.compare(at, piece.size(), piece) == 0);
  at += piece.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t settings = data[0];
  const ReportColumns columns{(settings & 1) != 0, (settings & 2) != 0 || (settings & 1) == 0};
  const bool noLimit = (settings & 4) != 0;
  const std::int32_t maxRows = static_cast<std::int8_t>(settings) >> 3;
  const std::size_t length = (size - 1) / 2;
  const std::uint8_t* file1 = data + 1;
  const std::uint8_t* file2 = data + 1 + length;

  MemoryIo io(file1, file2);
  io.knownEqual = (size & 1) != 0;  // the settings byte has no bit to spare
  std::atomic<int> stop{0};
  const ComparisonRequest request{u"f1", u"f2", length, columns, noLimit, maxRows};
  Check(RunComparison(request, stop, io) == ComparisonEnd::kFinished);
  Check(io.lastPercent == 100 || !noLimit);

  const std::u16string& report = io.report;
  std::size_t at = FormatReportHeader(u"f1", u"f2", columns).size();
  Check(report.compare(0, at, FormatReportHeader(u"f1", u"f2", columns)) == 0);
  std::size_t expectedOffset = 0, rows = 0;
  while (at < report.size()) {
    const std::size_t addressEnd = report.find(u'H', at);
    Check(addressEnd != std::u16string::npos && addressEnd - at >= 8 && addressEnd - at <= 16);
    const std::uint64_t offset = ReadHex(report, at, addressEnd - at);
    Check(offset < length && offset >= expectedOffset);
    // The row must be the next difference: nothing may be skipped.
    Check(FindDifference(file1, file2, expectedOffset, length) == offset);
    Expect(report, at, u"H  ");
    if (columns.decimal) {
      Check(ReadDecimal(report, at) == file1[offset]);
      Expect(report, at, u"   ");
      Check(ReadDecimal(report, at) == file2[offset]);
      if (columns.hex) Expect(report, at, u"   | ");
    }
    if (columns.hex) {
      Check(ReadHex(report, at, 2) == file1[offset]);
      Expect(report, at, u"    ");
      Check(ReadHex(report, at, 2) == file2[offset]);
    }
    Expect(report, at, u"\n");
    expectedOffset = offset + 1;
    ++rows;
  }
  if (noLimit || rows < static_cast<std::size_t>(maxRows > 0 ? maxRows : 1)) {
    Check(FindDifference(file1, file2, expectedOffset, length) == length);
  } else {
    Check(rows == static_cast<std::size_t>(maxRows > 0 ? maxRows : 1));
  }
  return 0;
}
