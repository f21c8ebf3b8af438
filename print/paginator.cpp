#include "paginator.h"

#include <algorithm>
#include <limits>

namespace zv::print {
namespace {

// Positions are summed in 64 bits and pinned to what the device context takes;
// only absurd settings ever reach the pins.
int Pin(std::int64_t value) {
  return static_cast<int>(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Decimal digits of value into out (room for 20), most significant first.
std::size_t Digits(std::uint64_t value, char* out) {
  char reversed[20];
  std::size_t count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (std::size_t i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  return count;
}

}  // namespace

Paginator::Paginator(Text text, const PageSettings& settings, const PageMetrics& metrics, const LeadBytes& leadBytes)
    : rows_(text, settings.rows, leadBytes), settings_(settings), metrics_(metrics) {
  settings_.pageLines = std::max(settings_.pageLines, 1);
}

bool Paginator::Next(LayoutCommand& command) {
  switch (state_) {
    case State::kPageStart:
      StartPage(command);
      return true;
    case State::kRow:
      NextRow(command);
      return true;
    case State::kColumnBreak:
      command.kind = CommandKind::kColumnBreak;
      command.page = page_;
      command.printed = printed_;
      command.column = column_ = 1;
      rowInColumn_ = 0;
      state_ = State::kRow;
      return true;
    case State::kPageEnd:
      EndPage(command);
      return true;
    case State::kDone:
      break;
  }
  return false;
}

void Paginator::StartPage(LayoutCommand& command) {
  printed_ = !settings_.pageRange || (page_ >= settings_.firstPage && page_ <= settings_.lastPage);
  column_ = 0;
  rowInColumn_ = 0;
  command.kind = CommandKind::kPageStart;
  command.page = page_;
  command.printed = printed_;
  command.column = 0;
  command.decorated = printed_ && settings_.printFileName;
  command.decorationAt = {metrics_.marginLeft, metrics_.marginTop};
  state_ = State::kRow;
}

void Paginator::NextRow(LayoutCommand& command) {
  const RowReader::Row row = rows_.Read();
  const PageMetrics& m = metrics_;
  const std::int64_t columnX = column_ == 0 ? 0 : m.printWidth / 2 + std::int64_t{m.cellWidth};
  // The body starts two header lines down when the file name is printed.
  const std::int64_t bodyY = settings_.printFileName ? 2 * std::int64_t{m.headerLineHeight} : 0;
  const std::int64_t x = m.marginLeft + columnX;
  const std::int64_t y = m.marginTop + bodyY + std::int64_t{rowInColumn_} * m.rowHeight;
  const std::int64_t numberWidth = settings_.printLineNumbers ? 6 * std::int64_t{m.cellWidth} : 0;

  command.kind = CommandKind::kRow;
  command.page = page_;
  command.printed = printed_;
  command.column = column_;
  command.cells = row.cells;
  command.end = row.end;
  command.rowInColumn = rowInColumn_;
  command.rowNumber = rowNumber_++;
  command.rowAt = {Pin(x), Pin(y)};
  command.textAt = {Pin(x + numberWidth), Pin(y)};
  command.consumed = rows_.Position();

  if (row.end == RowEnd::kEndOfText) {
    lastPage_ = true;
    state_ = State::kPageEnd;
  } else if (row.end == RowEnd::kFormFeed || ++rowInColumn_ >= settings_.pageLines) {
    state_ = column_ == 0 && settings_.twoColumns ? State::kColumnBreak : State::kPageEnd;
  }
}

void Paginator::EndPage(LayoutCommand& command) {
  command.kind = CommandKind::kPageEnd;
  command.page = page_;
  command.printed = printed_;
  command.column = column_;
  command.footer[0] = '-';
  command.footerLength = 1 + Digits(static_cast<std::uint64_t>(page_), command.footer + 1);
  command.footer[command.footerLength++] = '-';
  command.footer[command.footerLength] = '\0';
  command.decorated = printed_ && settings_.printPageNumber;
  const PageMetrics& m = metrics_;
  const std::int64_t textWidth = static_cast<std::int64_t>(command.footerLength) * m.headerCharWidth;
  command.decorationAt = {Pin(m.marginLeft + std::int64_t{m.printWidth} / 2 - textWidth / 2),
                          Pin(std::int64_t{m.marginTop} + m.printHeight - m.headerLineHeight)};
  command.lastPage = lastPage_;
  ++page_;
  state_ = lastPage_ ? State::kDone : State::kPageStart;
}

void FormatRowNumber(std::uint64_t number, char (&digits)[5]) {
  char all[20];
  const std::size_t count = Digits(number, all);
  const std::size_t padding = count < 5 ? 5 - count : 0;
  for (std::size_t i = 0; i < 5; ++i) digits[i] = i < padding ? '0' : all[i - padding];
}

int ProgressPercent(std::uint64_t consumed, std::uint64_t size) {
  if (size == 0) return 100;
  const std::uint64_t percent = size < 0xFFFFFF ? consumed * 100 / size : consumed / (size / 100);
  return static_cast<int>(std::min<std::uint64_t>(percent, 100));
}

}  // namespace zv::print
