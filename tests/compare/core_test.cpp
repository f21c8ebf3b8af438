// The report's rows and header, the comparison loop on files and report in memory, and what the dialog decides.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "compare_form.h"
#include "memory_io.h"
#include "report_format.h"

namespace zv::compare {
namespace {

constexpr ReportColumns kBoth{true, true}, kDecimal{true, false}, kHex{false, true};

TEST(ReportFormat, RowsLineUpUnderTheHeader) {
  const std::tuple<std::uint64_t, std::uint8_t, std::uint8_t, ReportColumns, std::u16string_view> cases[] = {
      {26, 0x41, 0x42, kBoth, u"0000001AH  065   066   | 41    42\n"},
      {26, 0x41, 0x42, kHex, u"0000001AH  41    42\n"},
      {0, 0x80, 0xFF, kBoth, u"00000000H  128   255   | 80    FF\n"},
      {0xFFFFFFFF, 0x00, 0x09, kDecimal, u"FFFFFFFFH  000   009\n"},
      {0x100000000, 0xAB, 0xCD, kHex, u"100000000H  AB    CD\n"},
      {0xFFFFFFFFFFFFFFFF, 1, 0, kBoth, u"FFFFFFFFFFFFFFFFH  001   000   | 01    00\n"},
  };
  for (const auto& [offset, byte1, byte2, columns, expected] : cases) {
    char16_t row[kMaxRowUnits];
    EXPECT_EQ(std::u16string_view(row, FormatReportRow(row, offset, byte1, byte2, columns)), expected) << offset;
  }
  EXPECT_EQ(FormatReportHeader(u"a", u"b", kHex), u"File1:a\nFile2:b\n           16進表記\nADDRESS    FILE1 FILE2\n");
}

TEST(Comparison, WritesRowsAndProgressAsTheUserSeesThem) {
  const std::u16string header = u"File1:1\nFile2:2\n           10進表記\nADDRESS    FILE1 FILE2\n";
  std::vector<int> everyPercent(101);
  std::iota(everyPercent.begin(), everyPercent.end(), 0);
  // Files of i % 256 where file 2 differs at the offsets given; a limit below 0 is none.
  const std::tuple<const char*, std::size_t, std::vector<int>, int, std::u16string_view, std::vector<int>> cases[] = {
      {"two empty files", 0, {}, -1, u"", {100}},
      {"equal files", 250, {}, -1, u"", {0, 50, 100}},
      {"short file", 50, {0, 49}, -1, u"00000000H  000   255\n00000031H  049   206\n", {0, 100}},
      {"limit 2 of 3", 2000, {15, 16, 1999}, 2, u"0000000FH  015   240\n00000010H  016   239\n", {0}},
      {"limit 0 writes one row", 2000, {63, 64}, 0, u"0000003FH  063   192\n", {0}},
      {"every percent once", 10050, {}, -1, u"", everyPercent},
      {"edges", 64000, {31999, 32000}, -1, u"00007CFFH  255   000\n00007D00H  000   255\n", everyPercent},
  };
  for (const auto& [name, length, differing, maxRows, rows, progress] : cases) {
    std::vector<std::uint8_t> file1(length);
    std::iota(file1.begin(), file1.end(), std::uint8_t{0});
    std::vector<std::uint8_t> file2 = file1;
    for (const int at : differing) file2[at] = static_cast<std::uint8_t>(~file2[at]);
    for (const bool knownEqual : {false, true}) {
      SCOPED_TRACE(std::string(name) + (knownEqual ? ", equal blocks known" : ""));
      MemoryIo io(file1.data(), file2.data(), length, knownEqual);
      EXPECT_EQ(RunComparison({u"1", u"2", length, kDecimal, maxRows < 0, maxRows}, io.stop, io),
                ComparisonEnd::kFinished);
      EXPECT_EQ(io.report, header + std::u16string(rows));
      EXPECT_EQ(io.progress, progress);
    }
  }
}

TEST(Comparison, StopsKeepsWhatWasFoundAndFailsWithPartialReports) {
  // 64 KiB where every byte differs: about 1.8 MiB of rows, written in several pieces.
  const std::size_t length = 65536;
  const std::vector<std::uint8_t> zeros(length, 0), ones(length, 1);
  const auto rowsWritten = [&](int MemoryIo::*knob, int at, ComparisonEnd end) {
    MemoryIo io(zeros.data(), ones.data(), length);
    if (knob) io.*knob = at;
    EXPECT_EQ(RunComparison({u"1", u"2", length, kBoth, true, 0}, io.stop, io), end);
    const std::size_t rows = static_cast<std::size_t>(std::count(io.report.begin(), io.report.end(), u'\n')) - 4;
    // The report ends where a row ends.
    EXPECT_EQ(io.report.back(), u'\n');
    return rows;
  };
  EXPECT_EQ(rowsWritten(nullptr, 0, ComparisonEnd::kFinished), length);
  EXPECT_EQ(rowsWritten(&MemoryIo::stopAtPercent, 30, ComparisonEnd::kFinished), 19701u) << "stopped at 30%";
  EXPECT_EQ(rowsWritten(&MemoryIo::failingRead, 1, ComparisonEnd::kFailed), 32000u) << "the second read failed";
  const std::size_t rows = rowsWritten(&MemoryIo::failingWrite, 1, ComparisonEnd::kFailed);
  EXPECT_TRUE(rows >= 15000 && rows < 15420) << rows << " rows before the second write failed";
}

TEST(CompareForm, RefusesTheFirstMissingFieldInTheDialogsOrder) {
  const std::pair<CompareForm, std::u16string_view> cases[] = {
      {{u"", u"", u"", false, false}, u"File1の名前を入力してください"},
      {{u"a", u"", u"", false, false}, u"File2の名前を入力してください"},
      {{u"a", u"b", u"", false, false}, u"出力ファイルの名前を入力してください"},
      {{u"a", u"b", u"out", false, false}, u"10進表記か16進表記をチェックしてください"},
      {{u"a", u"b", u"out", true, false}, u""},
  };
  for (const auto& [form, message] : cases) EXPECT_EQ(FormRefusal(form), message);
}

TEST(CompareForm, ReadsNamesAndTheLimitAsTheRuntimeDoes) {
  const std::u16string_view names[][3] = {
      // folder, path, shown: a file of the host's folder by its bare name
      {u"C:\\work\\", u"C:\\WORK\\a.bin", u"a.bin"},
      {u"C:\\work\\", u"C:\\work\\sub\\a.bin", u"C:\\work\\sub\\a.bin"},
      {u"C:\\ｗork\\", u"C:\\Ｗork\\a.bin", u"C:\\Ｗork\\a.bin"},  // the runtime folds ASCII letters only
      {u"", u"C:\\work\\a.bin", u"C:\\work\\a.bin"},
      {u"C:\\work\\", u"C:\\work\\", u"C:\\work\\"},
      {u"C:\\work", u"C:\\workshop.bin", u"shop.bin"},
  };
  for (const auto& c : names) EXPECT_EQ(NameInDirectory(c[0], c[1]), c[2]);
  const std::pair<std::u16string_view, std::int32_t> limits[] = {{u"", 0},
                                                                 {u"12abc", 12},
                                                                 {u" \t+7", 7},
                                                                 {u"- 5", 0},
                                                                 {u"\u3000１２", 12},
                                                                 {u"\u0663\u0664", 34},
                                                                 {u"2147483648", 2147483647},
                                                                 {u"99999999999999999999", 2147483647},
                                                                 {u"-2147483649", -2147483647 - 1}};
  for (const auto& [text, limit] : limits) EXPECT_EQ(ReadRowLimit(text), limit);
}

}  // namespace
}  // namespace zv::compare
