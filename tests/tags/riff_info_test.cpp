// The RIFF wrapper: the data chunk in the first 2000 bytes, the INFO list in
// the tail as the library writes it and as other tools write it, and WAV files
// from sox and Python's wave module.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#endif

#include "riff_info.h"
#include "test_codec.h"

namespace zv::tags {
namespace {

using namespace std::literals;

const testing::TestCodec kCodec;

Bytes AsBytes(std::string_view bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }
std::vector<std::uint8_t> Raw(std::string_view bytes) { return {bytes.begin(), bytes.end()}; }

using Found = std::optional<std::pair<std::uint32_t, std::uint32_t>>;  // offset and size of "data"
Found FindData(Bytes head) {
  const auto chunk = FindDataChunk(head);
  if (!chunk) return std::nullopt;
  return std::pair{chunk->offset, chunk->size};
}

// A format chunk for 8-bit mono at 8000 Hz, which holds no "data".
constexpr std::string_view kFmt = "fmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x40\x1F\0\0\x01\0\x08\0"sv;

TEST(RiffInfo, FindsTheFirstDataAtAnyOffsetFromFourWithItsSizeInsideTheHead) {
  const struct {
    const char* name;
    std::string head;
    Found expected;
  } cases[] = {
      {"after fmt", std::string("RIFF\x30\0\0\0WAVE"sv) + std::string(kFmt) + "data\x10\0\0\0"s, std::pair{36u, 16u}},
      {"size field ends the head", std::string("RIFFdata\x07\0\0\0"sv), std::pair{4u, 7u}},
      {"size field cut", std::string("RIFFdata\x07\0\0"sv), std::nullopt},
      {"before offset 4", std::string("RIFdata\x07\0\0\0"sv), std::nullopt},
      {"unaligned, first of two", std::string("RIFF\0data\x01\0\0\0data\x02\0\0\0"sv), std::pair{5u, 1u}},
      {"inside an earlier chunk", std::string("RIFF\0\0\0\0WAVELIST\x14\0\0\0INFOINAM\x08\0\0\0my data\0data"sv),
       std::pair{35u, 0x74616400u}},
      {"largest size", std::string("RIFF....data\xFF\xFF\xFF\xFF"sv), std::pair{8u, 0xFFFFFFFFu}},
      {"size field ends at 2000", "RIFF" + std::string(1988, 'x') + "data\x05\0\0\0"s, std::pair{1992u, 5u}},
      {"size field beyond 2000", "RIFF" + std::string(1991, 'x') + "data\x05\0\0\0tail"s, std::nullopt},
      {"empty", "", std::nullopt},
      {"only RIFF", "RIFF", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FindData(AsBytes(c.head)), c.expected) << c.name;
  EXPECT_EQ(FindDataChunk(AsBytes("RIFF....data\xFF\xFF\xFF\xFF"sv))->AudioEnd(), 0x10000000Fu);
}

TEST(RiffInfo, ReadsInfoEntriesUntilTheFirstThatCannotBeRead) {
  const std::string id3 = "IID3\x80\0\0\0TAG"s + std::string(125, '\0');
  const struct {
    const char* name;
    std::string tail;
    std::optional<InfoEntries> expected;
  } cases[] = {
      {"empty", "", std::nullopt},
      {"pad byte only", "\0"s, std::nullopt},
      {"two zero bytes", "\0\0LIST\x04\0\0\0INFO"s, std::nullopt},
      {"other list", "LIST\x04\0\0\0adtl"s, std::nullopt},
      {"cut", "LIST\x04\0\0\0INF"s, std::nullopt},
      {"no entries", "LIST\x04\0\0\0INFO"s, InfoEntries{}},
      {"pad byte, size ignored", "\0LIST\xFF\xFF\xFF\xFFINFO"s, InfoEntries{}},
      {"pad bytes after odd entries", "LIST\x2A\0\0\0INFOINAM\x05\0\0\0Title\0IART\x04\0\0\0BandICMT\x03\0\0\0abc\0"s,
       InfoEntries{{"INAM", u"Title"}, {"IART", u"Band"}, {"ICMT", u"abc"}}},
      {"library layout", "LIST\x18\0\0\0INFOINAM\x05\0\0\0abc\0\0\0\0\0\0\0\0\0"s, InfoEntries{{"INAM", u"abc"}}},
      {"text past the tail", "LIST\x04\0\0\0INFOINAM\x02\0\0\0abIART\x05\0\0\0Band"s, InfoEntries{{"INAM", u"ab"}}},
      {"hostile size",
       "LIST\x04\0\0\0INFOINAM\xFF\xFF\xFF\xFF"
       "abcdefgh"s,
       InfoEntries{}},
      {"identifier in lower case", "LIST\x04\0\0\0INFOINAM\x02\0\0\0abinam\x02\0\0\0cdIART\x02\0\0\0ef"s,
       InfoEntries{{"INAM", u"ab"}}},
      {"NUL in identifier", "LIST\x04\0\0\0INFOINAM\x02\0\0\0abI\0AM\x02\0\0\0cd"s, InfoEntries{{"INAM", u"ab"}}},
      {"two zero bytes between entries", "LIST\x04\0\0\0INFOINAM\x02\0\0\0ab\0\0IART\x02\0\0\0cd"s,
       InfoEntries{{"INAM", u"ab"}}},
      {"fewer than five bytes left", "LIST\x04\0\0\0INFOINAM\x02\0\0\0ab\0IAR"s, InfoEntries{{"INAM", u"ab"}}},
      {"ID3v1 tag skipped", "LIST\x04\0\0\0INFO"s + id3 + "INAM\x02\0\0\0ab"s, InfoEntries{{"INAM", u"ab"}}},
      {"UTF-16, trailing space", "LIST\x04\0\0\0INFOICMT\x0A\0\0\0\xFF\xFE\x42\x30\x44\x30\x20\0\0\0"s,
       InfoEntries{{"ICMT", u"あい"}}},
      {"ANSI up to NUL, trailing spaces", "LIST\x04\0\0\0INFOINAM\x08\0\0\0ab  \0cd\0"s, InfoEntries{{"INAM", u"ab"}}},
      {"Shift-JIS", "LIST\x04\0\0\0INFOINAM\x04\0\0\0\x8A\xBF\x8E\x9A"s, InfoEntries{{"INAM", u"漢字"}}},
      {"empty text", "LIST\x04\0\0\0INFOICMT\0\0\0\0IART\x01\0\0\0a"s, InfoEntries{{"ICMT", u""}, {"IART", u"a"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInfoList(AsBytes(c.tail), kCodec), c.expected) << c.name;
}

TEST(RiffInfo, BuildsTheLibraryLayoutZeroFilledToTheReservedLength) {
  // Each entry: identifier, n + 1, the n bytes of text and NUL, two zero bytes.
  const auto even =
      "LIST\x16\0\0\0INFOIART\x04\0\0\0ab\0"
      "\0\0"
      "\0\0\0\0\0"sv;
  const struct {
    const char* name;
    InfoEntries entries;
    std::string_view expected;
  } cases[] = {
      {"none", {}, "LIST\x04\0\0\0INFO"sv},
      {"odd text",
       {{"INAM", u"abc"}},
       "LIST\x18\0\0\0INFOINAM\x05\0\0\0abc\0"
       "\0\0"
       "\0\0\0\0\0\0"sv},
      {"even text", {{"IART", u"ab"}}, even},
      {"Shift-JIS",
       {{"INAM", u"漢字"}},
       "LIST\x16\0\0\0INFOINAM\x06\0\0\0\x8A\xBF\x8E\x9A\0"
       "\0\0"
       "\0\0\0"sv},
      {"in order, empty text",
       {{"INAM", u"テスト曲"}, {"ICMT", u""}},
       "LIST\x28\0\0\0INFO"
       "INAM\x0A\0\0\0\x83\x65\x83\x58\x83\x67\x8B\xC8\0"
       "\0\0"
       "ICMT\x02\0\0\0\0"
       "\0\0"
       "\0\0\0\0\0\0"sv},
      {"unreadable identifiers left out", {{"IID3", u"x"}, {"inam", u"y"}, {"INA", u"z"}, {"IART", u"ab"}}, even},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildInfoList(c.entries, kCodec), Raw(c.expected)) << c.name;
}

// A system code page of UTF-8: three bytes for each kana.
class Utf8Codec final : public AnsiCodec {
 public:
  std::u16string ToWide(std::string_view) const override { return {}; }
  std::string ToAnsi(std::u16string_view text) const override {
    std::string ansi;
    for (char16_t c : text) ansi += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    return ansi;
  }
  bool IsLeadByte(std::uint8_t) const override { return false; }
};

TEST(RiffInfo, ListGrowsPastTheReserveRatherThanBeingCut) {
  const struct {
    std::u16string text;
    std::string_view expected;
  } cases[] = {
      {u"あいあ",  // fills the reserve of 32 exactly
       "LIST\x18\0\0\0INFOINAM\x0B\0\0\0\xE3\x81\x82\xE3\x81\x84\xE3\x81\x82\0"
       "\0\0"sv},
      {u"あいあい",  // one byte over the reserve of 34
       "LIST\x1B\0\0\0INFOINAM\x0E\0\0\0\xE3\x81\x82\xE3\x81\x84\xE3\x81\x82\xE3\x81\x84\0"
       "\0\0"sv},
  };
  for (const auto& c : cases) {
    const auto list = BuildInfoList({{"INAM", c.text}}, Utf8Codec());
    EXPECT_EQ(list, Raw(c.expected));
    const auto parsed = ParseInfoList(list, kCodec);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->size(), 1u);
    EXPECT_EQ(parsed->front().first, "INAM");
  }
}

TEST(RiffInfo, ReadsBackWhatItBuilds) {
  const InfoEntries cases[] = {
      {},
      {{"INAM", u"a"}},
      {{"INAM", u"ab"}, {"IART", u"abc"}, {"ICMT", u""}, {"IGNR", u"漢字テスト"}, {"ICRD", u"2024"}},
      {{"INAM", u"あ"}, {"INAM", u"い曲"}},
  };
  for (const auto& entries : cases) {
    std::vector<std::uint8_t> tail = BuildInfoList(entries, kCodec);
    EXPECT_EQ(ParseInfoList(tail, kCodec), entries);
    tail.insert(tail.begin(), 0);  // behind an odd-sized data chunk
    EXPECT_EQ(ParseInfoList(tail, kCodec), entries);
  }
}

// The tail as the library's caller cuts it: everything behind the audio data.
std::optional<InfoEntries> TailEntries(Bytes file) {
  const auto chunk = FindDataChunk(file.first(std::min(file.size(), kRiffSearchSize)));
  if (!chunk || chunk->AudioEnd() > file.size()) return std::nullopt;
  return ParseInfoList(file.subspan(chunk->AudioEnd()), kCodec);
}

TEST(RiffInfo, ReadsFilesAsOtherToolsWriteThem) {
  const std::string riff = "RIFF\0\0\0\0WAVE"s + std::string(kFmt);
  const struct {
    const char* name;
    std::string file;
    Found data;
    std::optional<InfoEntries> entries;
  } cases[] = {
      {"pad bytes after odd data and entries",
       riff + "data\x03\0\0\0\x80\x81\x82\0LIST\x1E\0\0\0INFOINAM\x05\0\0\0Title\0ISFT\x03\0\0\0sox\0"s,
       std::pair{36u, 3u}, InfoEntries{{"INAM", u"Title"}, {"ISFT", u"sox"}}},
      {"list before data", riff + "LIST\x10\0\0\0INFOINAM\x04\0\0\0abc\0data\x02\0\0\0\x80\x81"s, std::pair{60u, 2u},
       std::nullopt},
      {"no data in the first 2000 bytes", riff + "JUNK\xD0\x07\0\0"s + std::string(2000, 'x') + "data\x01\0\0\0\x80"s,
       std::nullopt, std::nullopt},
      {"data to the end", riff + "data\x02\0\0\0\x80\x81"s, std::pair{36u, 2u}, std::nullopt},
      {"data past the end", riff + "data\x20\0\0\0\x80\x81LIST\x04\0\0\0INFO"s, std::pair{36u, 32u}, std::nullopt},
  };
  for (const auto& c : cases) {
    const Bytes file = AsBytes(c.file);
    EXPECT_EQ(FindData(file.first(std::min(file.size(), kRiffSearchSize))), c.data) << c.name;
    EXPECT_EQ(TailEntries(file), c.entries) << c.name;
  }
}

#ifndef _WIN32
// WAV files written by sox and by Python's wave module. sox keeps --comment to
// itself in WAV files: no LIST chunk is written.
class RiffInfoOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "riff_info_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The bytes the command writes to the file named between before and after.
  std::vector<std::uint8_t> Write(const std::string& before, const std::string& after) {
    const std::string path = (dir_ / "out.wav").string();
    const std::string line = before + " '" + path + "' " + after + " 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path dir_;
};

TEST_F(RiffInfoOracle, FindsTheDataChunkOfSoxAndPythonWaves) {
  const std::string python =
      "/usr/bin/python3 -c 'import sys, wave; w = wave.open(sys.argv[1], \"wb\"); w.setframerate(8000); ";
  const struct {
    std::string before, after;
    std::uint32_t offset, size;
    std::string_view tail;
  } cases[] = {
      // 32-bit float: an extensible format chunk and a fact chunk before the data.
      {"sox -n -r 8000 -c 1 --comment Hello", "trim 0 0.01", 72, 320, ""},
      {"sox -n -r 8000 -c 1 -b 16 --comment Hello", "trim 0 0.01", 36, 160, ""},
      {"sox -n -r 8000 -c 1 -b 8", "trim 0 0.000375", 36, 3, "\0"sv},  // odd: sox adds the pad byte
      {python + "w.setnchannels(1); w.setsampwidth(1); w.writeframes(bytes(3)); w.close()'", "", 36, 3, ""},
      {python + "w.setnchannels(2); w.setsampwidth(2); w.writeframes(bytes(24)); w.close()'", "", 36, 24, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    const auto file = Write(c.before, c.after);
    const Bytes bytes(file);
    const auto chunk = FindDataChunk(bytes.first(std::min(bytes.size(), kRiffSearchSize)));
    ASSERT_TRUE(chunk.has_value());
    EXPECT_EQ(chunk->offset, c.offset);
    EXPECT_EQ(chunk->size, c.size);
    ASSERT_LE(chunk->AudioEnd(), bytes.size());
    const Bytes tail = bytes.subspan(chunk->AudioEnd());
    EXPECT_EQ(std::vector(tail.begin(), tail.end()), Raw(c.tail));
    EXPECT_EQ(ParseInfoList(tail, kCodec), std::nullopt);
  }
}
#endif

}  // namespace
}  // namespace zv::tags
