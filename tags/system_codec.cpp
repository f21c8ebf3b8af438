#include <windows.h>

#include "system_codec.h"

#include <string>

#include "zvutil.h"

std::u16string SystemAnsiCodec::ToWide(std::string_view ansi) const {
  const std::string text(ansi);  // NUL-terminated for the shared converter
  std::wstring wide(text.size() + 1, L'\0');
  const int written = AnsiToWide(text.c_str(), wide.data());
  wide.resize(written > 0 ? static_cast<size_t>(written) - 1 : 0);
  return {wide.begin(), wide.end()};
}

std::string SystemAnsiCodec::ToAnsi(std::u16string_view text) const {
  const std::wstring wide(text.begin(), text.end());
  std::string ansi(2 * wide.size() + 2, '\0');
  const int written = WideToAnsi(wide.c_str(), ansi.data());
  ansi.resize(written > 0 ? static_cast<size_t>(written) - 1 : 0);
  return ansi;
}

bool SystemAnsiCodec::IsLeadByte(std::uint8_t byte) const { return ::IsDBCSLeadByte(byte) != FALSE; }

const SystemAnsiCodec& SystemCodec() {
  static const SystemAnsiCodec codec;
  return codec;
}
