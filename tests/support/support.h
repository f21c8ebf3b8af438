// What the tests under Wine share besides the dialog driver: a private
// temporary folder, byte files, text in the code pages, files held by another
// opener, bounded waits, programs run to their end, the process's handle
// count, and the exports of a DLL as the host binds them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvtest {

// A fresh folder under the temporary path, removed with everything in it
// (read-only files too) when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Dir() const { return dir_; }
  // Dir() + "\" + name; name may hold further backslashes.
  std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }

 private:
  std::wstring dir_;
};

// Creates or replaces the file; false on any failure.
bool WriteBytes(const std::wstring& path, std::string_view bytes);
inline bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  return WriteBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view text);
// Shift-JIS bytes of text, as an ANSI program on Japanese Windows writes it.
std::string Sjis(std::wstring_view text);

// The file opened here for reading and writing without sharing. Sharing is
// decided per handle, so every other open of it fails with
// ERROR_SHARING_VIOLATION, the library's in this process too, exactly as when
// another program holds it. (Tests run as root: a read-only attribute would
// stop nobody.)
class FileLock {
 public:
  explicit FileLock(const std::wstring& path);
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return file_ != INVALID_HANDLE_VALUE; }
  const std::wstring& Error() const { return error_; }
  void Release();

 private:
  HANDLE file_;
  std::wstring error_;
};

// Polls condition until it holds; false after the timeout. Returns early on
// the thread of a UiScript that has been cancelled.
bool WaitForCondition(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Ends the process, naming the running test, when it is still alive limitMs
// after construction: a deadlocked test fails at once with its name instead
// of at ctest's timeout.
class Watchdog {
 public:
  explicit Watchdog(DWORD limitMs);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  HANDLE done_;
  HANDLE thread_;
  DWORD limitMs_;
};

// Folder of the running test program, with a trailing backslash.
std::wstring ProgramDir();

struct ProcessResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // stdout and stderr together, as written
};
// Runs a Windows program to its end (terminated after 30 s).
ProcessResult RunProgram(const std::wstring& exe, const std::wstring& arguments);
// Runs a Unix command line through /bin/sh and returns what it printed, or
// nullopt when it has not finished within the timeout.
std::optional<std::string> RunShell(const std::string& command, DWORD timeoutMs = 30000);

// Kernel handles this process holds, from the system's handle table (Wine's
// GetProcessHandleCount always answers 0).
DWORD OpenHandleCount();
// Waits, bounded, until the process holds at most count handles: a thread that
// has just ended may still be giving its own back. The last count seen.
DWORD HandlesSettleTo(DWORD count, DWORD timeoutMs = 3000);

// An export by undecorated name, as the host binds it. The detour through
// void(*)() tells the compiler the cast is deliberate.
template <class Function>
Function GetExport(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace zvtest
