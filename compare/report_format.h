// The difference report of the binary comparison: UTF-16 text, one row per
// differing byte. Rows are assembled by hand from small tables because a report
// can hold millions of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zv::compare {

// Which byte columns a report shows; at least one of the two is on.
struct ReportColumns {
  bool decimal = true;
  bool hex = false;
};

// Room one row may need: a 16-digit address, both pairs and the line feed.
inline constexpr std::size_t kMaxRowUnits = 48;

// The four header lines: both paths as given, the column titles and headers.
std::u16string FormatReportHeader(std::u16string_view file1, std::u16string_view file2, ReportColumns columns);

// Writes the row for a difference at offset into out (kMaxRowUnits units of
// room) and returns the units written, line feed included, no terminator.
// Example, both columns: "0000001AH  065   066   | 41    42\n".
std::size_t FormatReportRow(char16_t* out, std::uint64_t offset, std::uint8_t byte1, std::uint8_t byte2,
                            ReportColumns columns);

}  // namespace zv::compare
