#include <cstring>

#include "zvutil.h"

int AnsiToWide(LPCSTR text, LPWSTR out) {
  const int capacity = static_cast<int>(strlen(text)) + 1;
  return MultiByteToWideChar(CP_ACP, 0, text, -1, out, capacity);
}

int WideToAnsi(LPCWSTR text, LPSTR out) {
  const int capacity = 2 * static_cast<int>(wcslen(text)) + 2;
  return WideCharToMultiByte(CP_ACP, 0, text, -1, out, capacity, nullptr, nullptr);
}
