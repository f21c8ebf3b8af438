// The ID3v2 header and frame walk on arbitrary bytes: the first ten bytes are
// the header, the rest is walked as a body whether or not the header is valid.
// Whatever is read must be one of the frames the library keeps, no longer than
// the bytes it came from, and free of NULs and trailing spaces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "../tags/test_codec.h"
#include "id3v2.h"

namespace {

using namespace zv::tags;

void Check(bool holds) {
  if (!holds) std::abort();
}

bool IsOneOf(const std::string& value, std::initializer_list<std::string_view> allowed) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

void CheckText(const std::u16string& text) {
  Check(text.find(u'\0') == std::u16string::npos);
  Check(text.empty() || text.back() != u' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, size);
  const auto bodySize = ParseId3v2Header(input);
  if (bodySize) {
    Check(size >= kId3v2HeaderSize && input[0] == 'I' && input[1] == 'D' && input[2] == '3' && input[3] == 3);
    Check(*bodySize < (1u << 28));
  }

  const Bytes body = input.subspan(std::min(size, kId3v2HeaderSize));
  const Id3v2Frames frames = ParseId3v2Body(body, zv::tags::testing::TestCodec());
  // Each kept frame takes a 10-byte header and at least 1 data byte, a comment
  // at least 6; each character at least one byte.
  Check(frames.texts.size() * 11 + frames.comments.size() * 16 <= body.size());
  std::size_t characters = 0;
  for (const auto& [id, text] : frames.texts) {
    Check(IsOneOf(id, {"TIT2", "TPE1", "TALB", "TYER", "TCON"}));
    Check(std::search(body.begin(), body.end(), id.begin(), id.end()) != body.end());
    CheckText(text);
    characters += text.size();
  }
  for (const auto& [language, text] : frames.comments) {
    Check(IsOneOf(language, {"eng", "jpn"}));
    CheckText(text);
    characters += text.size();
  }
  Check(characters <= body.size());
  return 0;
}
