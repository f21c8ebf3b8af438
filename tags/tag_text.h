// Text inside tags: single-byte text in the system's ANSI code page (Shift-JIS
// on Japanese systems), or UTF-16 little-endian after the bytes FF FE. The code
// page conversions belong to the platform and are handed in, so that the
// parsers run natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "byte_reader.h"

namespace zv::tags {

class AnsiCodec {
 public:
  // The ANSI bytes as UTF-16; the bytes hold no NUL.
  virtual std::u16string ToWide(std::string_view ansi) const = 0;
  // The UTF-16 text in the ANSI code page.
  virtual std::string ToAnsi(std::u16string_view text) const = 0;
  // True when byte starts a double-byte character of the code page.
  virtual bool IsLeadByte(std::uint8_t byte) const = 0;

 protected:
  ~AnsiCodec() = default;
};

// Text read from a tag: UTF-16 when it begins with FF FE, else ANSI; it ends at
// its first NUL character, and trailing spaces are removed.
std::u16string DecodeTagText(Bytes bytes, const AnsiCodec& codec);

// ANSI text ending at the first NUL byte, trailing spaces removed (ID3v1 fields).
std::u16string DecodeAnsiField(Bytes bytes, const AnsiCodec& codec);

// The ANSI form of text cut to at most width bytes without splitting a
// double-byte character.
std::string FitAnsi(std::u16string_view text, std::size_t width, const AnsiCodec& codec);

}  // namespace zv::tags
