// A stand-in for the system's ANSI code page in native tests: ASCII as is, and
// a few Japanese characters as their real Shift-JIS bytes, so cuts between
// double-byte characters can be tested without the platform.
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
      const auto byte = static_cast<std::uint8_t>(ansi[i]);
      if (IsLeadByte(byte) && i + 1 < ansi.size()) {
        const unsigned code = byte << 8 | static_cast<std::uint8_t>(ansi[++i]);
        wide.push_back(FromSjis(code));
      } else {
        wide.push_back(byte < 0x80 ? byte : u'?');
      }
    }
    return wide;
  }
  std::string ToAnsi(std::u16string_view text) const override {
    std::string ansi;
    for (char16_t c : text) {
      if (c < 0x80) {
        ansi.push_back(static_cast<char>(c));
      } else if (const unsigned code = ToSjis(c)) {
        ansi.push_back(static_cast<char>(code >> 8));
        ansi.push_back(static_cast<char>(code & 0xFF));
      } else {
        ansi.push_back('?');
      }
    }
    return ansi;
  }
  bool IsLeadByte(std::uint8_t byte) const override {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }

 private:
  struct Pair {
    char16_t wide;
    unsigned sjis;
  };
  static constexpr Pair kPairs[] = {{u'あ', 0x82A0}, {u'い', 0x82A2}, {u'漢', 0x8ABF}, {u'字', 0x8E9A},
                                    {u'テ', 0x8365}, {u'ス', 0x8358}, {u'ト', 0x8367}, {u'曲', 0x8BC8}};
  static char16_t FromSjis(unsigned code) {
    for (const Pair& pair : kPairs) {
      if (pair.sjis == code) return pair.wide;
    }
    return u'?';
  }
  static unsigned ToSjis(char16_t c) {
    for (const Pair& pair : kPairs) {
      if (pair.wide == c) return pair.sjis;
    }
    return 0;
  }
};

}  // namespace zv::tags::testing
