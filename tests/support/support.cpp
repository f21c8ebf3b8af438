#include "support.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace zvtest {

namespace detail {
// Set on a UiScript's watcher thread: its waits return early once it is cancelled.
thread_local const std::atomic<bool>* t_cancelled = nullptr;
bool WaitsCancelled() { return t_cancelled != nullptr && t_cancelled->load(); }
}  // namespace detail

namespace {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::string ToCodePage(UINT codePage, std::wstring_view text) {
  const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string bytes(n > 0 ? n : 0, '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = std::wstring(base) + L"zvtest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                             std::to_wstring(counter++) + L"-" + std::to_wstring(::GetTickCount64() % 100000);
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
      dir_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder, error " + std::to_string(::GetLastError()));
}

TempDir::~TempDir() { RemoveTree(dir_); }

bool RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ::DeleteFileW(path.c_str()) != FALSE;
  WIN32_FIND_DATAW find;
  HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &find);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (wcscmp(find.cFileName, L".") != 0 && wcscmp(find.cFileName, L"..") != 0)
        RemoveTree(path + L"\\" + find.cFileName);
    } while (::FindNextFileW(search, &find));
    ::FindClose(search);
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

bool WriteBytes(const std::wstring& path, std::string_view bytes) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file.Valid()) return false;
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr) || written != chunk) return false;
    bytes.remove_prefix(chunk);
  }
  return true;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size;
  if (!file.Valid() || !::GetFileSizeEx(file.Get(), &size)) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  for (DWORD got = 1; done < bytes.size() && got > 0; done += got) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    if (!::ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) break;
  }
  bytes.resize(std::min(done, bytes.size()));
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Utf16(std::string_view utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(n > 0 ? n : 0, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
  return text;
}

std::string Utf8(std::wstring_view text) { return ToCodePage(CP_UTF8, text); }
std::string Sjis(std::wstring_view text) { return ToCodePage(932, text); }

FileLock::FileLock(const std::wstring& path)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)) {
  if (!Held()) error_ = L"cannot hold " + path + L", error " + std::to_wstring(::GetLastError());
}

void FileLock::Release() {
  if (Held()) ::CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

bool WaitForCondition(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (detail::WaitsCancelled() || ::GetTickCount64() >= deadline) return false;
    ::Sleep(15);  // the polling interval, bounded by the deadline
  }
}

Watchdog::Watchdog(DWORD limitMs) : done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), limitMs_(limitMs) {
  const auto watch = [](void* self) -> DWORD {
    const auto* dog = static_cast<Watchdog*>(self);
    if (::WaitForSingleObject(dog->done_, dog->limitMs_) == WAIT_OBJECT_0) return 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "HUNG: %s did not end within %lu ms\n", test ? test->name() : "the program", dog->limitMs_);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return 0;
  };
  thread_ = ::CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

Watchdog::~Watchdog() {
  ::SetEvent(done_);
  ::WaitForSingleObject(thread_, INFINITE);
  ::CloseHandle(thread_);
  ::CloseHandle(done_);
}

std::wstring ProgramDir() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program = path;
  return program.substr(0, program.find_last_of(L'\\') + 1);
}

ProcessResult RunProgram(const std::wstring& exe, const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ProcessResult result;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  ScopedHandle reader(readEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  const BOOL started = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
  ::CloseHandle(writeEnd);
  if (!started) return result;
  ScopedHandle thread(process.hThread), child(process.hProcess);
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) result.output.append(buffer, read);
  if (::WaitForSingleObject(child.Get(), 30000) != WAIT_OBJECT_0) ::TerminateProcess(child.Get(), 99);
  ::GetExitCodeProcess(child.Get(), &result.exitCode);
  return result;
}

std::optional<std::string> RunShell(const std::string& command, DWORD timeoutMs) {
  static std::atomic<int> serial{0};
  // Every Wine prefix of the machine starts its process ids alike, and /tmp is
  // shared: the counter's value keeps one process's file from another's.
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  const std::string out = "/tmp/zvtest-shell-" + std::to_string(::GetCurrentProcessId()) + "-" +
                          std::to_string(now.QuadPart) + "-" + std::to_string(serial++) + ".out";
  // Written aside and renamed: the file appears whole.
  std::wstring commandLine = Utf16("/bin/sh -c \"(" + command + ") >'" + out + ".part' 2>&1; mv '" + out +
                                   ".part' '" + out + "'\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    return std::nullopt;
  ScopedHandle thread(process.hThread), child(process.hProcess);
  if (!WaitForCondition([&] { return FileExists(WindowsPath(out)); }, timeoutMs)) return std::nullopt;
  const std::vector<uint8_t> bytes = ReadBytes(WindowsPath(out));
  ::DeleteFileW(WindowsPath(out).c_str());
  return std::string(bytes.begin(), bytes.end());
}

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utf16(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::string UnixPath(const std::wstring& windowsPath) {
  std::string path = Utf8(windowsPath.substr(windowsPath.rfind(L"Z:", 0) == 0 ? 2 : 0));
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

DWORD OpenHandleCount() {
  // SystemHandleInformation: a count, then one 24-byte entry per handle of the system.
  struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
  };
  constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
  constexpr auto kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
  std::vector<BYTE> buffer(1 << 20);
  NTSTATUS status;
  while ((status = ::NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) return 0;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
  return static_cast<DWORD>(std::count_if(entries, entries + count, [self = ::GetCurrentProcessId()](const auto& e) {
    return e.ownerPid == self;
  }));
}

DWORD HandlesSettleTo(DWORD count, DWORD timeoutMs) {
  DWORD now = 0;
  WaitForCondition([&] { return (now = OpenHandleCount()) <= count; }, timeoutMs);
  return now;
}

}  // namespace zvtest
