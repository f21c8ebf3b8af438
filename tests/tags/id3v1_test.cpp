// The 128-byte ID3v1 tag: fields at fixed offsets, a 30-byte comment with no
// track number, the genre byte, and cuts that never split a character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "id3v1.h"
#include "test_codec.h"

namespace zv::tags {
namespace {

const testing::TestCodec kCodec;

// A tag laid out by hand: each field padded with NUL to its width.
std::vector<std::uint8_t> Tag(std::string title, std::string artist, std::string album, std::string year,
                              std::string comment, std::uint8_t genre) {
  std::string bytes = "TAG";
  for (auto [text, width] : {std::pair{title, 30}, {artist, 30}, {album, 30}, {year, 4}, {comment, 30}}) {
    text.resize(width, '\0');
    bytes += text;
  }
  bytes.push_back(static_cast<char>(genre));
  return {bytes.begin(), bytes.end()};
}

TEST(Id3v1, ReadsEveryFieldOverItsFullWidth) {
  const std::string comment30 =
      "123456789012345678901234567\x01\x02"
      "9";
  const auto tag = Tag("Song  ", "\x82\xA0\x82\xA2", "Album", "1999", comment30, 17);
  const std::optional<Id3v1Fields> fields = ParseId3v1(tag, kCodec);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->title, u"Song");
  EXPECT_EQ(fields->artist, u"あい");
  EXPECT_EQ(fields->album, u"Album");
  EXPECT_EQ(fields->year, u"1999");
  EXPECT_EQ(fields->comment,
            u"123456789012345678901234567\x01\x02"
            u"9")
      << "bytes 28-29 are text, not a track";
  EXPECT_EQ(fields->genre, 17);

  std::vector<std::uint8_t> notATag = tag;
  notATag[0] = 'X';
  EXPECT_FALSE(ParseId3v1(notATag, kCodec).has_value());
  EXPECT_FALSE(ParseId3v1(std::span(tag).first(127), kCodec).has_value());
}

TEST(Id3v1, WritesFieldsPaddedAndCutBetweenCharacters) {
  Id3v1Fields fields;
  fields.title = u"aあいあいあいあいあいあいあいあい";  // 1 + 32 bytes: the 16th character does not fit
  fields.artist = u"Artist";
  fields.year = u"20245";
  fields.comment = std::u16string(30, u'c');
  fields.genre = kNoGenre;
  const auto bytes = BuildId3v1(fields, kCodec);
  std::string title = "a";
  for (int i = 0; i < 7; ++i) title += "\x82\xA0\x82\xA2";
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
            Tag(title, "Artist", "", "2024", std::string(30, 'c'), 255));

  const std::optional<Id3v1Fields> back = ParseId3v1(bytes, kCodec);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->title, u"aあいあいあいあいあいあいあい");
  EXPECT_EQ(back->comment, fields.comment);
  EXPECT_EQ(back->year, u"2024");
}

}  // namespace
}  // namespace zv::tags
