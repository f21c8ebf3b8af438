#include <string>

#include "redirection.h"
#include "scoped_handle.h"
#include "zvutil.h"

namespace {

// Redirection off for the lifetime of the guard.
class RedirectionOff {
 public:
  RedirectionOff() { DisableWow64FsRedirection(); }
  ~RedirectionOff() { RevertWow64FsRedirection(); }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
};

}  // namespace

HANDLE CreateFileNoRedirect(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                            DWORD flags, HANDLE templateFile) {
  RedirectionOff off;
  return CreateFileW(name, access, share, security, disposition, flags, templateFile);
}

HANDLE FindFirstFileNoRedirect(LPCWSTR pattern, WIN32_FIND_DATAW* find) {
  DisableWow64FsRedirection();
  HANDLE handle = FindFirstFileW(pattern, find);
  if (handle == INVALID_HANDLE_VALUE) RevertWow64FsRedirection();
  return handle;
}

BOOL WINAPI CloseNoRedirectFind(HANDLE find) { return FindCloseNoRedirect(&find); }

BOOL FindCloseNoRedirect(HANDLE* find) {
  if (find == nullptr || *find == INVALID_HANDLE_VALUE) return TRUE;
  const BOOL closed = FindClose(*find);
  *find = INVALID_HANDLE_VALUE;
  RevertWow64FsRedirection();
  return closed;
}

ULONGLONG FindDataFileSize(const WIN32_FIND_DATAW& find) {
  return (static_cast<ULONGLONG>(find.nFileSizeHigh) << 32) | find.nFileSizeLow;
}

int ClassifyFindEntry(const WIN32_FIND_DATAW& find) {
  return ClassifyEntryName((find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, find.cFileName);
}

BOOL PathExistsExactName(LPCWSTR path, WIN32_FIND_DATAW* find) {
  const std::size_t length = wcslen(path);
  std::wstring dir(length + 1, L'\0');
  std::wstring name(length + 1, L'\0');
  SplitPathName(path, dir.data(), name.data());

  WIN32_FIND_DATAW local;
  if (find == nullptr) find = &local;
  ScopedNoRedirectFind search(FindFirstFileNoRedirect(path, find));
  if (!search.IsValid()) return FALSE;
  if ((find->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !FindNextFileW(search.Get(), find)) return FALSE;
  // A match through the 8.3 short name differs here. Ordinal, case-insensitive: as the file system compares.
  return CompareStringOrdinal(find->cFileName, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
}

BOOL WriteUtf16Bom(HANDLE file) {
  static const BYTE kBom[] = {0xFF, 0xFE};
  DWORD written = 0;
  return WriteFile(file, kBom, sizeof kBom, &written, nullptr);
}
