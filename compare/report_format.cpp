#include "report_format.h"

#include <array>
#include <cstring>

namespace zv::compare {
namespace {

// Every byte value as three decimal digits and as two upper-case hex digits.
struct DigitTables {
  std::array<std::array<char16_t, 3>, 256> decimal{};
  std::array<std::array<char16_t, 2>, 256> hex{};

  constexpr DigitTables() {
    constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
      decimal[value] = {char16_t(u'0' + value / 100), char16_t(u'0' + value / 10 % 10), char16_t(u'0' + value % 10)};
      hex[value] = {kHexDigits[value >> 4], kHexDigits[value & 15]};
    }
  }
};
constexpr DigitTables kDigits;

template <std::size_t N>
char16_t* Put(char16_t* out, const char16_t (&text)[N]) {
  std::memcpy(out, text, (N - 1) * sizeof(char16_t));
  return out + (N - 1);
}

template <std::size_t N>
char16_t* Put(char16_t* out, const std::array<char16_t, N>& digits) {
  std::memcpy(out, digits.data(), N * sizeof(char16_t));
  return out + N;
}

// At least eight hex digits, more when the offset needs them (beyond 4 GiB).
char16_t* PutAddress(char16_t* out, std::uint64_t offset) {
  int digits = 8;
  while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
  if (digits % 2 != 0) *out++ = kDigits.hex[(offset >> (4 * --digits)) & 0xF][1];
  for (int shift = 4 * (digits - 2); shift >= 0; shift -= 8) out = Put(out, kDigits.hex[(offset >> shift) & 0xFF]);
  return Put(out, u"H  ");
}

}  // namespace

std::u16string FormatReportHeader(std::u16string_view file1, std::u16string_view file2, ReportColumns columns) {
  std::u16string header;
  header.reserve(file1.size() + file2.size() + 96);
  header.append(u"File1:").append(file1).append(u"\n");
  header.append(u"File2:").append(file2).append(u"\n");
  header.append(u"           ");
  if (columns.decimal) {
    header.append(u"10進表記");
    if (columns.hex) header.append(u"    | 16進表記");
  } else {
    header.append(u"16進表記");
  }
  header.append(u"\nADDRESS    FILE1 FILE2");
  if (columns.decimal && columns.hex) header.append(u" | FILE1 FILE2");
  header.append(u"\n");
  return header;
}

std::size_t FormatReportRow(char16_t* out, std::uint64_t offset, std::uint8_t byte1, std::uint8_t byte2,
                            ReportColumns columns) {
  char16_t* const start = out;
  out = PutAddress(out, offset);
  if (columns.decimal) {
    out = Put(out, kDigits.decimal[byte1]);
    out = Put(out, u"   ");
    out = Put(out, kDigits.decimal[byte2]);
    if (columns.hex) out = Put(out, u"   | ");
  }
  if (columns.hex || !columns.decimal) {
    out = Put(out, kDigits.hex[byte1]);
    out = Put(out, u"    ");
    out = Put(out, kDigits.hex[byte2]);
  }
  *out++ = u'\n';
  return static_cast<std::size_t>(out - start);
}

}  // namespace zv::compare
