// Tag text: ANSI or UTF-16 after FF FE, ending at the first NUL, without
// trailing spaces; and ANSI text cut to a field without splitting a character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tag_text.h"
#include "test_codec.h"

namespace zv::tags {
namespace {

const testing::TestCodec kCodec;

std::vector<std::uint8_t> Raw(std::string_view bytes) { return {bytes.begin(), bytes.end()}; }

TEST(TagText, DecodesAnsiOrUtf16UpToTheFirstNulWithoutTrailingSpaces) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view bytes;
    std::u16string text;
  } cases[] = {
      {"Title  ", u"Title"},
      {"Title\0garbage"sv, u"Title"},
      {"\x82\xA0\x82\xA2 ", u"あい"},
      {"\xFF\xFE"
       "A\0 \0B\0 \0 \0"sv,
       u"A B"},
      {"\xFF\xFE"
       "A\0\0\0B\0"sv,
       u"A"},
      {"\xFF\xFE\x42\x30\x44"sv, u"あ"},  // an odd last byte is no character
      {"\xFF\xFE"sv, u""},
      {"\xFE\xFF"
       "A\0"sv,
       u"??A"},  // big-endian marks are not UTF-16 here
      {"", u""},
  };
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bytes = Raw(c.bytes);
    EXPECT_EQ(DecodeTagText(bytes, kCodec), c.text) << c.bytes;
  }
}

TEST(TagText, FitsAnsiToAWidthBetweenCharacters) {
  const struct {
    std::u16string text;
    std::size_t width;
    std::string ansi;
  } cases[] = {
      {u"abc", 30, "abc"},
      {u"abcd", 3, "abc"},
      {u"あいあ", 6, "\x82\xA0\x82\xA2\x82\xA0"},
      {u"あいあ", 5, "\x82\xA0\x82\xA2"},  // the third character would need bytes 4 and 5
      {u"aあい", 4, "a\x82\xA0"},          // not "a", lead byte of い
      {u"曲", 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FitAnsi(c.text, c.width, kCodec), c.ansi) << c.width;
}

}  // namespace
}  // namespace zv::tags
