// Every path function on arbitrary UTF-16 text. Output buffers are as long as the
// input and its NUL, the most any function writes, so ASan sees a write beyond;
// the checks are the relations the outputs keep with the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "path.h"

namespace {

using Text = std::vector<wchar_t>;

void Check(bool holds) {
  if (!holds) std::abort();
}

// text[0, length) equals path[at, at + length).
bool Matches(const Text& text, const Text& path, std::size_t at) {
  const std::size_t length = std::wcslen(text.data());
  return at + length <= path.size() && std::wmemcmp(text.data(), path.data() + at, length) == 0;
}

void CheckSplits(const Text& path, std::size_t length) {
  Text dir(length + 1), name(length + 1), base(length + 1), ext(length + 1), root(length + 1, L'#');
  SplitPathName(path.data(), dir.data(), name.data());
  const int last = FindBackslash(-1, path.data());
  Check(std::wcslen(dir.data()) == (last < 0 ? 0 : std::size_t(last)) && Matches(dir, path, 0));
  Check(Matches(name, path, last + 1) && last + 1 + std::wcslen(name.data()) == length);

  const bool found = SplitExtension(path.data(), base.data(), ext.data());
  const std::size_t baseLength = std::wcslen(base.data()), extLength = std::wcslen(ext.data());
  Check(found ? baseLength + 1 + extLength == length && path[baseLength] == L'.' : baseLength == length && !extLength);
  Check(Matches(base, path, 0) && std::wmemchr(ext.data(), L'.', extLength) == nullptr);
  Text inPlace = path;
  Check(SplitExtension(inPlace.data(), inPlace.data(), nullptr) == found && std::wcslen(inPlace.data()) == baseLength);
  // The documented limit of the comparison buffer: longer extensions never match.
  if (extLength > 0) Check(HasExtension(path.data(), ext.data()) == (extLength < 260));

  if (!GetPathRoot(path.data(), root.data())) {
    for (wchar_t c : root) Check(c == L'#');
    Check(!IsPathRoot(path.data()));
    return;
  }
  Check(Matches(root, path, 0) && IsPathRoot(path.data()) == (std::wcslen(root.data()) == length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte is FindBackslash's n; then two bytes per character, as on
  // Windows, up to the first NUL.
  Text path;
  for (std::size_t i = 1; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2) {
    path.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  const std::size_t length = path.size();
  path.push_back(0);
  const int found = FindBackslash(static_cast<std::int8_t>(data[0]), path.data());
  Check(found == -1 || (found >= 0 && std::size_t(found) < length && path[found] == L'\\'));
  CheckSplits(path, length);
  HasExtension(path.data(), path.data());
  Check(ClassifyEntryName(false, path.data()) == 0 && ClassifyEntryName(true, path.data()) >= 1);
  return 0;
}
