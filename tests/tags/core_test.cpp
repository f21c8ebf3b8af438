// The tag layouts on bytes laid out here (\377\376 is FF FE, the mark of UTF-16
// text), and what the tag dialog decides.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "id3v1.h"
#include "id3v2.h"
#include "mpeg_frame.h"
#include "riff_info.h"
#include "tag_bytes.h"
#include "tag_form.h"
#include "test_codec.h"

namespace zv::tags {
namespace {

using namespace std::literals;
using ::testing::PrintToString;

const testing::TestCodec kCodec;
std::string A(std::u16string_view text) { return kCodec.ToAnsi(text); }
Bytes AsBytes(std::string_view bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }
std::string Str(const auto& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Id3v1, ReadsAndWritesEachFieldAtItsWidth) {
  const std::string comment = "123456789012345678901234567\1\0029";  // bytes 28 and 29 are text, not a track
  const auto tag = tag_bytes::Id3v1({"Song  ", A(u"あい"), "Album", "1999", comment, 17});
  const Id3v1Fields read{u"Song", u"あい", u"Album", u"1999", std::u16string(comment.begin(), comment.end()), 17};
  EXPECT_EQ(ParseId3v1(AsBytes(tag), kCodec), read);
  // 1 + 32 bytes of title: the 16th character does not fit.
  const Id3v1Fields written{
      u"aあいあいあいあいあいあいあいあい", u"Artist", u"", u"20245", std::u16string(30, u'c'), 9};
  const std::string title = A(u"aあいあいあいあいあいあいあい");
  EXPECT_EQ(Str(BuildId3v1(written, kCodec)), tag_bytes::Id3v1({title, "Artist", "", "2024", std::string(30, 'c'), 9}));
}

TEST(Id3v2, HeaderGivesTheSyncsafeBodySizeOfVersion3Only) {
  // Seven bits a byte, the top bit not counted; revision and flags not looked at; none for other versions, in
  // lower case, or cut short.
  const std::pair<std::string, std::optional<std::uint32_t>> cases[] = {
      {"ID3\3\0\0\0\0\2\1"s, 257},   {"ID3\3\0\0\x7F\x7F\x7F\x7F"s, 268435455},
      {"ID3\3\0\0\0\0\2\xFF"s, 383}, {"ID3\3\1\xE0\0\0\0\5TIT2"s, 5},
      {"ID3\2\0\0\0\0\0\5"s, {}},    {"ID3\4\0\0\0\0\0\5"s, {}},
      {"id3\3\0\0\0\0\0\5"s, {}},    {"ID3\3\0\0\0\0\0"s, {}}};
  for (const auto& [header, size] : cases) EXPECT_EQ(ParseId3v2Header(AsBytes(header)), size) << PrintToString(header);
}

// A frame: identifier, big-endian data size, no flags, the data.
std::string Frame(std::string_view id, std::string_view data) {
  std::string frame(id);
  for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<char>(data.size() >> shift));
  return frame.append(2, '\0').append(data);
}

TEST(Id3v2, WalksTheFramesKeepingTextsAndEnglishOrJapaneseComments) {
  const std::string title = Frame("TIT2", "\0T"sv), artist = Frame("TPE1", "\0A"sv), jpn = "\0jpn\0"s + A(u"あ");
  const std::tuple<std::string, decltype(Id3v2Frames::texts), decltype(Id3v2Frames::comments)> cases[] = {
      {Frame("TIT2", "\0Song  "sv) + Frame("TPE1", "\1\377\376N\0\xC6\x30 \0\0\0"sv) + Frame("TALB", "\0Al\0bum"sv),
       {{"TIT2", u"Song"}, {"TPE1", u"Nテ"}, {"TALB", u"Al"}},
       {}},
      // The code page; the genre as text; unknown and empty frames passed over.
      {Frame("TCON", "\0(13)"sv) + Frame("APIC", "\0image"sv) + Frame("TIT2", ""sv) + Frame("TALB", "\0"s + A(u"漢")),
       {{"TCON", u"(13)"}, {"TALB", u"漢"}},
       {}},
      // Sizes are big-endian: 200 read syncsafe would be 72 and lose the walk.
      {Frame("TIT2", "\0"s + std::string(199, 'a')) + artist,
       {{"TIT2", std::u16string(199, u'a')}, {"TPE1", u"A"}},
       {}},
      // The walk ends at padding and at data past the body.
      {title + std::string(10, '\0') + artist, {{"TIT2", u"T"}}, {}},
      {title + "TPE1\0\0\0\3\0\0\0A"s, {{"TIT2", u"T"}}, {}},
      // Comments in order; other languages and those under six bytes passed over.
      {Frame("COMM", "\0eng\0first"sv) + Frame("COMM", jpn) + Frame("COMM", "\0deu\0Hallo"sv) +
           Frame("COMM", "\0ENG\0x"sv) + Frame("COMM", "\0eng\0"sv) + Frame("COMM", "\0eng\0X  "sv) + title,
       {{"TIT2", u"T"}},
       {{"eng", u"first"}, {"jpn", u"あ"}, {"eng", u"X"}}},
      // UTF-16 after an empty description, ending at a NUL unit (一 is 00 4E).
      {Frame("COMM", "\1eng\377\376\0\0\377\376H\0o\0 \0\0\0"sv), {}, {{"eng", u"Ho"}}},
      {Frame("COMM", "\1jpn\377\376\0\0\377\376\0\x4E\x8C\x4E\0\0"sv), {}, {{"jpn", u"一二"}}},
  };
  for (const auto& [body, texts, comments] : cases) {
    const Id3v2Frames frames = ParseId3v2Body(AsBytes(body), kCodec);
    EXPECT_EQ(frames.texts, texts) << PrintToString(body);
    EXPECT_EQ(frames.comments, comments) << PrintToString(body);
  }
}

using Summary = std::array<std::uint32_t, 6>;
Summary Scan(const std::vector<std::uint8_t>& bytes) { return std::bit_cast<Summary>(ScanMpegFrames(bytes)); }

// A frame, an FF one byte early and the next header (192 kbit/s) at exactly the frame length: a scan landing
// one byte short takes the two FFs for a Layer I header and misses the real one.
std::vector<std::uint8_t> TwoFrames(std::vector<std::uint8_t> first, std::size_t length) {
  first.resize(length - 1);
  for (std::uint8_t byte : {0xFF, 0xFF, 0xFB, 0xB0, 0x00}) first.push_back(byte);
  return first;
}

TEST(MpegFrame, ScanJumpsOverEachFrameKeepingTheHighestBitRateAndTheLastFormat) {
  std::vector<std::uint8_t> inside(417);  // 128 kbit/s, 44.1 kHz, and at 100 a 320 kbit/s header that is data
  for (std::size_t at : {0, 100}) inside[at] = 0xFF, inside[at + 1] = 0xFB, inside[at + 2] = at ? 0xE0 : 0x90;
  // MPEG 2, MPEG 2.5 in mono (the channel mode stays 0), an invalid header not jumped over, a header inside
  // a frame; then frames of each version followed by a 192 kbit/s header.
  const std::pair<std::vector<std::uint8_t>, Summary> found[] = {
      {{0xFF, 0xF3, 0x84, 0x00}, {1, 2, 1, 8, 1, 0}},
      {{0xFF, 0xE3, 0x18, 0xC4}, {1, 0, 1, 1, 2, 0}},
      {{0xFF, 0xFB, 0xF0, 0x00, 0xFF, 0xFB, 0x90, 0x00}, {1, 3, 1, 9, 0, 0}},
      {inside, {1, 3, 1, 9, 0, 0}},
      {TwoFrames({0xFF, 0xFB, 0x92, 0x00}, 418), {1, 3, 1, 11, 0, 0}},  // MPEG 1, 128 kbit/s, 44.1 kHz, padded
      {TwoFrames({0xFF, 0xF3, 0xE8, 0x00}, 720), {1, 3, 1, 14, 0, 0}},  // MPEG 2, 160 kbit/s, 16 kHz
      {TwoFrames({0xFF, 0xE3, 0x18, 0xC4}, 72), {1, 3, 1, 11, 0, 0}},   // MPEG 2.5, 8 kbit/s, 8 kHz
  };
  for (const auto& [bytes, summary] : found) EXPECT_EQ(Scan(bytes), summary) << PrintToString(bytes);
  // Cut short, Layer II, 10 sync bits, an FF before a header (taken as Layer I, so the header is passed).
  const std::vector<std::uint8_t> none[] = {
      {0xFF, 0xFB, 0x90}, {0xFF, 0xFD, 0x90, 0x00}, {0xFF, 0xDB, 0x90, 0x00}, {0xFF, 0xFF, 0xFB, 0x90, 0x00}};
  for (const auto& bytes : none) EXPECT_EQ(Scan(bytes), Summary{}) << PrintToString(bytes);
}

TEST(RiffInfo, FindsTheFirstDataFromOffsetFourWithItsSizeInsideTheHead) {
  using Found = std::optional<std::pair<std::uint32_t, std::uint64_t>>;  // offset of "data", end of the audio
  const std::string x1988(1988, 'x');
  // After another chunk; at offset 4 but cut; the first of two, unaligned; inside an earlier chunk; the size
  // field ending at 2000 bytes (the end beyond 32 bits), or beyond.
  const std::pair<std::string, Found> cases[] = {
      {"RIFF\0\0\0\0WAVEfmt \4\0\0\0fmt!data\x10\0\0\0"s, std::pair{24u, 48ull}},
      {"RIFFdata\7\0\0"s, {}},
      {"RIFF\0data\1\0\0\0data\2\0\0\0"s, std::pair{5u, 14ull}},
      {"RIFF\0\0\0\0WAVELIST\x14\0\0\0INFOINAM\x08\0\0\0my data\0data"s, std::pair{35u, 0x74616400ull + 43}},
      {"RIFF" + x1988 + "data\xFF\xFF\xFF\xFF"s, std::pair{1992u, 0x1000007CFull}},
      {"RIFF" + x1988 + "xxxdata\5\0\0\0"s, {}},
  };
  for (const auto& [head, found] : cases) {
    const auto chunk = FindDataChunk(AsBytes(head));
    EXPECT_EQ(chunk ? Found(std::pair{chunk->offset, chunk->AudioEnd()}) : std::nullopt, found) << PrintToString(head);
  }
}

TEST(RiffInfo, ReadsInfoEntriesUntilTheFirstThatCannotBeRead) {
  const std::string info = "LIST\4\0\0\0INFO"s, tag = "IID3\x80\0\0\0TAG"s + std::string(125, '\0');
  for (const auto& none : {""s, "\0\0"s + info, "LIST\4\0\0\0adtl"s})
    EXPECT_FALSE(ParseInfoList(AsBytes(none), kCodec));
  // One pad byte (the size not looked at); pad bytes after odd entries; the library's layout; an ID3v1 tag
  // passed over, UTF-16, a big-endian mark (no UTF-16), empty text; the entries end at text past the tail.
  const std::pair<std::string, std::optional<InfoEntries>> cases[] = {
      {"\0LIST\xFF\xFF\xFF\xFFINFO"s, InfoEntries{}},
      {info + "INAM\5\0\0\0Title\0IART\4\0\0\0BandICMT\3\0\0\0abc\0"s,
       InfoEntries{{"INAM", u"Title"}, {"IART", u"Band"}, {"ICMT", u"abc"}}},
      {info + "INAM\5\0\0\0abc\0\0\0\0\0\0\0\0\0"s, InfoEntries{{"INAM", u"abc"}}},
      {info + tag + "ICMT\x0A\0\0\0\377\376\x42\x30\x44\x30\x20\0\0\0"s, InfoEntries{{"ICMT", u"あい"}}},
      {info + "INAM\4\0\0\0\376\377A\0"s, InfoEntries{{"INAM", u"\u7EFFA"}}},
      {info + "INAM\7\0\0\0"s + A(u"漢") + "  \0cdICMT\0\0\0\0"s, InfoEntries{{"INAM", u"漢"}, {"ICMT", u""}}},
      {info + "INAM\2\0\0\0abIART\5\0\0\0Band"s, InfoEntries{{"INAM", u"ab"}}},
  };
  for (const auto& [tail, entries] : cases)
    EXPECT_EQ(ParseInfoList(AsBytes(tail), kCodec), entries) << PrintToString(tail);
}

// Each entry: identifier, n + 1, the n bytes of text and NUL, two zero bytes;
// then zero bytes up to 12 + 2 × (identifier + text characters) + 6 per entry.
TEST(RiffInfo, BuildsTheLibraryLayoutZeroFilledToTheReservedLength) {
  const std::string even = "LIST\x16\0\0\0INFOIART\4\0\0\0ab\0\0\0\0\0\0\0\0"s;
  const std::pair<InfoEntries, std::string> cases[] = {
      {{}, "LIST\4\0\0\0INFO"s},
      {{{"INAM", u"abc"}}, "LIST\x18\0\0\0INFOINAM\5\0\0\0abc\0\0\0\0\0\0\0\0\0"s},
      {{{"IART", u"ab"}}, even},
      {{{"INAM", u"漢字"}, {"ICMT", u""}},
       "LIST\x24\0\0\0INFOINAM\6\0\0\0"s + A(u"漢字") + "\0\0\0ICMT\2"s + std::string(12, '\0')},
      {{{"IID3", u"x"}, {"inam", u"y"}, {"INA", u"z"}, {"IART", u"ab"}}, even},  // unreadable ids left out
  };
  for (const auto& [entries, list] : cases) EXPECT_EQ(Str(BuildInfoList(entries, kCodec)), list);
}

// What the tag dialog decides, on plain values. A form is written as its 16
// texts joined by "|": title, artist, album, year, genre, comment, then INAM,
// IART, IPRD, ICRD, IGNR, ICMT, ISRC, ISFT, ICOP, IENG; ticks: "1" for each
// field ticked, in the same order.
TagForm Form(std::u16string_view joined, std::string_view ticks = "") {
  TagForm form;
  for (std::size_t i = 0, at = 0; i < kFormFields; ++i) {
    const std::size_t end = std::min(joined.find(u'|', at), joined.size());
    form.texts[i] = joined.substr(at, end - at);
    at = std::min(end + 1, joined.size());
    form.ticks[i] = i < ticks.size() && ticks[i] == '1';
  }
  return form;
}

// A file's tags shown in the form; the copy buttons look the genre up exactly.
TEST(TagForm, ShowsAFileCopiesBetweenItsTagsAndPicksItsControls) {
  static const Id3v1Fields id3{u"T", u"Ar", u"Al", u"1999", u"C", 17}, noGenre{u"T", u"", u"", u"", u"", 200};
  static const InfoEntries info{{"IENG", u"e"}, {"IKEY", u"k"}, {"INAM", u"n"}};
  const std::u16string_view shown = u"x|x|x|x|x|x|x|x|x|x|x|x|x|x|x|x";
  const std::u16string_view both = u"T|Ar|Al|1999|Rock|C|n|a|al|2000|Jazz|c|s|sw|cp|e";
  const std::tuple<std::u16string_view, void (*)(TagForm&), std::u16string_view> cases[] = {
      {shown, [](TagForm& form) { ShowTags(&id3, &info, form); }, u"T|Ar|Al|1999|Rock|C|n|||||||||e"},
      {shown, [](TagForm& form) { ShowTags(nullptr, &info, form); }, u"||||未定||n|||||||||e"},
      {shown, [](TagForm& form) { ShowTags(&noGenre, nullptr, form); }, u"T||||未定|||||||||||"},
      {both, CopyId3ToInfo, u"T|Ar|Al|1999|Rock|C|T|Ar|Al|1999|Rock|C|s|sw|cp|e"},
      {u"|||||||||||||||", CopyId3ToInfo, u"|||||||||||||||"},
      {both, CopyInfoToId3, u"n|a|al|2000|Jazz|c|n|a|al|2000|Jazz|c|s|sw|cp|e"},
      {u"T||||||||||rock|||||", CopyInfoToId3, u"||||未定||||||rock|||||"},
      {u"T|||||||||||||||", CopyInfoToId3, u"||||未定|||||||||||"},
  };
  for (const auto& [before, change, after] : cases) {
    TagForm form = Form(before);
    change(form);
    EXPECT_EQ(form.texts, Form(after).texts);
  }
  // No name of the genre list stands twice.
  for (std::size_t i = 0; i < kGenreListSize; ++i) EXPECT_EQ(GenreListIndex(GenreListName(i)), i);

  const std::pair<unsigned, unsigned> kinds[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {5, 1}, {7, 3}};
  for (const auto& [kind, radio] : kinds) EXPECT_EQ(KindRadio(kind), radio) << kind;
  const std::pair<const wchar_t*, bool> names[] = {
      {L"a.mp3", false}, {L"B.MP2", false}, {L"d.wav", true}, {L"f.ogg", true}, {L"g.mp3.wav", true}};
  for (const auto& [name, riff] : names) EXPECT_EQ(EnablesRiffControls(name), riff) << name;
}

TEST(TagForm, AWriteTakesEveryFieldFileByFileAndTheTickedOnesAllAtOnce) {
  const std::u16string title(31, u't'), cut(30, u't');  // the tag holds 30 characters
  const std::u16string texts = title + u"|Ar|Al|20261|Jazz|C|n|a|al|2000|g||s|sw|cp|e";
  const std::u16string all = u"INAM=n IART=a IPRD=al ICRD=2000 IGNR=g ICMT- ISRC=s ISFT=sw ICOP=cp IENG=e ";
  const Id3v1Fields old{u"Old", u"OldAr", u"OldAl", u"1990", u"OldC", 17};
  const std::tuple<std::u16string, bool, std::string_view, Id3v1Fields, std::u16string_view> cases[] = {
      {texts, false, "", {cut, u"Ar", u"Al", u"2026", u"C", 8}, all},
      {texts, true, "1000000000000000", {cut, u"OldAr", u"OldAl", u"1990", u"OldC", 17}, u""},
      {texts, true, "0001100000010001", {u"Old", u"OldAr", u"OldAl", u"2026", u"OldC", 8}, u"ICMT- IENG=e "},
      // 未定, or nothing selected yet (the first file could not be read), is no genre: 255.
      {u"||||未定", true, "00001", {u"Old", u"OldAr", u"OldAl", u"1990", u"OldC", 255}, u""},
      {u"", true, "00001", {u"Old", u"OldAr", u"OldAl", u"1990", u"OldC", 255}, u""},
  };
  for (const auto& [joined, allAtOnce, ticks, id3, info] : cases) {
    const TagForm form = Form(joined, ticks);
    Id3v1Fields tag = old;
    TakeId3v1(form, allAtOnce, tag);
    EXPECT_EQ(tag, id3) << ticks;
    std::u16string changes;
    for (const auto& [id, text] : TakeInfo(form, allAtOnce)) {
      changes += std::u16string(id.begin(), id.end()) + (text ? u"=" + *text : u"-") + u" ";
    }
    EXPECT_EQ(changes, info) << ticks;
  }
}

}  // namespace
}  // namespace zv::tags
