// Rows cut from Shift-JIS text, pages and columns, positions on the page, row
// numbers, progress, and the print dialog's limits and refusals.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "page_limits.h"
#include "paginator.h"

namespace zv::print {
namespace {

Text Bytes(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

// Each row as "[cells]" and what ended it: "/" a line end, ">" a wrap, "F" a
// form feed, "." the end of the text.
std::string Rows(std::string_view text, int lineChars, int tabColumns, const LeadBytes& lead = LeadBytes::ShiftJis()) {
  RowReader reader(Bytes(text), {lineChars, tabColumns}, lead);
  std::string out;
  for (RowEnd end = RowEnd::kLineEnd; end != RowEnd::kEndOfText && out.size() < 8192;) {
    const RowReader::Row row = reader.Read();
    out += "[" + std::string(row.cells.begin(), row.cells.end()) + "]" + "/>F."[static_cast<int>(end = row.end)];
  }
  EXPECT_EQ(reader.Position(), text.size());
  return out;
}

TEST(RowReader, CutsRows) {
  EXPECT_EQ(Rows("a\n\nb\r\nc\rd\r\re\nf", 10, 8), "[a]/[]/[b]/[c]/[d]/[]/[e]/[f].");
  EXPECT_EQ(Rows("abcde\tx", 20, 8), "[abcde   x].");
  EXPECT_EQ(Rows("ab\tc", 4, 8), "[ab      ]>[c].");
  EXPECT_EQ(Rows("\tx", 80, 500), "[" + std::string(100, ' ') + "]>[x].");
  EXPECT_EQ(Rows("abc\nd", 3, 8), "[abc]>[]/[d].");
  EXPECT_EQ(Rows(std::string(5000, 'w'), INT_MAX, 8), "[" + std::string(5000, 'w') + "].");
  EXPECT_EQ(Rows(std::string_view("a\0b\x01\n", 5), 10, 8), std::string("[a\0b\x01].", 7));
  EXPECT_EQ(Rows("a\fb\f", 10, 8), "[a]F[b]F[].");
  EXPECT_EQ(Rows("", 10, 8), "[].");
  // A double-byte character never takes the last cell alone, and takes
  // whatever byte follows it, even a line end.
  EXPECT_EQ(Rows("abc\x82\xa0", 4, 8), "[abc]>[\x82\xa0].");
  EXPECT_EQ(Rows("\x82\xa0\x82\xa1", 1, 8), "[\x82\xa0]>[\x82\xa1].");
  EXPECT_EQ(Rows("\x82\xa0", 1, 8, LeadBytes::From([](std::uint8_t) { return false; })), "[\x82]>[\xa0].");
  EXPECT_EQ(Rows("\x82\nb", 10, 8), "[\x82\nb].");
  EXPECT_EQ(Rows("ab\x82", 3, 8), "[ab]>[\x82].");
}

// Pages as "<N" ("<Ns" skipped, "H" with the file name), rows as number'cells',
// "|" the column break, ">" the page end ("F" with the footer, "." the last);
// with metrics, the header "H@x,y", rows "@x,y+text-x", the footer "F@x,y-N-".
std::string Pages(std::string_view text, const PageSettings& settings, const PageMetrics& metrics = {}) {
  Paginator paginator(Bytes(text), settings, metrics, LeadBytes::ShiftJis());
  LayoutCommand c;
  const auto at = [&](Point p, std::string more = "") {
    return metrics.rowHeight && c.printed ? "@" + std::to_string(p.x) + "," + std::to_string(p.y) + more : "";
  };
  std::string out;
  for (int commands = 0; paginator.Next(c) && commands < 1000; ++commands) {
    if (c.kind == CommandKind::kPageStart) {
      out += "<" + std::to_string(c.page) + (c.printed ? "" : "s") + (c.decorated ? "H" + at(c.decorationAt) : "");
    } else if (c.kind == CommandKind::kRow) {
      out += " " + std::to_string(c.rowNumber) + "'" + std::string(c.cells.begin(), c.cells.end()) + "'" +
             at(c.rowAt, "+" + std::to_string(c.textAt.x));
    } else if (c.kind == CommandKind::kColumnBreak) {
      out += " |";
    } else {
      out += std::string(" >") + (c.decorated ? "F" + at(c.decorationAt) + c.footer : "") + (c.lastPage ? "." : " ");
    }
  }
  return out;
}

TEST(Paginator, FillsColumnsAndPages) {
  const PageSettings one{.rows = {}, .pageLines = 2}, two{.rows = {}, .pageLines = 2, .twoColumns = true};
  const PageSettings narrow{.rows = {10, 8}, .pageLines = 1};
  EXPECT_EQ(Pages("a\nb\nc", one), "<1 0'a' 1'b' > <2 2'c' >.");
  EXPECT_EQ(Pages("a\nb\nc\nd\ne", two), "<1 0'a' 1'b' | 2'c' 3'd' > <2 4'e' >.");
  EXPECT_EQ(Pages("a\fb\fc\fd", two), "<1 0'a' | 1'b' > <2 2'c' | 3'd' >.");
  EXPECT_EQ(Pages("a\fb", one), "<1 0'a' > <2 1'b' >.");
  EXPECT_EQ(Pages("a\nb\n", one), "<1 0'a' 1'b' >.");
  EXPECT_EQ(Pages("a\n\fb", narrow), "<1 0'a' > <2 1'' > <3 2'b' >.");
  EXPECT_EQ(Pages("abcdefghijkl", narrow), "<1 0'abcdefghij' > <2 1'kl' >.");
  EXPECT_EQ(Pages("", two), "<1 0'' >.");
  EXPECT_EQ(Pages("\f\f\f", one), "<1 0'' > <2 1'' > <3 2'' > <4 3'' >.");
  EXPECT_EQ(Pages("a\f", two), "<1 0'a' | 1'' >.");
  PageSettings range{.rows = {}, .pageLines = 1, .pageRange = true, .firstPage = 3, .lastPage = 4};
  range.printFileName = range.printPageNumber = true;
  EXPECT_EQ(Pages("a\nb\nc\nd\ne\nf", range),
            "<1s 0'a' > <2s 1'b' > <3H 2'c' >F-3- <4H 3'd' >F-4- <5s 4'e' > <6s 5'f' >.");
}

TEST(Paginator, PlacesRowsHeaderAndFooter) {
  // Margins 100 and 200, printable 1000 by 1500, rows 30 by 12, header lines 40 by 14.
  const PageMetrics metrics{100, 200, 1000, 1500, 30, 12, 40, 14};
  EXPECT_EQ(Pages("a\nb", {.rows = {}, .pageLines = 2, .printFileName = true}, metrics),
            "<1H@100,200 0'a'@100,280+100 1'b'@100,310+100 >.");
  EXPECT_EQ(Pages("a\nb\nc\nd", {.rows = {}, .pageLines = 2, .twoColumns = true, .printLineNumbers = true}, metrics),
            "<1 0'a'@100,200+172 1'b'@100,230+172 | 2'c'@612,200+684 3'd'@612,230+684 >.");
  // The footer "-N-" is centred in the header font.
  const PageSettings tenth{
      .rows = {}, .pageLines = 1, .printPageNumber = true, .pageRange = true, .firstPage = 10, .lastPage = 10};
  EXPECT_EQ(Pages(std::string(9, '\f') + "x", tenth, metrics),
            "<1s 0'' > <2s 1'' > <3s 2'' > <4s 3'' > <5s 4'' > <6s 5'' > <7s 6'' > <8s 7'' > <9s 8'' > <10 "
            "9'x'@100,200+100 >F@572,1660-10-.");
}

std::string Join(std::initializer_list<std::int64_t> values) {
  std::string out;
  for (std::int64_t value : values) out += std::to_string(value) + " ";
  return out;
}

TEST(Paginator, RowNumbersAndProgress) {
  std::string numbers;
  for (std::uint64_t number : std::initializer_list<std::uint64_t>{0, 42, 99999, 123456, UINT64_MAX}) {
    char digits[5];
    FormatRowNumber(number, digits);
    numbers.append(digits, 5) += ' ';
  }
  EXPECT_EQ(numbers, "00000 00042 99999 12345 18446 ");
  // From 0xFFFFFF bytes on, the size is divided first.
  EXPECT_EQ(Join({ProgressPercent(0, 0), ProgressPercent(1, 3), ProgressPercent(167772, 16777214),
                  ProgressPercent(167772, 16777299), ProgressPercent(INT_MAX, INT_MAX)}),
            "100 33 0 1 100 ");
}

// The PDF printer's A4 at 300 dpi (1189 × 1683 units), 20 mm margins and VL
// Gothic at 10 points (25 units a line, 10 a character, the bold header 25)
// as change leaves them: margins left, top, right, bottom, printable width,
// height, most characters, lines.
std::string A4(void (*change)(LimitInputs&)) {
  LimitInputs in{2479, 3508, 8467, 8467, 20, 20, 20, 20, 25, 10, 25};
  change(in);
  const PageLimits l = ComputeLimits(in);
  return Join({l.marginLeft, l.marginTop, l.marginRight, l.marginBottom, l.printWidth, l.printHeight, l.maxLineChars,
               l.maxPageLines});
}

TEST(PageLimits, LargestRowsAndLinesThatFit) {
  EXPECT_EQ(A4([](auto&) {}), "113 113 113 113 963 1457 96 58 ");
  EXPECT_EQ(A4([](auto& in) { in.twoColumns = in.lineNumbers = true; }), "113 113 113 113 963 1457 41 58 ");
  EXPECT_EQ(A4([](auto& in) { in.fileName = in.pageNumber = true; }), "113 113 113 113 963 1457 96 54 ");
  EXPECT_EQ(A4([](auto& in) { in.marginLeft = in.marginRight = INT_MAX; }),
            "2147483647 113 2147483647 113 -2147483648 1457 -214748364 58 ");
  // A font the driver could not measure: 12 units a line, 6 a character.
  EXPECT_EQ(A4([](auto& in) { in.bodyLineHeight = in.bodyCharWidth = 0; }), "113 113 113 113 963 1457 160 121 ");
  EXPECT_EQ(A4([](auto& in) { in.headerLineHeight = -1, in.fileName = true; }), "113 113 113 113 963 1457 96 57 ");
  EXPECT_EQ(A4([](auto& in) { in.headerLineHeight = 0, in.fileName = in.pageNumber = true; }),
            "113 113 113 113 963 1457 96 58 ");
  const UnitExtents e = ExtentsFor(8467, 8466);
  EXPECT_EQ(Join({e.windowX, e.viewportX, e.windowY, e.viewportY}), "76203 158750 38097 79375 ");
}

TEST(PageLimits, RefusesInTheOrderOfTheFields) {
  const auto said = [](PrintChoice choice) {
    const wchar_t* refusal = RefusalOf(choice, {.maxLineChars = 96, .maxPageLines = 58});
    return std::wstring(refusal ? refusal : L"");
  };
  const std::wstring chars = L"一行の文字数が不正です", lines = L"１ページの行数が不正です",
                     range = L"ページの設定が不正です", tabs = L"タブカラム数が不正です";
  // Characters, lines, page range (only when on) from first to last, tab columns.
  EXPECT_EQ(said({96, 58, false, 0, 0, 8}) + said({1, 1, true, 2, 2, 1}) + said({96, 58, false, 3, 2, 100}), L"");
  EXPECT_EQ(said({97, 1, false, 0, 0, 8}) + said({0, 0, true, 0, 0, 0}), chars + chars);
  EXPECT_EQ(said({96, 0, false, 0, 0, 8}) + said({96, 59, true, 0, 0, 0}), lines + lines);
  EXPECT_EQ(said({96, 58, true, 0, 2, 8}) + said({96, 58, true, 3, 2, 0}), range + range);
  EXPECT_EQ(said({96, 58, false, 3, 2, 0}) + said({96, 58, false, 0, 0, 101}), tabs + tabs);
}

}  // namespace
}  // namespace zv::print
