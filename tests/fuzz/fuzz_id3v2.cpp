// The ID3v2 header and frame walk on arbitrary bytes, the rest walked as a body
// whatever the header: only frames the library keeps, no more than the body
// has room for, their text free of NULs and trailing spaces.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "../tags/test_codec.h"
#include "id3v2.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

void CheckEntries(const auto& entries, std::initializer_list<std::string_view> keys) {
  for (const auto& [key, text] : entries) {
    Check(std::ranges::count(keys, key) && text.find(u'\0') == text.npos && !text.ends_with(u' '));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zv::tags;
  const Bytes input(data, size);
  const auto bodySize = ParseId3v2Header(input);
  Check(!bodySize || (size >= kId3v2HeaderSize && std::equal(data, data + 4, "ID3\3") && *bodySize < (1u << 28)));
  const Bytes body = input.subspan(std::min(size, kId3v2HeaderSize));
  const Id3v2Frames frames = ParseId3v2Body(body, testing::TestCodec());
  // Each kept frame takes a 10-byte header and at least 1 data byte, a comment at least 6.
  Check(frames.texts.size() * 11 + frames.comments.size() * 16 <= body.size());
  CheckEntries(frames.texts, {"TIT2", "TPE1", "TALB", "TYER", "TCON"});
  CheckEntries(frames.comments, {"eng", "jpn"});
  return 0;
}
