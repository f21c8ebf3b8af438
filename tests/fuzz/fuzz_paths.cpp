// Every path function on arbitrary UTF-16 text. Each output buffer is exactly as
// long as the input plus its NUL, the most any of them is documented to write,
// so ASan reports a write beyond it. The checks below are the relations the
// outputs must keep with the input.
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

bool Same(const wchar_t* a, const wchar_t* b, std::size_t count) { return std::wmemcmp(a, b, count) == 0; }

void CheckSplitPathName(const Text& path, std::size_t length) {
  Text dir(length + 1), name(length + 1);
  SplitPathName(path.data(), dir.data(), name.data());
  const std::size_t dirLength = std::wcslen(dir.data()), nameLength = std::wcslen(name.data());
  const int last = FindBackslash(-1, path.data());
  Check(last < 0 ? dirLength == 0 && nameLength == length
                 : dirLength == std::size_t(last) && dirLength + 1 + nameLength == length);
  Check(Same(dir.data(), path.data(), dirLength) && Same(name.data(), path.data() + length - nameLength, nameLength));
}

void CheckSplitExtension(const Text& path, std::size_t length) {
  Text base(length + 1), ext(length + 1);
  const bool found = SplitExtension(path.data(), base.data(), ext.data());
  const std::size_t baseLength = std::wcslen(base.data()), extLength = std::wcslen(ext.data());
  Check(found ? baseLength + 1 + extLength == length && path[baseLength] == L'.'
              : baseLength == length && extLength == 0);
  Check(Same(base.data(), path.data(), baseLength) && std::wmemchr(ext.data(), L'.', extLength) == nullptr);

  Text inPlace = path;
  Check(SplitExtension(inPlace.data(), inPlace.data(), nullptr) == found && std::wcslen(inPlace.data()) == baseLength);

  // The documented limit of the comparison buffer: longer extensions never match.
  if (extLength > 0) Check(HasExtension(path.data(), ext.data()) == (extLength < 260));
}

void CheckRoot(const Text& path, std::size_t length) {
  Text root(length + 1, L'#');
  const bool hasRoot = GetPathRoot(path.data(), root.data());
  if (!hasRoot) {
    for (wchar_t c : root) Check(c == L'#');
    Check(!IsPathRoot(path.data()));
    return;
  }
  const std::size_t rootLength = std::wcslen(root.data());
  Check(rootLength <= length && Same(root.data(), path.data(), rootLength));
  Check(IsPathRoot(path.data()) == (rootLength == length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int n = static_cast<std::int8_t>(data[0]);
  // Two bytes per character, as on Windows; the text ends at the first NUL.
  Text path;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    path.push_back(c);
  }
  const std::size_t length = path.size();
  path.push_back(0);

  const int found = FindBackslash(n, path.data());
  Check(found == -1 || (found >= 0 && std::size_t(found) < length && path[found] == L'\\'));
  CheckSplitPathName(path, length);
  CheckSplitExtension(path, length);
  CheckRoot(path, length);
  HasExtension(path.data(), path.data());
  Check(ClassifyEntryName(false, path.data()) == 0);
  Check(ClassifyEntryName(true, path.data()) >= 1);
  return 0;
}
