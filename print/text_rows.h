// Cutting printed rows out of a text in the system's multibyte code page: tabs
// expanded to stops, CR, LF and CR LF ending a line, a form feed ending the
// column, long lines wrapped, and a double-byte character never split across
// two rows. Every read stays inside the text and consumes at least one byte
// unless nothing is left: the text is empty or ended with a form feed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zv::print {

using Text = std::span<const std::uint8_t>;

// Which byte values start a double-byte character. Handed in rather than asked
// of the system, so the layout does not depend on the machine's code page.
class LeadBytes {
 public:
  // Code page 932: 0x81..0x9F and 0xE0..0xFC.
  static LeadBytes ShiftJis();
  // Asks isLead once for each of the 256 byte values (e.g. _ismbblead).
  template <class Predicate>
  static LeadBytes From(Predicate isLead) {
    LeadBytes bytes;
    for (unsigned value = 0; value < 256; ++value) bytes.lead_[value] = isLead(static_cast<std::uint8_t>(value));
    return bytes;
  }
  bool operator()(std::uint8_t byte) const { return lead_[byte]; }

 private:
  std::array<bool, 256> lead_{};
};

// What ended a row, and so what the page does next.
enum class RowEnd : std::uint8_t {
  kLineEnd,    // CR, LF or CR LF consumed
  kWrapped,    // the row is full; the line goes on in the next row
  kFormFeed,   // the column ends here, even when it was the text's last byte
  kEndOfText,  // nothing is left, whatever else ended the row
};

struct RowSettings {
  int lineChars = 80;  // cells per row; below 1 counts as 1
  int tabColumns = 8;  // tab stop interval; clamped to 1..100
};

class RowReader {
 public:
  // text must outlive the reader; it is never copied.
  RowReader(Text text, RowSettings settings, const LeadBytes& leadBytes);

  struct Row {
    // One byte per cell: single-byte characters, both bytes of each double-byte
    // character, tabs as spaces. Valid until the next Read. A tab may carry it
    // past lineChars by up to tabColumns - 1 cells.
    std::span<const std::uint8_t> cells;
    RowEnd end;
  };
  Row Read();

  // Bytes of text consumed so far.
  std::size_t Position() const { return position_; }
  int LineChars() const { return lineChars_; }
  int TabColumns() const { return tabColumns_; }
  // The bytes of one character starting at index of a row that Read gave:
  // 2 for a lead byte with its trail, 1 otherwise (a lead byte that was the last
  // byte of the text stands alone).
  std::size_t CharacterLength(std::span<const std::uint8_t> cells, std::size_t index) const {
    return index + 1 < cells.size() && classes_[cells[index]] == kLead ? 2 : 1;
  }

 private:
  enum ByteClass : std::uint8_t { kPlain, kLead, kTab, kCarriageReturn, kLineFeed, kFormFeed };

  // The row buffer with room for more cells after the first used ones.
  std::uint8_t* Room(std::size_t used, std::size_t more) {
    return used + more <= row_.size() ? row_.data() : Grow(used + more);
  }
  std::uint8_t* Grow(std::size_t size);

  Text text_;
  std::size_t position_ = 0;
  int lineChars_;
  int tabColumns_;
  std::array<ByteClass, 256> classes_{};
  std::vector<std::uint8_t> row_;
};

}  // namespace zv::print
