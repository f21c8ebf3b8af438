// Small file, path and text functions shared by every tool of the library.
// Output buffers belong to the caller and are not size-checked: each function
// says how much it writes. Paths hold at most 260 characters unless noted.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "path.h"
#include "scoped_handle.h"

// Redirection-safe file access: in a 32-bit process on 64-bit Windows these keep
// the system directory from being redirected to the 32-bit one.
HANDLE CreateFileNoRedirect(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                            DWORD flags, HANDLE templateFile);
// On success redirection stays off on this thread until FindCloseNoRedirect.
HANDLE FindFirstFileNoRedirect(LPCWSTR pattern, WIN32_FIND_DATAW* find);
// Takes the handle's address; sets it to INVALID_HANDLE_VALUE, so closing twice is harmless.
BOOL FindCloseNoRedirect(HANDLE* find);
// Owner of a search opened by FindFirstFileNoRedirect: closing it switches redirection back.
BOOL WINAPI CloseNoRedirectFind(HANDLE find);
using ScopedNoRedirectFind = ScopedSystemHandle<&CloseNoRedirectFind>;

ULONGLONG FindDataFileSize(const WIN32_FIND_DATAW& find);
// 0 a file, 1 a directory, 2 the ".." entry, 3 the "." entry.
int ClassifyFindEntry(const WIN32_FIND_DATAW& find);
// True when path names an existing file (not a directory) under its long name;
// find, when not null, receives the find record.
BOOL PathExistsExactName(LPCWSTR path, WIN32_FIND_DATAW* find);
// Writes FF FE at the file's current position.
BOOL WriteUtf16Bom(HANDLE file);

// out holds strlen(text) + 1 characters.
int AnsiToWide(LPCSTR text, LPWSTR out);
// out holds 2 * wcslen(text) + 2 bytes; returns the bytes written with the NUL, 0 on failure.
int WideToAnsi(LPCWSTR text, LPSTR out);

// 2 for the NT family, 1 for the Windows 95 family, 0 when the version is unknown.
DWORD GetOsPlatformId();
// The process-wide version record behind GetOsPlatformId, filled by GetVersionExW
// on first use and never refreshed; all zero when that call failed.
const OSVERSIONINFOW& GetOsVersionRecord();

// Lets the user pick a folder starting at path (buffer of at least 260 characters,
// holding a path of at most 519) and writes the choice back: a drive as D:\,
// a folder without a trailing backslash. False on cancel or a virtual folder.
BOOL BrowseForFolder(LPWSTR path, HWND owner, BOOL includeFiles);

// The platform's UTF-16 text (wchar_t) as the portable core's (char16_t) and
// back: the two share their code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::u16string_view AsUtf16(LPCWSTR text, size_t length) {
  return {reinterpret_cast<const char16_t*>(text), length};
}
inline std::u16string_view AsUtf16(LPCWSTR text) { return reinterpret_cast<const char16_t*>(text); }
inline LPCWSTR AsWide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }
