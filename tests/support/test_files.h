// Test files and text: a private temporary folder, byte files, deterministic
// random data, code-page conversions for test literals, and a file held open
// by a second process.
#pragma once

#include <windows.h>

#include <cstdint>
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
  std::wstring Path(const std::wstring& name) const;

 private:
  std::wstring dir_;
};

// Removes a file or a folder tree; true when nothing is left.
bool RemoveTree(const std::wstring& path);

// Create or replace the file; false on any failure.
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool WriteBytes(const std::wstring& path, std::string_view bytes);
// The whole file; empty when it cannot be read (check FileExists to tell apart).
std::vector<uint8_t> ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// size bytes from a xorshift generator: the same seed gives the same bytes.
std::vector<uint8_t> RandomBytes(size_t size, uint64_t seed);

std::wstring Utf16(const char* utf8);
std::wstring Utf16(std::string_view utf8);
std::string Utf8(const std::wstring& text);
// Shift-JIS (code page 932) bytes of text, as an ANSI program on Japanese Windows writes it.
std::string Sjis(const std::wstring& text);

// Holds a file open without sharing from a second process (zvlock.exe beside the
// test program), so that opening it here fails with ERROR_SHARING_VIOLATION.
// Tests run as root, where a read-only attribute does not keep anyone from writing.
class FileLock {
 public:
  // Opens the file (creating it when missing) and waits, bounded, until the
  // helper holds it; Held() tells whether it does, Error() why not.
  explicit FileLock(const std::wstring& path, DWORD timeoutMs = 10000);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return held_; }
  const std::wstring& Error() const { return error_; }
  DWORD ProcessId() const { return pid_; }
  // Ends the helper: its stdin is closed, it closes the file and exits; if it
  // does not within the timeout it is terminated. True when it is gone.
  bool Release(DWORD timeoutMs = 10000);

 private:
  void Fail(const std::wstring& why);

  HANDLE process_ = nullptr;
  HANDLE stdinWrite_ = nullptr;
  HANDLE stdoutRead_ = nullptr;
  DWORD pid_ = 0;
  bool held_ = false;
  std::wstring error_;
};

struct ProcessResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // stdout and stderr together, UTF-8
};
// Runs a program to its end (terminated after 30 s) and gathers what it printed.
ProcessResult RunProgram(const std::wstring& exe, const std::wstring& arguments);

// Folder of the running test program, with a trailing backslash.
std::wstring ProgramDir();

// Kernel handles this process holds, as the system's handle table lists them.
// (Wine's GetProcessHandleCount always answers 0.)
DWORD OpenHandleCount();
// Waits, bounded, until the process holds at most count handles: a thread that
// has just ended may still be giving its own back. Returns the last count seen.
DWORD HandlesSettleTo(DWORD count, DWORD timeoutMs = 3000);

}  // namespace zvtest
