// Rows cut from Shift-JIS text, pages and columns, positions on the page, row
// numbers and progress. Rows are written out as "[cells]" followed by what
// ended them: "/" a line end, ">" a wrap, "F" a form feed, "." the end of text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "paginator.h"

namespace zv::print {
namespace {

using namespace std::string_view_literals;

Text Bytes(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

std::string Cells(std::span<const std::uint8_t> cells) { return {cells.begin(), cells.end()}; }

std::string AllRows(std::string_view text, int lineChars, int tabColumns, const LeadBytes& lead) {
  RowReader reader(Bytes(text), {lineChars, tabColumns}, lead);
  std::string out;
  for (RowEnd end = RowEnd::kLineEnd; end != RowEnd::kEndOfText && out.size() < 4096;) {
    const RowReader::Row row = reader.Read();
    end = row.end;
    out += "[" + Cells(row.cells) + "]" + "/>F."[static_cast<int>(end)];
  }
  EXPECT_EQ(reader.Position(), text.size());
  return out;
}

TEST(RowReader, CutsRows) {
  const LeadBytes sjis = LeadBytes::ShiftJis();
  const LeadBytes none = LeadBytes::From([](std::uint8_t) { return false; });
  struct Case {
    std::string_view text;
    int lineChars, tabColumns;
    const LeadBytes& lead;
    std::string expected;
  } const cases[] = {
      {"a\n\nb", 10, 8, sjis, "[a]/[]/[b]."},
      {"a\r\nb\rc\nd", 10, 8, sjis, "[a]/[b]/[c]/[d]."},
      {"a\r\rb", 10, 8, sjis, "[a]/[]/[b]."},
      {"\tx", 20, 8, sjis, "[        x]."},
      {"abcde\tx", 20, 8, sjis, "[abcde   x]."},
      {"a\tb", 20, 1, sjis, "[a b]."},
      {"ab\tc", 4, 8, sjis, "[ab      ]>[c]."},
      {"\tx", 80, 100, sjis, "[" + std::string(100, ' ') + "]>[x]."},
      {"\tx", 80, 500, sjis, "[" + std::string(100, ' ') + "]>[x]."},
      {"a\tb", 20, 0, sjis, "[a b]."},
      {"abc\nd", 3, 8, sjis, "[abc]>[]/[d]."},
      {"abcdefg", 3, 8, sjis, "[abc]>[def]>[g]."},
      {"ab", 0, 8, sjis, "[a]>[b]."},
      {"ab", -5, 8, sjis, "[a]>[b]."},
      // A double-byte character never takes the last cell alone.
      {"abc\x82\xa0", 4, 8, sjis, "[abc]>[\x82\xa0]."},
      {"a\x82\xa0", 2, 8, sjis, "[a]>[\x82\xa0]."},
      {"a\x82\xa0", 3, 8, sjis, "[a\x82\xa0]."},
      {"\x82\xa0\x82\xa1", 1, 8, sjis, "[\x82\xa0]>[\x82\xa1]."},
      {"\x82\xa0\x82\xa1", 1, 8, none, "[\x82]>[\xa0]>[\x82]>[\xa1]."},
      {"\x81\x81x", 3, 8, sjis, "[\x81\x81x]."},
      // A lead byte takes whatever follows it, even a line end.
      {"\x82\nb", 10, 8, sjis, "[\x82\nb]."},
      {"ab\x82", 10, 8, sjis, "[ab\x82]."},
      {"ab\x82", 3, 8, sjis, "[ab]>[\x82]."},
      {"a\0b\x01\n"sv, 10, 8, sjis, std::string("[a\0b\x01].", 7)},
      {"a\fb", 10, 8, sjis, "[a]F[b]."},
      {"\f\f", 10, 8, sjis, "[]F[]."},
      {"a\f", 10, 8, sjis, "[a]."},
      {"a\r", 10, 8, sjis, "[a]."},
      {"", 10, 8, sjis, "[]."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AllRows(c.text, c.lineChars, c.tabColumns, c.lead), c.expected)
        << "text \"" << c.text << "\" width " << c.lineChars << " tab " << c.tabColumns;
  }
}

TEST(RowReader, WalksTheCharactersOfARow) {
  RowReader reader(Bytes("a\x82\xa0\tb\x82"), {20, 4}, LeadBytes::ShiftJis());
  const auto cells = reader.Read().cells;
  std::string lengths;
  for (std::size_t i = 0; i < cells.size(); i += reader.CharacterLength(cells, i)) {
    lengths += std::to_string(reader.CharacterLength(cells, i));
  }
  EXPECT_EQ(lengths, "12111");
}

TEST(RowReader, MebibyteLineWrapsWithoutLosingBytes) {
  std::string line;
  for (int i = 0; i < (1 << 19); ++i) line += "\x82\xa0";
  // 40 characters fill 80 cells; with 79 cells, 39 characters and an empty last cell.
  const struct {
    int lineChars;
    std::size_t rows;
  } cases[] = {{80, 13108}, {79, 13444}, {std::numeric_limits<int>::max(), 1}};
  for (const auto& c : cases) {
    RowReader reader(Bytes(line), {c.lineChars, 8}, LeadBytes::ShiftJis());
    std::size_t rows = 0, cells = 0;
    for (RowEnd end = RowEnd::kWrapped; end != RowEnd::kEndOfText; ++rows) {
      const RowReader::Row row = reader.Read();
      end = row.end;
      cells += row.cells.size();
      ASSERT_LE(row.cells.size(), static_cast<std::size_t>(c.lineChars));
      ASSERT_EQ(row.cells.size() % 2, 0u);
    }
    EXPECT_EQ(cells, line.size());
    EXPECT_EQ(rows, c.rows) << c.lineChars;
  }
}

// One page as "<N" ("<Ns" when skipped, "H" with the file name), rows as
// number'cells', "|" the column break, ">" the page end ("F" with the footer,
// "." the last page).
std::string Pages(std::string_view text, const PageSettings& settings) {
  Paginator paginator(Bytes(text), settings, PageMetrics{}, LeadBytes::ShiftJis());
  std::string out;
  LayoutCommand c;
  for (int commands = 0; paginator.Next(c) && commands < 1000; ++commands) {
    switch (c.kind) {
      case CommandKind::kPageStart:
        out += "<" + std::to_string(c.page) + (c.printed ? "" : "s") + (c.decorated ? "H " : " ");
        break;
      case CommandKind::kRow:
        out += std::to_string(c.rowNumber) + "'" + Cells(c.cells) + "' ";
        break;
      case CommandKind::kColumnBreak:
        out += "| ";
        break;
      case CommandKind::kPageEnd:
        out += std::string(">") + (c.decorated ? "F" : "") + (c.lastPage ? "." : " ");
        break;
    }
  }
  return out;
}

TEST(Paginator, FillsColumnsAndPages) {
  const PageSettings one{.rows = {10, 8}, .pageLines = 2};
  const PageSettings two{.rows = {10, 8}, .pageLines = 2, .twoColumns = true};
  const PageSettings threeTall{.rows = {10, 8}, .pageLines = 3, .twoColumns = true};
  const PageSettings single{.rows = {10, 8}, .pageLines = 1};
  const PageSettings range{.rows = {10, 8},
                           .pageLines = 1,
                           .printFileName = true,
                           .printPageNumber = true,
                           .pageRange = true,
                           .firstPage = 3,
                           .lastPage = 4};
  const PageSettings zeroLines{.rows = {10, 8}, .pageLines = 0};
  struct Case {
    std::string_view text;
    const PageSettings& settings;
    std::string expected;
  } const cases[] = {
      {"a\nb\nc", one, "<1 0'a' 1'b' > <2 2'c' >."},
      {"a\nb\nc\nd\ne", two, "<1 0'a' 1'b' | 2'c' 3'd' > <2 4'e' >."},
      {"a\fb\fc", threeTall, "<1 0'a' | 1'b' > <2 2'c' >."},
      {"a\fb", one, "<1 0'a' > <2 1'b' >."},
      {"a", two, "<1 0'a' >."},
      {"a\nb", one, "<1 0'a' 1'b' >."},
      {"a\nb\n", one, "<1 0'a' 1'b' >."},
      {"a\n\fb", single, "<1 0'a' > <2 1'' > <3 2'b' >."},
      {"abcdefghijkl", single, "<1 0'abcdefghij' > <2 1'kl' >."},
      {"", two, "<1 0'' >."},
      {"\f\f\f", one, "<1 0'' > <2 1'' > <3 2'' >."},
      {"\f\f\f", two, "<1 0'' | 1'' > <2 2'' >."},
      {"a\nb\nc\nd\ne\nf", range, "<1s 0'a' > <2s 1'b' > <3H 2'c' >F <4H 3'd' >F <5s 4'e' > <6s 5'f' >."},
      {"a\nb", zeroLines, "<1 0'a' > <2 1'b' >."},
  };
  for (const Case& c : cases) EXPECT_EQ(Pages(c.text, c.settings), c.expected) << c.text;
}

// Rows of printed pages as (x,y text-x), the header as H(x,y), the footer as
// F(x,y)text.
std::string Positions(std::string_view text, const PageSettings& settings) {
  const PageMetrics metrics{.marginLeft = 100,
                            .marginTop = 200,
                            .printWidth = 1000,
                            .printHeight = 1500,
                            .rowHeight = 30,
                            .cellWidth = 12,
                            .headerLineHeight = 40,
                            .headerCharWidth = 14};
  Paginator paginator(Bytes(text), settings, metrics, LeadBytes::ShiftJis());
  std::string out;
  const auto at = [&](Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); };
  for (LayoutCommand c; paginator.Next(c);) {
    if (c.kind == CommandKind::kRow && c.printed) out += "(" + at(c.rowAt) + " " + std::to_string(c.textAt.x) + ")";
    if (c.kind == CommandKind::kPageStart && c.decorated) out += "H(" + at(c.decorationAt) + ")";
    if (c.kind == CommandKind::kPageEnd && c.decorated) out += "F(" + at(c.decorationAt) + ")" + c.footer;
  }
  return out;
}

TEST(Paginator, PlacesRowsHeaderAndFooter) {
  struct Case {
    std::string_view text;
    PageSettings settings;
    std::string expected;
  } const cases[] = {
      {"a\nb", {.rows = {}, .pageLines = 2}, "(100,200 100)(100,230 100)"},
      {"a\nb", {.rows = {}, .pageLines = 2, .printFileName = true}, "H(100,200)(100,280 100)(100,310 100)"},
      {"a\nb\nc\nd",
       {.rows = {}, .pageLines = 2, .twoColumns = true, .printLineNumbers = true},
       "(100,200 172)(100,230 172)(612,200 684)(612,230 684)"},
      {"a", {.rows = {}, .pageLines = 1, .printPageNumber = true}, "(100,200 100)F(579,1660)-1-"},
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10",
       {.rows = {}, .pageLines = 1, .printPageNumber = true, .pageRange = true, .firstPage = 10, .lastPage = 10},
       "(100,200 100)F(572,1660)-10-"},
  };
  for (const Case& c : cases) EXPECT_EQ(Positions(c.text, c.settings), c.expected) << c.text;
}

TEST(Paginator, RowNumbersAndProgress) {
  struct Number {
    std::uint64_t number;
    std::string_view digits;
  } const numbers[] = {{0, "00000"},      {42, "00042"},     {99999, "99999"},
                       {100000, "10000"}, {123456, "12345"}, {std::numeric_limits<std::uint64_t>::max(), "18446"}};
  for (const Number& n : numbers) {
    char digits[5];
    FormatRowNumber(n.number, digits);
    EXPECT_EQ(std::string_view(digits, 5), n.digits);
  }
  struct Progress {
    std::uint64_t consumed, size;
    int percent;
  } const progress[] = {{0, 0, 100},           {0, 10, 0},
                        {5, 10, 50},           {1, 3, 33},
                        {10, 10, 100},         {167772, 16777214, 0},
                        {167772, 16777299, 1}, {2147483647, 2147483647, 100}};
  for (const Progress& p : progress) EXPECT_EQ(ProgressPercent(p.consumed, p.size), p.percent) << p.consumed;
}

}  // namespace
}  // namespace zv::print
