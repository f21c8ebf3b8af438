// zvlock PATH: holds PATH open for reading and writing without sharing until its
// standard input ends, so a test can see how the library meets a locked file.
// Says "locked" on standard output once the file is held.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: zvlock PATH\n", stderr);
    return 2;
  }
  HANDLE file =
      CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (file == INVALID_HANDLE_VALUE) {
    char message[64];
    const int n = std::snprintf(message, sizeof message, "error %lu\n", GetLastError());
    WriteFile(out, message, static_cast<DWORD>(n), &written, nullptr);
    return 1;
  }
  // Unbuffered, so the waiting test reads it at once.
  WriteFile(out, "locked\n", 7, &written, nullptr);

  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char buffer[64];
  DWORD got = 0;
  while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) {
  }
  CloseHandle(file);
  return 0;
}
