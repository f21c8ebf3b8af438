#include "tag_text.h"

#include <algorithm>

namespace zv::tags {
namespace {

std::u16string WithoutTrailingSpaces(std::u16string text) {
  text.erase(text.find_last_not_of(u' ') + 1);
  return text;
}

}  // namespace

std::u16string DecodeAnsiField(Bytes bytes, const AnsiCodec& codec) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  const std::string_view ansi(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<std::size_t>(end - bytes.begin()));
  return WithoutTrailingSpaces(codec.ToWide(ansi));
}

std::u16string DecodeTagText(Bytes bytes, const AnsiCodec& codec) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return DecodeAnsiField(bytes, codec);
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return WithoutTrailingSpaces(std::move(text));
}

std::string FitAnsi(std::u16string_view text, std::size_t width, const AnsiCodec& codec) {
  std::string ansi = codec.ToAnsi(text);
  if (ansi.size() <= width) return ansi;
  // Walk whole characters: a lead byte takes its trail byte with it.
  std::size_t fits = 0;
  for (std::size_t at = 0; at < width;) {
    const std::size_t length = codec.IsLeadByte(static_cast<std::uint8_t>(ansi[at])) ? 2 : 1;
    if (at + length > width) break;
    at += length;
    fits = at;
  }
  ansi.resize(fits);
  return ansi;
}

}  // namespace zv::tags
