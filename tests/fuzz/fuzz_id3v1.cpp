// ID3v1 on arbitrary bytes: only 128 bytes beginning with "TAG" are a tag, and
// building what was parsed gives a tag that parses to the same genre, and after
// one round to the same fields.
#include <cstdint>
#include <cstdlib>

#include "../tags/test_codec.h"
#include "id3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zv::tags;
  const testing::TestCodec codec;
  const auto parsed = ParseId3v1({data, size}, codec);
  if (parsed.has_value() != (size == kId3v1Size && data[0] == 'T' && data[1] == 'A' && data[2] == 'G')) std::abort();
  if (!parsed) return 0;
  const auto again = ParseId3v1(BuildId3v1(*parsed, codec), codec);
  if (!again || again->genre != parsed->genre) std::abort();
  // After one round each field is text the code page gives back as it is, cut
  // between characters: a second round changes nothing.
  if (ParseId3v1(BuildId3v1(*again, codec), codec) != again) std::abort();
  return 0;
}
