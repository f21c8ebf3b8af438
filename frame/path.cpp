#include "path.h"

#include <cstddef>

namespace {

constexpr wchar_t kBackslash = L'\\';
constexpr wchar_t kPeriod = L'.';
// Room for the extension of the longest path (260 characters) and its NUL.
constexpr std::size_t kExtensionBuffer = 260;

std::size_t Length(const wchar_t* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// Index of the last c in text, or -1.
std::ptrdiff_t FindLast(const wchar_t* text, wchar_t c) {
  std::ptrdiff_t found = -1;
  for (std::ptrdiff_t i = 0; text[i] != 0; ++i) {
    if (text[i] == c) found = i;
  }
  return found;
}

// Copies count characters and a NUL; target may be source itself (a cut in place).
void CopyChars(wchar_t* target, const wchar_t* source, std::size_t count) {
  for (std::size_t i = 0; i < count && target != source; ++i) target[i] = source[i];
  target[count] = 0;
}

// Only ASCII letters fold: the C locale of _wcsicmp.
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

bool IsDriveLetter(wchar_t c) {
  const wchar_t upper = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  return upper >= L'A' && upper <= L'Z';
}

// Length of the root that GetPathRoot writes, or -1 when path has none.
std::ptrdiff_t PathRootLength(const wchar_t* path) {
  if (IsDriveLetter(path[0]) && path[1] == L':') return path[2] == kBackslash ? 3 : 2;
  if (path[0] != kBackslash || path[1] != kBackslash) return -1;
  std::ptrdiff_t backslashes = 0;
  std::ptrdiff_t i = 2;
  for (; path[i] != 0; ++i) {
    if (path[i] == kBackslash && ++backslashes == 2) return i + 1;
  }
  return backslashes == 1 ? i : -1;
}

}  // namespace

int FindBackslash(int n, const wchar_t* text) {
  if (n == -1) return static_cast<int>(FindLast(text, kBackslash));
  if (n <= 0) return -1;
  int seen = 0;
  for (int i = 0; text[i] != 0; ++i) {
    if (text[i] == kBackslash && ++seen == n) return i;
  }
  return -1;
}

void SplitPathName(const wchar_t* path, wchar_t* dir, wchar_t* name) {
  const std::ptrdiff_t cut = FindLast(path, kBackslash);
  // The name first: dir may share its buffer with path.
  if (cut < 0) {
    if (name != nullptr) CopyChars(name, path, Length(path));
    dir[0] = 0;
    return;
  }
  if (name != nullptr) CopyChars(name, path + cut + 1, Length(path + cut + 1));
  CopyChars(dir, path, static_cast<std::size_t>(cut));
}

bool SplitExtension(const wchar_t* path, wchar_t* base, wchar_t* ext) {
  if (ext != nullptr) ext[0] = 0;
  if (base != nullptr && base != path) base[0] = 0;
  if (path[0] == 0) return false;

  const std::ptrdiff_t cut = FindLast(path, kPeriod);
  if (cut < 0) {
    if (base != nullptr) CopyChars(base, path, Length(path));
    return false;
  }
  if (ext != nullptr) CopyChars(ext, path + cut + 1, Length(path + cut + 1));
  if (base != nullptr) CopyChars(base, path, static_cast<std::size_t>(cut));
  return true;
}

bool HasExtension(const wchar_t* path, const wchar_t* ext) {
  if (ext[0] == 0) return false;
  const std::ptrdiff_t cut = FindLast(path, kPeriod);
  if (cut >= 0 && Length(path + cut + 1) >= kExtensionBuffer) return false;
  wchar_t found[kExtensionBuffer];
  SplitExtension(path, nullptr, found);
  return EqualsIgnoringAsciiCase(found, ext);
}

bool GetPathRoot(const wchar_t* path, wchar_t* root) {
  const std::ptrdiff_t length = PathRootLength(path);
  if (length < 0) return false;
  CopyChars(root, path, static_cast<std::size_t>(length));
  return true;
}

bool IsPathRoot(const wchar_t* path) {
  const std::ptrdiff_t length = PathRootLength(path);
  return length >= 0 && path[length] == 0;
}

int ClassifyEntryName(bool isDirectory, const wchar_t* name) {
  if (!isDirectory) return 0;
  if (name[0] == kPeriod && name[1] == 0) return 3;
  if (name[0] == kPeriod && name[1] == kPeriod && name[2] == 0) return 2;
  return 1;
}
