// The report rows and header, the difference search and the comparison loop,
// with the files and the report in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "block_diff.h"
#include "comparison.h"
#include "report_format.h"

namespace zv::compare {
namespace {

constexpr ReportColumns kBoth{true, true};
constexpr ReportColumns kDecimal{true, false};
constexpr ReportColumns kHex{false, true};

std::u16string Row(std::uint64_t offset, std::uint8_t byte1, std::uint8_t byte2, ReportColumns columns) {
  char16_t row[kMaxRowUnits];
  return std::u16string(row, FormatReportRow(row, offset, byte1, byte2, columns));
}

TEST(ReportFormat, RowsLineUpUnderTheHeader) {
  struct Case {
    std::uint64_t offset;
    std::uint8_t byte1, byte2;
    ReportColumns columns;
    std::u16string expected;
  } const cases[] = {
      {26, 0x41, 0x42, kBoth, u"0000001AH  065   066   | 41    42\n"},
      {26, 0x41, 0x42, kDecimal, u"0000001AH  065   066\n"},
      {26, 0x41, 0x42, kHex, u"0000001AH  41    42\n"},
      {0, 0x80, 0xFF, kBoth, u"00000000H  128   255   | 80    FF\n"},
      {0xFFFFFFFF, 0x00, 0x09, kDecimal, u"FFFFFFFFH  000   009\n"},
      {0x100000000, 0xAB, 0xCD, kHex, u"100000000H  AB    CD\n"},
      {0x1234567890, 7, 200, kBoth, u"1234567890H  007   200   | 07    C8\n"},
      {0xFFFFFFFFFFFFFFFF, 1, 0, kBoth, u"FFFFFFFFFFFFFFFFH  001   000   | 01    00\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Row(c.offset, c.byte1, c.byte2, c.columns), c.expected) << c.offset;
}

TEST(ReportFormat, HeaderNamesBothFilesAndTheColumns) {
  EXPECT_EQ(FormatReportHeader(u"a.bin", u"C:\\データ\\b.bin", kBoth),
            u"File1:a.bin\nFile2:C:\\データ\\b.bin\n           10進表記    | 16進表記\n"
            u"ADDRESS    FILE1 FILE2 | FILE1 FILE2\n");
  EXPECT_EQ(FormatReportHeader(u"a", u"b", kDecimal),
            u"File1:a\nFile2:b\n           10進表記\nADDRESS    FILE1 FILE2\n");
  EXPECT_EQ(FormatReportHeader(u"a", u"b", kHex), u"File1:a\nFile2:b\n           16進表記\nADDRESS    FILE1 FILE2\n");
}

TEST(BlockDiff, FindsEveryPlantedDifferenceAndNothingElse) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> block1(32000);
  for (auto& byte : block1) byte = static_cast<std::uint8_t>(random());
  const std::vector<std::vector<std::size_t>> plantings = {
      {},
      {0},
      {31999},
      {15, 16, 17},
      {63, 64, 65, 127, 128},
      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
      {100, 31990, 31998},
  };
  for (const auto& planted : plantings) {
    for (std::size_t length : {std::size_t{32000}, std::size_t{31999}, std::size_t{70}, std::size_t{1}}) {
      std::vector<std::uint8_t> block2 = block1;
      std::vector<std::size_t> expected;
      for (std::size_t at : planted) {
        block2[at] ^= 0x80;
        if (at < length) expected.push_back(at);
      }
      std::vector<std::size_t> found;
      for (std::size_t i = 0; (i = FindDifference(block1.data(), block2.data(), i, length)) < length; ++i) {
        found.push_back(i);
      }
      EXPECT_EQ(found, expected) << "length " << length << ", " << planted.size() << " planted";
    }
  }
}

// Files and report in memory; the test can fail a read or write, ask the
// comparison to stop once it has reported a given percentage, or hand equal
// blocks over as known to be equal, as a reader that compares them does.
class MemoryIo : public ComparisonIo {
 public:
  MemoryIo(std::vector<std::uint8_t> file1, std::vector<std::uint8_t> file2)
      : file1_(std::move(file1)), file2_(std::move(file2)) {}

  BlockRead ReadBlocks(std::uint32_t length, const std::uint8_t*& block1, const std::uint8_t*& block2) override {
    if (reads_++ == failingRead) return BlockRead::kFailed;
    block1 = file1_.data() + position_;
    block2 = file2_.data() + position_;
    position_ += length;
    return knownEqual && std::memcmp(block1, block2, length) == 0 ? BlockRead::kKnownEqual : BlockRead::kRead;
  }
  bool WriteReport(const char16_t* units, std::size_t count) override {
    if (writes_++ == failingWrite) return false;
    report.append(units, count);
    return true;
  }
  void ReportProgress(int percent) override {
    progress.push_back(percent);
    if (percent == stopAtPercent) stop = 1;
  }

  std::u16string report;
  std::vector<int> progress;
  std::atomic<int> stop{0};
  int stopAtPercent = -1;
  int failingRead = -1;
  int failingWrite = -1;
  bool knownEqual = false;

 private:
  std::vector<std::uint8_t> file1_, file2_;
  std::size_t position_ = 0;
  int reads_ = 0, writes_ = 0;
};

std::vector<int> Range(int first, int last) {
  std::vector<int> values;
  for (int value = first; value <= last; ++value) values.push_back(value);
  return values;
}

std::size_t CountRows(const std::u16string& report) {
  return static_cast<std::size_t>(std::count(report.begin(), report.end(), u'\n')) - 4;
}

TEST(Comparison, WritesRowsAndProgressAsTheUserSeesThem) {
  const std::u16string header = u"File1:1\nFile2:2\n           10進表記\nADDRESS    FILE1 FILE2\n";
  struct Case {
    const char* name;
    std::size_t length1, length2;
    std::vector<std::size_t> differing;  // offsets where file 2 differs
    bool noLimit;
    std::int32_t maxRows;
    std::u16string rows;
    std::vector<int> progress;
  } const cases[] = {
      {"two empty files", 0, 0, {}, true, 0, u"", {100}},
      {"equal common part, longer file 2", 250, 300, {260, 299}, true, 0, u"", {0, 50, 100}},
      {"short file", 50, 50, {0, 49}, true, 0, u"00000000H  000   255\n00000031H  049   206\n", {0, 100}},
      {"limit 3 of 10",
       2000,
       2000,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 1999},
       false,
       3,
       u"00000001H  001   254\n00000002H  002   253\n00000003H  003   252\n",
       {0}},
      {"limit 0 writes one row", 2000, 2000, {500, 600}, false, 0, u"000001F4H  244   011\n", {0, 5, 10, 15, 20}},
      {"negative limit writes one row", 2000, 2000, {0, 1}, false, -7, u"00000000H  000   255\n", {}},
      {"every percent once", 10050, 10050, {}, true, 0, u"", Range(0, 100)},
      {"difference in the last byte of a block and the first of the next",
       64000,
       64000,
       {31999, 32000},
       true,
       0,
       u"00007CFFH  255   000\n00007D00H  000   255\n",
       Range(0, 100)},
  };
  for (const Case& c : cases) {
    for (const bool knownEqual : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (knownEqual ? ", equal blocks known" : ""));
      std::vector<std::uint8_t> file1(c.length1), file2(c.length2);
      for (std::size_t i = 0; i < file1.size(); ++i) file1[i] = static_cast<std::uint8_t>(i);
      for (std::size_t i = 0; i < file2.size(); ++i) file2[i] = static_cast<std::uint8_t>(i);
      for (std::size_t at : c.differing) file2[at] = static_cast<std::uint8_t>(~file2[at]);
      MemoryIo io(file1, file2);
      io.knownEqual = knownEqual;
      ComparisonRequest request{u"1", u"2", std::min(c.length1, c.length2), kDecimal, c.noLimit, c.maxRows};
      EXPECT_EQ(RunComparison(request, io.stop, io), ComparisonEnd::kFinished);
      EXPECT_EQ(io.report, header + c.rows);
      EXPECT_EQ(io.progress, c.progress);
    }
  }
}

TEST(Comparison, StopsKeepsWhatWasFoundAndFailsWithPartialReports) {
  // 64 KiB where every byte differs: about 1.8 MiB of rows, so the report is
  // written in several pieces.
  const std::size_t length = 65536;
  const std::vector<std::uint8_t> zeros(length, 0), ones(length, 1);
  struct Case {
    const char* name;
    int stopAtPercent, failingRead, failingWrite;
    ComparisonEnd end;
    std::size_t minRows, maxRows;  // rows the report must hold
    std::optional<int> lastProgress;
  } const cases[] = {
      {"complete", -1, -1, -1, ComparisonEnd::kFinished, length, length, 100},
      {"stopped at 30%", 30, -1, -1, ComparisonEnd::kFinished, 19701, 19701, 30},
      {"second read fails", -1, 1, -1, ComparisonEnd::kFailed, 32000, 32000, std::nullopt},
      {"second write fails", -1, -1, 1, ComparisonEnd::kFailed, 15000, 15419, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIo io(zeros, ones);
    io.stopAtPercent = c.stopAtPercent;
    io.failingRead = c.failingRead;
    io.failingWrite = c.failingWrite;
    ComparisonRequest request{u"1", u"2", length, kBoth, true, 0};
    EXPECT_EQ(RunComparison(request, io.stop, io), c.end);
    const std::size_t rows = io.report.empty() ? 0 : CountRows(io.report);
    EXPECT_GE(rows, c.minRows);
    EXPECT_LE(rows, c.maxRows);
    if (rows > 0) {
      EXPECT_EQ(io.report.substr(io.report.size() - 34), Row(rows - 1, 0, 1, kBoth));
    }
    if (c.lastProgress) {
      EXPECT_EQ(io.progress.back(), *c.lastProgress);
    }
  }
}

}  // namespace
}  // namespace zv::compare
