// The page layout on arbitrary text and settings. The first 14 bytes are the
// settings and metrics, the rest is the text. The commands must form pages in
// order, use up every byte exactly once and in order, keep rows within their
// width, and end: every row but the one of an empty text consumes a byte.
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

constexpr std::size_t kSettingsSize = 14;

bool Ignored(std::uint8_t byte) { return byte == '\t' || byte == '\n' || byte == '\f' || byte == '\r' || byte == ' '; }

LeadBytes PickLeadBytes(int choice) {
  switch (choice) {
    case 0:
      return LeadBytes::ShiftJis();
    case 1:
      return LeadBytes::From([](std::uint8_t) { return false; });
    case 2:
      return LeadBytes::From([](std::uint8_t) { return true; });
    default:
      return LeadBytes::From([](std::uint8_t byte) { return (byte & 1) != 0; });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kSettingsSize) return 0;
  const std::uint8_t flags = data[3];
  PageSettings settings;
  settings.rows.lineChars = data[0] == 0xFF ? std::numeric_limits<int>::max() : data[0];
  settings.rows.tabColumns = data[1];
  settings.pageLines = data[2] == 0xFF ? std::numeric_limits<int>::max() : data[2];
  settings.twoColumns = flags & 1;
  settings.printFileName = flags & 2;
  settings.printPageNumber = flags & 4;
  settings.printLineNumbers = flags & 8;
  settings.pageRange = flags & 16;
  settings.firstPage = static_cast<std::int8_t>(data[4]);
  settings.lastPage = static_cast<std::int8_t>(data[5]);
  // Extreme metrics, to reach the position arithmetic's limits.
  int metric[8];
  for (int i = 0; i < 8; ++i) metric[i] = static_cast<int>(static_cast<std::uint32_t>(data[6 + i]) << 24);
  const PageMetrics metrics{metric[0], metric[1], metric[2], metric[3], metric[4], metric[5], metric[6], metric[7]};
  const Text text(data + kSettingsSize, size - kSettingsSize);

  Paginator paginator(text, settings, metrics, PickLeadBytes(flags >> 5 & 3));
  const std::size_t lineChars = static_cast<std::size_t>(std::max(settings.rows.lineChars, 1));
  const std::size_t widest = static_cast<std::size_t>(std::clamp<int>(settings.rows.tabColumns, 2, 100));
  const int pageLines = std::max(settings.pageLines, 1);

  std::string kept;  // the text's bytes as the rows carry them, blanks and controls aside
  std::int64_t page = 0;
  std::uint64_t rows = 0;
  std::size_t consumed = 0;
  int rowsInColumn = 0, column = 0, percent = 0;
  bool inPage = false, ended = false;
  for (LayoutCommand c; paginator.Next(c);) {
    Check(!ended);
    switch (c.kind) {
      case CommandKind::kPageStart:
        Check(!inPage && c.page == ++page);
        Check(c.printed == (!settings.pageRange || (page >= settings.firstPage && page <= settings.lastPage)));
        Check(!c.decorated || (c.printed && settings.printFileName));
        inPage = true;
        column = rowsInColumn = 0;
        break;
      case CommandKind::kColumnBreak:
        Check(inPage && settings.twoColumns && column == 0 && c.column == 1 && rowsInColumn > 0);
        column = 1;
        rowsInColumn = 0;
        break;
      case CommandKind::kRow: {
        Check(inPage && c.page == page && c.column == column && c.rowInColumn == rowsInColumn);
        Check(++rowsInColumn <= pageLines && c.rowNumber == rows++);
        Check(c.consumed > consumed || (text.empty() && rows == 1));
        Check(c.consumed <= text.size());
        consumed = c.consumed;
        Check(c.cells.size() <= lineChars - 1 + widest);
        if (c.end == RowEnd::kWrapped) Check(c.cells.size() + 1 >= lineChars);
        Check((c.end == RowEnd::kEndOfText) == (consumed == text.size()));
        std::size_t at = 0;
        while (at < c.cells.size()) at += paginator.Rows().CharacterLength(c.cells, at);
        Check(at == c.cells.size());
        for (std::uint8_t byte : c.cells) {
          if (!Ignored(byte)) kept.push_back(static_cast<char>(byte));
        }
        const int now = ProgressPercent(consumed, text.size());
        Check(now >= percent && now <= 100);
        percent = now;
        char digits[5];
        FormatRowNumber(c.rowNumber, digits);
        Check(std::all_of(digits, digits + 5, [](char d) { return d >= '0' && d <= '9'; }));
        break;
      }
      case CommandKind::kPageEnd:
        Check(inPage && c.page == page && rowsInColumn > 0);
        Check(!c.decorated || (c.printed && settings.printPageNumber));
        Check(c.footer[0] == '-' && c.footer[c.footerLength - 1] == '-' && c.footer[c.footerLength] == '\0');
        inPage = false;
        ended = c.lastPage;
        break;
    }
  }
  Check(ended && !inPage && consumed == text.size());
  Check(rows <= std::max<std::size_t>(text.size(), 1));
  std::string expected;
  for (std::uint8_t byte : text) {
    if (!Ignored(byte)) expected.push_back(static_cast<char>(byte));
  }
  Check(kept == expected);
  return 0;
}
