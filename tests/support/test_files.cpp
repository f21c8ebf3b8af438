#include "test_files.h"

#include <winternl.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace zvtest {
namespace {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void Reset() {
    if (Valid()) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_;
};

void CloseAndClear(HANDLE& h) {
  if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  h = nullptr;
}

bool WriteAll(const std::wstring& path, const uint8_t* data, size_t size) {
  ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file.Get(), data, chunk, &written, nullptr) || written != chunk) return false;
    data += chunk;
    size -= chunk;
  }
  return true;
}

std::wstring LastErrorText(const wchar_t* what) {
  return std::wstring(what) + L" failed, error " + std::to_wstring(GetLastError());
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = std::wstring(base) + L"zvtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64() % 100000);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      dir_ = std::move(candidate);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary folder, error " + std::to_string(GetLastError()));
}

TempDir::~TempDir() { RemoveTree(dir_); }

std::wstring TempDir::Path(const std::wstring& name) const { return dir_ + L"\\" + name; }

bool RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != FALSE;

  // A junction is removed as a link: what it points at is not ours.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW find;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &find);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (wcscmp(find.cFileName, L".") == 0 || wcscmp(find.cFileName, L"..") == 0) continue;
        RemoveTree(path + L"\\" + find.cFileName);
      } while (FindNextFileW(search, &find));
      FindClose(search);
    }
  }
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  return WriteAll(path, bytes.data(), bytes.size());
}

bool WriteBytes(const std::wstring& path, std::string_view bytes) {
  return WriteAll(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return {};
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<uint8_t> RandomBytes(size_t size, uint64_t seed) {
  // xorshift64 has a fixed point at 0.
  uint64_t state = seed ? seed : 0x9E3779B97F4A7C15ull;
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const size_t n = size - i < 8 ? size - i : 8;
    std::memcpy(bytes.data() + i, &state, n);
  }
  return bytes;
}

std::wstring Utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
  return text;
}

std::wstring Utf16(const char* utf8) { return Utf16(std::string_view(utf8 ? utf8 : "")); }

namespace {
std::string ToCodePage(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}
}  // namespace

std::string Utf8(const std::wstring& text) { return ToCodePage(CP_UTF8, text); }

std::string Sjis(const std::wstring& text) { return ToCodePage(932, text); }

std::wstring ProgramDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

FileLock::FileLock(const std::wstring& path, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE stdinRead = nullptr;
  HANDLE stdoutWrite = nullptr;
  if (!CreatePipe(&stdinRead, &stdinWrite_, &inherit, 0)) {
    Fail(LastErrorText(L"CreatePipe"));
    return;
  }
  ScopedHandle childIn(stdinRead);
  if (!CreatePipe(&stdoutRead_, &stdoutWrite, &inherit, 0)) {
    Fail(LastErrorText(L"CreatePipe"));
    return;
  }
  ScopedHandle childOut(stdoutWrite);
  // Only the child's ends are inherited: the helper sees end of input exactly
  // when we close our end of its stdin.
  SetHandleInformation(stdinWrite_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(stdoutRead_, HANDLE_FLAG_INHERIT, 0);

  const std::wstring exe = ProgramDir() + L"zvlock.exe";
  std::wstring commandLine = L"\"" + exe + L"\" \"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childIn.Get();
  startup.hStdOutput = childOut.Get();
  startup.hStdError = childOut.Get();
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info)) {
    Fail(LastErrorText((L"starting " + exe).c_str()));
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  childIn.Reset();
  childOut.Reset();

  std::string said;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(stdoutRead_, nullptr, 0, nullptr, &available, nullptr)) break;  // helper gone
    if (available > 0) {
      char buffer[256];
      DWORD got = 0;
      if (!ReadFile(stdoutRead_, buffer, sizeof buffer, &got, nullptr)) break;
      said.append(buffer, got);
      if (said.find("locked\n") != std::string::npos) {
        held_ = true;
        return;
      }
      continue;
    }
    if (GetTickCount64() >= deadline) break;
    WaitForSingleObject(process_, 10);
  }
  Fail(L"zvlock did not lock " + path + L" within " + std::to_wstring(timeoutMs) + L" ms; it said: " +
       Utf16(std::string_view(said)));
}

FileLock::~FileLock() { Release(); }

void FileLock::Fail(const std::wstring& why) {
  error_ = why;
  Release();
}

bool FileLock::Release(DWORD timeoutMs) {
  held_ = false;
  CloseAndClear(stdinWrite_);
  bool gone = true;
  if (process_) {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 1);
      gone = WaitForSingleObject(process_, 5000) == WAIT_OBJECT_0;
    }
    CloseAndClear(process_);
  }
  CloseAndClear(stdoutRead_);
  return gone;
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
  std::vector<BYTE> buffer(1 << 20);
  ULONG needed = 0;
  NTSTATUS status;
  while ((status = ::NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
         static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
  const DWORD self = ::GetCurrentProcessId();
  DWORD mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].ownerPid == self;
  return mine;
}

DWORD HandlesSettleTo(DWORD count, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  DWORD now = OpenHandleCount();
  while (now > count && ::GetTickCount64() < deadline) {
    ::Sleep(20);  // polling a count, bounded by the deadline
    now = OpenHandleCount();
  }
  return now;
}

ProcessResult RunProgram(const std::wstring& exe, const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ProcessResult result;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  const BOOL started = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
  ::CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0) result.output.append(buffer, read);
    if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(readEnd);
  return result;
}

}  // namespace zvtest
