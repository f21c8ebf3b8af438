// The page layout of the text print: rows from RowReader filled into columns
// and pages, the page range, the file-name header, the page-number footer and
// row numbers, and where each of them goes on the page. Nothing is drawn here:
// the caller pulls one layout command at a time, so a worker that does one
// small step per idle call can check its cancel flag between any two commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "text_rows.h"

namespace zv::print {

struct PageSettings {
  RowSettings rows;
  int pageLines = 60;  // rows per column; below 1 counts as 1
  bool twoColumns = false;
  bool printFileName = false;     // header line at the top of every printed page
  bool printPageNumber = false;   // "-N-" centred at the foot
  bool printLineNumbers = false;  // five digits and a blank cell before every row
  bool pageRange = false;         // only pages firstPage..lastPage are printed
  int firstPage = 0;
  int lastPage = 0;
};

// Logical units of the printer's device context (144 per inch). Metrics of a
// font are its height plus external leading and its average character width.
struct PageMetrics {
  int marginLeft = 0, marginTop = 0;              // the origin of everything printed
  int printWidth = 0, printHeight = 0;            // page less margins
  int rowHeight = 0, cellWidth = 0;               // body font
  int headerLineHeight = 0, headerCharWidth = 0;  // header font
};

struct Point {
  int x = 0, y = 0;
};

enum class CommandKind : std::uint8_t { kPageStart, kRow, kColumnBreak, kPageEnd };

// Room for "-N-" and a terminator with any 64-bit page number.
inline constexpr std::size_t kMaxFooterChars = 24;

// Only the fields of the command's kind are filled; the others keep whatever
// an earlier command left in them.
struct LayoutCommand {
  CommandKind kind = CommandKind::kPageStart;
  std::int64_t page = 0;  // from 1; pages outside the range count too
  bool printed = false;   // false: lay the page out, send nothing to the printer
  int column = 0;         // 0 or 1

  // kPageStart: the file name goes at decorationAt when decorated.
  // kPageEnd: the footer text goes at decorationAt when decorated.
  bool decorated = false;
  Point decorationAt;
  char footer[kMaxFooterChars] = {};  // kPageEnd: "-N-", terminated, filled on every page
  std::size_t footerLength = 0;
  bool lastPage = false;  // kPageEnd: the text is used up, the document ends

  // kRow: the row's cells (see RowReader::Row), valid until the next command.
  std::span<const std::uint8_t> cells;
  RowEnd end = RowEnd::kLineEnd;
  int rowInColumn = 0;
  std::uint64_t rowNumber = 0;  // counts rows from 0 across every page
  Point rowAt;                  // the row number, when printed, starts here
  Point textAt;                 // cell i is drawn at textAt.x + i * cellWidth
  std::size_t consumed = 0;     // bytes of text used up after this row
};

class Paginator {
 public:
  // text must outlive the paginator; it is never copied.
  Paginator(Text text, const PageSettings& settings, const PageMetrics& metrics, const LeadBytes& leadBytes);

  // Fills the next command; false once the kPageEnd with lastPage set has been
  // given. Every page starts with kPageStart and ends with kPageEnd; between
  // them come its rows, and kColumnBreak before the second column's rows.
  bool Next(LayoutCommand& command);

  const RowReader& Rows() const { return rows_; }

 private:
  enum class State : std::uint8_t { kPageStart, kRow, kColumnBreak, kPageEnd, kDone };

  void StartPage(LayoutCommand& command);
  void NextRow(LayoutCommand& command);
  void EndPage(LayoutCommand& command);

  RowReader rows_;
  PageSettings settings_;
  PageMetrics metrics_;
  State state_ = State::kPageStart;
  std::int64_t page_ = 1;
  bool printed_ = false;
  bool lastPage_ = false;
  int column_ = 0;
  int rowInColumn_ = 0;
  std::uint64_t rowNumber_ = 0;
};

// The first five digits of a row number, zero-padded to five: 42 gives
// "00042", 123456 gives "12345".
void FormatRowNumber(std::uint64_t number, char (&digits)[5]);

// Progress of the print in per cent, 0..100, from the bytes consumed; the
// division is arranged so that 32-bit arithmetic cannot overflow.
int ProgressPercent(std::uint64_t consumed, std::uint64_t size);

}  // namespace zv::print
