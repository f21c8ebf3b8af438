// What the applet list decides without the system: the built-in tables of the
// usual applet files of each Windows version, which table a version uses, and
// what happens to each file the directory search finds.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zv::cpl {

// A known applet file: its name in upper case, the name and description the
// list shows for it, and 1 when its table lists the file more than once.
struct AppletRow {
  std::u16string_view file;
  std::u16string_view name;
  std::u16string_view info;
  std::uint32_t flag;
};

// 0 Windows 95, 1 Windows 98, 2 NT 4, 3 Windows 2000, 4 another non-NT
// version, 5 another NT version (XP and later). A version record the system
// did not fill (all zero) counts as another non-NT version.
int OsVariant(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);

// The table of a variant, rows in the order they are searched.
std::span<const AppletRow> AppletTable(int variant);

// Equal as the C runtime's _wcsicmp compares in its default locale: only the
// ASCII letters fold.
bool SameFileName(std::u16string_view a, std::u16string_view b);

// What becomes of one file the search found.
struct FilePlan {
  enum Action { kSkip, kFromTable, kLoad, kAskThenLoad } action;
  const AppletRow* row;  // the first row for the file, with kFromTable
};
FilePlan PlanFile(std::u16string_view file, std::span<const std::u16string_view> excluded,
                  std::span<const AppletRow> table, bool confirm);

}  // namespace zv::cpl
