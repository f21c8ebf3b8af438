// The benchmarks' input: a whole file read into memory before the clock starts,
// as the host reads it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// Empty when the file cannot be read.
inline std::vector<std::uint8_t> ReadWholeFile(const wchar_t* path) {
  std::vector<std::uint8_t> bytes;
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER size{};
  if (file != INVALID_HANDLE_VALUE && ::GetFileSizeEx(file, &size)) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    DWORD got = 0;
    while (done < bytes.size() &&
           ::ReadFile(file, bytes.data() + done,
                      static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24)), &got, nullptr) &&
           got != 0) {
      done += got;
    }
    bytes.resize(done);
  }
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  return bytes;
}
