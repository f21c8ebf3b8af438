// ID3v1 on arbitrary 128-byte tags: parsing never reads outside the tag, every
// field fits its width when built again, and building what was parsed gives
// back the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../tags/test_codec.h"
#include "id3v1.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zv::tags;
  const testing::TestCodec codec;
  const auto parsed = ParseId3v1({data, size}, codec);
  Check(parsed.has_value() == (size == kId3v1Size && data[0] == 'T' && data[1] == 'A' && data[2] == 'G'));
  if (!parsed) return 0;
  const auto built = BuildId3v1(*parsed, codec);
  const auto again = ParseId3v1(built, codec);
  Check(again.has_value() && again->genre == parsed->genre);
  // The test code page maps unknown bytes to '?', so a second round is stable.
  const auto third = ParseId3v1(BuildId3v1(*again, codec), codec);
  Check(third->title == again->title && third->artist == again->artist && third->album == again->album &&
        third->year == again->year && third->comment == again->comment);
  return 0;
}
