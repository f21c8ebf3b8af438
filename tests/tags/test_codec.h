// A double-byte code page for native tests in place of the system's: ASCII as
// is, any other character up to U+7FFF as its UTF-16 value with the top bit
// set (あ, U+3042, is B0 42), so cuts between characters show without Windows.
#pragma once

#include <string>
#include <string_view>

#include "tag_text.h"

namespace zv::tags::testing {

class TestCodec final : public AnsiCodec {
 public:
  std::u16string ToWide(std::string_view ansi) const override {
    std::u16string wide;
    for (std::size_t i = 0; i < ansi.size(); ++i) {
      const char16_t byte = static_cast<std::uint8_t>(ansi[i]);
      wide.push_back(byte < 0x80 ? byte : ++i < ansi.size() ? (byte & 0x7F) << 8 | std::uint8_t(ansi[i]) : u'?');
    }
    return wide;
  }
  std::string ToAnsi(std::u16string_view text) const override {
    std::string ansi;
    for (char16_t c : text) ansi += c < 0x80 ? std::string(1, char(c)) : std::string{char(0x80 | c >> 8), char(c)};
    return ansi;
  }
  bool IsLeadByte(std::uint8_t byte) const override { return byte >= 0x80; }
};

}  // namespace zv::tags::testing
