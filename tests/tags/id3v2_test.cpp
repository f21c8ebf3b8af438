// The ID3v2.3 header and frame walk, on bytes laid out here and (natively) on
// tags written by python3-mutagen.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "id3v2.h"
#include "command_output.h"
#include "test_codec.h"

namespace zv::tags {
namespace {

using namespace std::string_view_literals;
using Entries = std::vector<std::pair<std::string, std::u16string>>;

Bytes AsBytes(std::string_view bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }

// A frame header: identifier, big-endian data size, no flags.
std::string FrameHeader(std::string_view id, std::uint32_t size) {
  std::string header(id);
  for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>(size >> shift));
  return header.append(2, '\0');
}

std::string Frame(std::string_view id, std::string_view data) {
  return FrameHeader(id, static_cast<std::uint32_t>(data.size())).append(data);
}

TEST(Id3v2, HeaderGivesTheSyncsafeBodySizeOfVersion3Only) {
  struct Case {
    std::string_view header;
    std::optional<std::uint32_t> size;
  } const cases[] = {
      {"ID3\x03\x00\x00\x00\x00\x00\x00"sv, 0},
      {"ID3\x03\x00\x00\x00\x00\x02\x01"sv, 257},
      {"ID3\x03\x00\x00\x01\x00\x00\x00"sv, 2097152},
      {"ID3\x03\x00\x00\x7F\x7F\x7F\x7F"sv, 268435455},
      // Revision and flags are not looked at.
      {"ID3\x03\x01\xE0\x00\x00\x09\x0F"sv, 1167},
      // The top bit of a size byte is not part of the size.
      {"ID3\x03\x00\x00\x00\x00\x02\xFF"sv, 383},
      // A longer prefix of the file.
      {"ID3\x03\x00\x00\x00\x00\x00\x05TIT2"sv, 5},
      {"ID3\x02\x00\x00\x00\x00\x00\x05"sv, std::nullopt},
      {"ID3\x04\x00\x00\x00\x00\x00\x05"sv, std::nullopt},
      {"ID3\x00\x00\x00\x00\x00\x00\x05"sv, std::nullopt},
      {"id3\x03\x00\x00\x00\x00\x00\x05"sv, std::nullopt},
      {"ID3\x03\x00\x00\x00\x00\x00"sv, std::nullopt},
      {"ID3"sv, std::nullopt},
      {""sv, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseId3v2Header(AsBytes(c.header)), c.size) << ::testing::PrintToString(c.header);
}

struct BodyCase {
  const char* name;
  std::string body;
  Entries texts, comments;
};

void ExpectFrames(const BodyCase& c) {
  const Id3v2Frames frames = ParseId3v2Body(AsBytes(c.body), tags::testing::TestCodec());
  EXPECT_EQ(frames.texts, c.texts) << c.name;
  EXPECT_EQ(frames.comments, c.comments) << c.name;
}

// Byte strings below use \0 and \1 where a letter follows, so that the letter
// is not read as part of a hex escape.
TEST(Id3v2, ReadsTheTextFramesInBodyOrder) {
  const BodyCase cases[] = {
      {"ANSI, trailing spaces", Frame("TIT2", "\0Song  "sv), {{"TIT2", u"Song"}}, {}},
      {"UTF-16 after FF FE", Frame("TPE1", "\1\xFF\xFEN\0\xC6\x30 \0 \0\0\0"sv), {{"TPE1", u"Nテ"}}, {}},
      {"Shift-JIS", Frame("TALB", "\0\x82\xA0\x8A\xBF\x8B\xC8"sv), {{"TALB", u"あ漢曲"}}, {}},
      {"genre kept as text, order kept",
       Frame("TCON", "\0(13)"sv) + Frame("TYER", std::string(1, '\0') + "1999") + Frame("TIT2", "\0T"sv),
       {{"TCON", u"(13)"}, {"TYER", u"1999"}, {"TIT2", u"T"}},
       {}},
      {"text ends at its NUL", Frame("TALB", "\0Al\0bum"sv), {{"TALB", u"Al"}}, {}},
      {"encoding byte only", Frame("TIT2", "\0"sv), {{"TIT2", u""}}, {}},
      {"unknown frames skipped",
       Frame("TXXX", "\0a\0b"sv) + Frame("TIT1", "\0x"sv) + Frame("APIC", "\0image/png"sv) + Frame("TPE2", "\0y"sv) +
           Frame("TPE1", "\0Artist"sv),
       {{"TPE1", u"Artist"}},
       {}},
      {"empty frames skipped",
       Frame("TIT2", ""sv) + Frame("COMM", ""sv) + Frame("TPE1", "\0B"sv),
       {{"TPE1", u"B"}},
       {}},
      // 0xC8 is 200 read big-endian; syncsafe it would be 72 and lose the walk.
      {"size is big-endian, not syncsafe",
       std::string("TIT2\0\0\0\xC8\0\0\0"sv) + std::string(199, 'a') + Frame("TPE1", "\0B"sv),
       {{"TIT2", std::u16string(199, u'a')}, {"TPE1", u"B"}},
       {}},
  };
  for (const BodyCase& c : cases) ExpectFrames(c);
}

TEST(Id3v2, WalkStopsAtPaddingAndAtTheEndOfTheBody) {
  const std::string title = Frame("TIT2", "\0T"sv);
  const std::string artist = Frame("TPE1", "\0A"sv);
  const BodyCase cases[] = {
      {"empty body", "", {}, {}},
      {"padding", title + std::string(10, '\0') + artist, {{"TIT2", u"T"}}, {}},
      {"NUL inside an identifier", title + Frame("T\0T2"sv, "\0x"sv) + artist, {{"TIT2", u"T"}}, {}},
      {"data one byte past the body", title + FrameHeader("TPE1", 3).append("\0A"sv), {{"TIT2", u"T"}}, {}},
      {"hostile size", FrameHeader("TIT2", 0xFFFFFFFF).append("\0T"sv), {}, {}},
      {"header cut short", title + std::string("TPE1\0\0"sv), {{"TIT2", u"T"}}, {}},
      {"four bytes left", title + "TPE1", {{"TIT2", u"T"}}, {}},
  };
  for (const BodyCase& c : cases) ExpectFrames(c);
}

TEST(Id3v2, ReadsEnglishAndJapaneseComments) {
  const BodyCase cases[] = {
      {"single-byte, empty description", Frame("COMM", "\0eng\0Hi  "sv), {}, {{"eng", u"Hi"}}},
      {"Shift-JIS", Frame("COMM", "\0jpn\0\x82\xA0\x82\xA2"sv), {}, {{"jpn", u"あい"}}},
      {"other languages skipped", Frame("COMM", "\0deu\0Hallo"sv) + Frame("COMM", "\0ENG\0x"sv), {}, {}},
      {"shorter than six bytes skipped", Frame("COMM", "\0eng\0"sv), {}, {}},
      {"six bytes", Frame("COMM", "\0eng\0X"sv), {}, {{"eng", u"X"}}},
      {"UTF-16, empty description passed over",
       Frame("COMM", "\1eng\xFF\xFE\0\0\xFF\xFEH\0o\0 \0\0\0"sv),
       {},
       {{"eng", u"Ho"}}},
      {"UTF-16, a description is the first string",
       Frame("COMM", "\1eng\xFF\xFEn\0\0\0\xFF\xFEx\0\0\0"sv),
       {},
       {{"eng", u"n"}}},
      // 一 is 00 4E: a zero byte that does not end the string.
      {"UTF-16 NUL only on a unit boundary",
       Frame("COMM", "\1jpn\xFF\xFE\0\0\xFF\xFE\0\x4E\x8C\x4E\0\0"sv),
       {},
       {{"jpn", u"一二"}}},
      {"UTF-16 up to the end of the frame, odd byte left",
       Frame("COMM", "\1eng\xFF\xFE\0\0\xFF\xFEo\0k\0!"sv),
       {},
       {{"eng", u"ok"}}},
      {"UTF-16, every string empty", Frame("COMM", "\1eng\xFF\xFE\0\0\xFF\xFE\0\0"sv), {}, {}},
      {"UTF-16 without FF FE", Frame("COMM", "\1engn\0\0\0\xFF\xFEx\0"sv), {}, {}},
      {"later comment kept after earlier, other frames go on",
       Frame("COMM", "\0eng\0first"sv) + Frame("COMM", "\0jpn\0\x82\xA0"sv) + Frame("COMM", "\0eng\0second"sv) +
           Frame("TIT2", "\0T"sv),
       {{"TIT2", u"T"}},
       {{"eng", u"first"}, {"jpn", u"あ"}, {"eng", u"second"}}},
  };
  for (const BodyCase& c : cases) ExpectFrames(c);
}

#ifndef _WIN32
using testing::CommandOutput;

// Tags written by python3-mutagen as version 3 (it writes version 4 unless
// told), with its own padding after the frames.
TEST(Id3v2, ReadsTagsWrittenByMutagen) {
  struct Case {
    const char* frames;  // Python statements adding frames to `tag`
    std::map<std::string, std::u16string> texts, comments;
  } const cases[] = {
      {R"(
tag.add(TIT2(encoding=0, text='Title  '))
tag.add(TPE1(encoding=0, text='Artist'))
tag.add(TALB(encoding=0, text='Album'))
tag.add(TYER(encoding=0, text='1999'))
tag.add(TCON(encoding=0, text='(13)'))
tag.add(TXXX(encoding=0, desc='d', text='skipped'))
tag.add(COMM(encoding=0, lang='eng', desc='', text='english'))
tag.add(COMM(encoding=0, lang='jpn', desc='', text='japanese'))
tag.add(COMM(encoding=0, lang='deu', desc='', text='deutsch'))
)",
       {{"TIT2", u"Title"}, {"TPE1", u"Artist"}, {"TALB", u"Album"}, {"TYER", u"1999"}, {"TCON", u"(13)"}},
       {{"eng", u"english"}, {"jpn", u"japanese"}}},
      {R"(
tag.add(TIT2(encoding=1, text='\u30c6\u30b9\u30c8 '))
tag.add(TPE1(encoding=1, text='\u6f22\u5b57'))
tag.add(TALB(encoding=1, text='Album \u66f2'))
tag.add(TYER(encoding=1, text='2024'))
tag.add(TCON(encoding=1, text='J-Pop'))
tag.add(COMM(encoding=1, lang='eng', desc='', text='english'))
tag.add(COMM(encoding=1, lang='jpn', desc='', text='\u3042\u3044'))
)",
       {{"TIT2", u"テスト"}, {"TPE1", u"漢字"}, {"TALB", u"Album 曲"}, {"TYER", u"2024"}, {"TCON", u"J-Pop"}},
       {{"eng", u"english"}, {"jpn", u"あい"}}},
  };
  for (const Case& c : cases) {
    const std::string file = CommandOutput(std::string(R"(/usr/bin/python3 - <<'EOF'
import io, sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TYER, TCON, TXXX, COMM
tag = ID3()
)") + c.frames + R"(
out = io.BytesIO()
tag.save(out, v2_version=3)
sys.stdout.buffer.write(out.getvalue())
EOF)");
    const auto size = ParseId3v2Header(AsBytes(file));
    ASSERT_TRUE(size) << c.frames;
    ASSERT_LE(*size + kId3v2HeaderSize, file.size());
    const Id3v2Frames frames =
        ParseId3v2Body(AsBytes(file).subspan(kId3v2HeaderSize, *size), tags::testing::TestCodec());
    // As the caller stores them.
    const std::map<std::string, std::u16string> texts(frames.texts.begin(), frames.texts.end());
    const std::map<std::string, std::u16string> comments(frames.comments.begin(), frames.comments.end());
    EXPECT_EQ(texts, c.texts) << c.frames;
    EXPECT_EQ(comments, c.comments) << c.frames;
  }
}
#endif

}  // namespace
}  // namespace zv::tags
