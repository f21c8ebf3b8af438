#include "text_rows.h"

#include <algorithm>
#include <cstring>

namespace zv::print {

LeadBytes LeadBytes::ShiftJis() {
  return From([](std::uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); });
}

RowReader::RowReader(Text text, RowSettings settings, const LeadBytes& leadBytes)
    : text_(text), lineChars_(std::max(settings.lineChars, 1)), tabColumns_(std::clamp(settings.tabColumns, 1, 100)) {
  for (unsigned value = 0; value < 256; ++value) {
    classes_[value] = leadBytes(static_cast<std::uint8_t>(value)) ? kLead : kPlain;
  }
  // The layout's own control bytes win over a code page that calls them lead bytes.
  classes_['\t'] = kTab;
  classes_['\r'] = kCarriageReturn;
  classes_['\n'] = kLineFeed;
  classes_['\f'] = kFormFeed;
  // A row ends with fewer than lineChars cells before the next character, which
  // adds at most max(tabColumns, 2). Rows longer than the first guess grow the
  // buffer, so a width far beyond any line of the text costs nothing.
  const std::size_t widest = static_cast<std::size_t>(std::max(tabColumns_, 2));
  row_.resize(std::min<std::size_t>(static_cast<std::size_t>(lineChars_) - 1 + widest, 4096));
}

std::uint8_t* RowReader::Grow(std::size_t size) {
  row_.resize(std::max(size, 2 * row_.size()));
  return row_.data();
}

RowReader::Row RowReader::Read() {
  const std::uint8_t* const bytes = text_.data();
  const std::size_t size = text_.size();
  const std::size_t lineChars = static_cast<std::size_t>(lineChars_);
  std::uint8_t* out = row_.data();
  std::size_t n = 0, at = position_;
  RowEnd end = RowEnd::kWrapped;

  while (at < size) {
    const std::uint8_t byte = bytes[at];
    switch (classes_[byte]) {
      case kPlain: {
        // Plain bytes are most of any text: copy the whole run at once (n is
        // below lineChars here). No row end can fall inside it, only at its end.
        const std::size_t room = std::min(lineChars - n, size - at);
        std::size_t run = 1;
        while (run < room && classes_[bytes[at + run]] == kPlain) ++run;
        out = Room(n, run);
        std::memcpy(out + n, bytes + at, run);
        n += run;
        at += run;
        break;
      }
      case kLead:
        out = Room(n, 2);
        out[n++] = byte;
        if (++at < size) out[n++] = bytes[at++];
        break;
      case kTab: {
        const std::size_t stop = static_cast<std::size_t>(tabColumns_);
        const std::size_t spaces = stop - n % stop;
        out = Room(n, spaces);
        std::memset(out + n, ' ', spaces);
        n += spaces;
        ++at;
        break;
      }
      case kCarriageReturn:
        if (++at < size && bytes[at] == '\n') ++at;
        end = RowEnd::kLineEnd;
        break;
      case kLineFeed:
        ++at;
        end = RowEnd::kLineEnd;
        break;
      case kFormFeed:
        ++at;
        end = RowEnd::kFormFeed;
        break;
    }
    if (end != RowEnd::kWrapped || n >= lineChars) break;
    // A double-byte character that would take the last cell moves to the next row.
    if (n + 1 == lineChars && at < size && classes_[bytes[at]] == kLead) break;
  }
  position_ = at;
  // A form feed wins over the end of the text, so a final one still ends its
  // column; the read after it finds nothing left and gives an empty last row.
  if (at >= size && end != RowEnd::kFormFeed) end = RowEnd::kEndOfText;
  return Row{{out, n}, end};
}

}  // namespace zv::print
