// The page layout on arbitrary settings and metrics (the first 14 bytes) and
// text (the rest): pages in order, every byte used up once and in order, rows
// within their width, and an end, as every row takes a byte but the empty last
// one of an empty text or of a text that ends with a form feed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "paginator.h"

namespace {

using namespace zv::print;

void Check(bool holds) {
  if (!holds) std::abort();
}

// The bytes the rows carry as they are: blanks and controls aside.
void Keep(std::span<const std::uint8_t> bytes, std::string& kept) {
  for (std::uint8_t byte : bytes) {
    if (byte != '\t' && byte != '\n' && byte != '\f' && byte != '\r' && byte != ' ') kept += static_cast<char>(byte);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 14) return 0;
  const auto big = [](std::uint8_t byte) { return byte == 0xFF ? std::numeric_limits<int>::max() : byte; };
  const auto bit = [flags = data[3]](int n) { return (flags >> n & 1) != 0; };
  const auto signed8 = [](std::uint8_t byte) { return static_cast<int>(static_cast<std::int8_t>(byte)); };
  PageSettings settings{RowSettings(), big(data[2]), bit(0),           bit(1),          bit(2),
                        bit(3),        bit(4),       signed8(data[4]), signed8(data[5])};
  settings.rows = {big(data[0]), data[1]};
  // Extreme metrics, to reach the position arithmetic's limits.
  int m[8];
  for (int i = 0; i < 8; ++i) m[i] = static_cast<int>(static_cast<std::uint32_t>(data[6 + i]) << 24);
  const Text text(data + 14, size - 14);
  const int leads = data[3] >> 5 & 3;  // Shift-JIS, none, every byte, odd bytes
  const LeadBytes lead = leads == 0 ? LeadBytes::ShiftJis() : LeadBytes::From([leads](std::uint8_t byte) {
    return leads == 2 || (leads == 3 && (byte & 1) != 0);
  });
  Paginator paginator(text, settings, {m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7]}, lead);
  const std::size_t lineChars = static_cast<std::size_t>(std::max(settings.rows.lineChars, 1));
  const std::size_t widest = static_cast<std::size_t>(std::clamp<int>(settings.rows.tabColumns, 2, 100));

  std::string kept, expected;
  std::int64_t page = 0;
  std::size_t rows = 0, consumed = 0;
  int rowsInColumn = 0, column = 0;
  RowEnd lastEnd = RowEnd::kFormFeed;  // the text starts as if after a form feed
  bool inPage = false, ended = false;
  for (LayoutCommand c; paginator.Next(c);) {
    Check(!ended);
    if (c.kind == CommandKind::kPageStart) {
      Check(!inPage && c.page == ++page);
      Check(c.printed == (!settings.pageRange || (page >= settings.firstPage && page <= settings.lastPage)));
      inPage = true;
      column = rowsInColumn = 0;
    } else if (c.kind == CommandKind::kColumnBreak) {
      Check(inPage && settings.twoColumns && column == 0 && c.column == 1 && rowsInColumn > 0);
      column = 1;
      rowsInColumn = 0;
    } else if (c.kind == CommandKind::kRow) {
      Check(inPage && c.page == page && c.column == column && c.rowInColumn == rowsInColumn);
      Check(++rowsInColumn <= std::max(settings.pageLines, 1) && c.rowNumber == rows++);
      // Nothing follows the end; a form feed ends its column.
      Check(lastEnd != RowEnd::kEndOfText && (lastEnd != RowEnd::kFormFeed || c.rowInColumn == 0));
      Check(c.consumed > consumed || (consumed == text.size() && lastEnd == RowEnd::kFormFeed && c.cells.empty()));
      Check(c.consumed <= text.size());
      // A form feed that is no cell's trail byte ends the row as a form feed, the text's last byte too.
      const bool formFeed = c.consumed > consumed && text[c.consumed - 1] == '\f';
      Check(formFeed || c.end != RowEnd::kFormFeed);
      Check(!formFeed || (!c.cells.empty() && c.cells.back() == '\f') || c.end == RowEnd::kFormFeed);
      consumed = c.consumed;
      Check(c.cells.size() <= lineChars - 1 + widest);
      Check(c.end != RowEnd::kWrapped || c.cells.size() + 1 >= lineChars);
      Check(consumed < text.size() ? c.end != RowEnd::kEndOfText
                                   : c.end == RowEnd::kEndOfText || c.end == RowEnd::kFormFeed);
      lastEnd = c.end;
      Keep(c.cells, kept);
    } else {
      Check(inPage && c.page == page && rowsInColumn > 0);
      Check(c.footer[0] == '-' && c.footer[c.footerLength - 1] == '-' && c.footer[c.footerLength] == '\0');
      inPage = false;
      ended = c.lastPage;
    }
  }
  Keep(text, expected);
  Check(ended && !inPage && consumed == text.size() && lastEnd == RowEnd::kEndOfText && rows <= text.size() + 1);
  Check(kept == expected);
  return 0;
}
