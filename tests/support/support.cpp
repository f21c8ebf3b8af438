#include "support.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace zvtest {

namespace detail {
// Set on a UiScript's watcher thread: its waits return early once it is cancelled.
thread_local const std::atomic<bool>* t_cancelled = nullptr;
bool WaitsCancelled() { return t_cancelled != nullptr && t_cancelled->load(); }
}  // namespace detail

namespace {

// Closes a kernel handle on every way out; an invalid one is left alone.
using ScopedHandle = std::unique_ptr<void, decltype([](HANDLE handle) {
                                       if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
                                     })>;

std::string ToCodePage(UINT codePage, std::wstring_view text) {
  const int n =
      ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(std::max(n, 0), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

// A file or a folder tree with everything in it, read-only files too.
void RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW find;
  const ScopedHandle search(::FindFirstFileW((path + L"\\*").c_str(), &find));
  for (BOOL more = search.get() != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search.get(), &find)) {
    if (wcscmp(find.cFileName, L".") != 0 && wcscmp(find.cFileName, L"..") != 0)
      RemoveTree(path + L"\\" + find.cFileName);
  }
  ::RemoveDirectoryW(path.c_str());
}

// A Unix path as Wine sees it: Z: is the Unix root.
std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utf16(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, base);
  dir_ = std::wstring(base) + L"zvtest-" + std::to_wstring(::GetTickCount64()) + L"-" +
         std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  if (!::CreateDirectoryW(dir_.c_str(), nullptr)) throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() { RemoveTree(dir_); }

bool WriteBytes(const std::wstring& path, std::string_view bytes) {
  const ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file.get() != INVALID_HANDLE_VALUE &&
         ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  const ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
  LARGE_INTEGER size{};
  if (file.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.get(), &size)) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
  bytes.resize(read);
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Utf16(std::string_view utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(std::max(n, 0), L'\0');
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
  for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; !condition(); ::Sleep(15)) {
    if (detail::WaitsCancelled() || ::GetTickCount64() >= deadline) return false;
  }
  return true;
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
  const ScopedHandle reader(readEnd);
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
  const ScopedHandle thread(process.hThread), child(process.hProcess);
  char buffer[4096];
  for (DWORD read = 0; ::ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0;)
    result.output.append(buffer, read);
  if (::WaitForSingleObject(child.get(), 30000) != WAIT_OBJECT_0) ::TerminateProcess(child.get(), 99);
  ::GetExitCodeProcess(child.get(), &result.exitCode);
  return result;
}

// Wine gives no handle to wait on for a Unix program: its output, written
// aside and renamed so that it appears whole, is watched for as a file. Wine
// reuses process ids in every prefix of the machine, and /tmp is one for all.
std::optional<std::string> RunShell(const std::string& command, DWORD timeoutMs) {
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  const std::string out =
      "/tmp/zvtest-shell-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(now.QuadPart) + ".out";
  std::wstring commandLine =
      Utf16("/bin/sh -c \"(" + command + ") >'" + out + ".part' 2>&1; mv '" + out + ".part' '" + out + "'\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return std::nullopt;
  const ScopedHandle thread(process.hThread), child(process.hProcess);
  if (!WaitForCondition([&] { return FileExists(WindowsPath(out)); }, timeoutMs)) return std::nullopt;
  const std::vector<uint8_t> bytes = ReadBytes(WindowsPath(out));
  ::DeleteFileW(WindowsPath(out).c_str());
  return std::string(bytes.begin(), bytes.end());
}

DWORD OpenHandleCount() {
  // SystemHandleInformation: a count, then one 24-byte entry per handle of the system.
  struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType, flags;
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
  return static_cast<DWORD>(std::count_if(
      entries, entries + count, [self = ::GetCurrentProcessId()](const auto& e) { return e.ownerPid == self; }));
}

DWORD HandlesSettleTo(DWORD count, DWORD timeoutMs) {
  DWORD now = 0;
  WaitForCondition([&] { return (now = OpenHandleCount()) <= count; }, timeoutMs);
  return now;
}

}  // namespace zvtest
