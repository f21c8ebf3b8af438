// What the compare dialog decides, free of Win32: whether 実行 may start with
// the fields as they stand, the name shown for a file of the host's folder,
// and the row limit read from its edit.
#pragma once

#include <cstdint>
#include <string_view>

namespace zv::compare {

// The dialog's fields when 実行 is pressed.
struct CompareForm {
  std::u16string_view file1, file2, outFile;
  bool decimal = true;
  bool hex = false;
};

// The message refusing the form, for the first field that is missing in the
// dialog's order; empty when the comparison may start.
std::u16string_view FormRefusal(const CompareForm& form);

// A file lying directly in the host's folder dir is shown by its bare name: the
// part of path after a leading dir (ASCII letters in either case, as the C
// runtime compares) when that part is not empty and holds no backslash.
// Otherwise path itself.
std::u16string_view NameInDirectory(std::u16string_view dir, std::u16string_view path);

// The row limit typed into the dialog, read as the C runtime's _wtol reads it:
// Unicode spaces skipped, an ASCII sign, then decimal digits of any script the
// runtime knows (full-width １２ is 12), clamped to the 32-bit range; 0 when
// no digit follows.
std::int32_t ReadRowLimit(std::u16string_view text);

}  // namespace zv::compare
