// What the tag dialog decides, on plain values. A form is written as its 16
// texts joined by "|": title, artist, album, year, genre, comment, then INAM,
// IART, IPRD, ICRD, IGNR, ICMT, ISRC, ISFT, ICOP, IENG.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tag_form.h"

namespace zv::tags {
namespace {

// ticks: "1" for each field ticked, in the same order.
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

std::u16string Joined(const TagForm& form) {
  std::u16string joined = form.texts[0];
  for (std::size_t i = 1; i < kFormFields; ++i) joined += u"|" + form.texts[i];
  return joined;
}

TEST(TagForm, ShowsTheTagsTheKindAndTheRiffControlsOfAFile) {
  const Id3v1Fields id3{u"T", u"Ar", u"Al", u"1999", u"C", 17}, noGenre{u"T", u"", u"", u"", u"", 200};
  const InfoEntries info{{"IENG", u"e"}, {"IKEY", u"k"}, {"INAM", u"n"}};
  const std::tuple<const Id3v1Fields*, const InfoEntries*, std::u16string_view> cases[] = {
      {&id3, &info, u"T|Ar|Al|1999|Rock|C|n|||||||||e"},
      {nullptr, &info, u"||||未定||n|||||||||e"},
      {&noGenre, nullptr, u"T||||未定|||||||||||"},
  };
  for (const auto& [tag, entries, shown] : cases) {
    TagForm form = Form(u"x|x|x|x|x|x|x|x|x|x|x|x|x|x|x|x");
    ShowTags(tag, entries, form);
    EXPECT_EQ(Joined(form), shown);
  }
  // The genre list: the table's names, each found again exactly, then 未定.
  for (std::size_t i = 0; i < kGenreListSize; ++i) EXPECT_EQ(GenreListIndex(GenreListName(i)), i);
  EXPECT_EQ(GenreListName(kGenreListSize - 1), u"未定");
  EXPECT_EQ(GenreListIndex(u"rock"), std::nullopt);

  const std::pair<unsigned, std::optional<unsigned>> kinds[] = {{0, 0}, {1, 1}, {2, 2},  {3, 3},  {4, 0},
                                                                {5, 1}, {7, 3}, {8, {}}, {13, {}}};
  for (const auto& [kind, radio] : kinds) EXPECT_EQ(KindRadio(kind), radio) << kind;
  const std::pair<const wchar_t*, bool> names[] = {
      {L"a.mp3", false}, {L"B.MP2", false}, {L"d.wav", true}, {L"f.ogg", true}, {L"g.mp3.wav", true}};
  for (const auto& [name, riff] : names) EXPECT_EQ(EnablesRiffControls(name), riff) << name;
}

TEST(TagForm, CopyButtonsCopyTheirPairsAndLookTheGenreUpExactly) {
  const std::u16string_view both = u"T|Ar|Al|1999|Rock|C|n|a|al|2000|Jazz|c|s|sw|cp|e";
  const std::tuple<std::u16string_view, void (*)(TagForm&), std::u16string_view> cases[] = {
      {both, CopyId3ToInfo, u"T|Ar|Al|1999|Rock|C|T|Ar|Al|1999|Rock|C|s|sw|cp|e"},
      {u"|||||||||||||||", CopyId3ToInfo, u"|||||||||||||||"},
      {both, CopyInfoToId3, u"n|a|al|2000|Jazz|c|n|a|al|2000|Jazz|c|s|sw|cp|e"},
      {u"T||||||||||rock|||||", CopyInfoToId3, u"||||未定||||||rock|||||"},
      {u"T|||||||||||||||", CopyInfoToId3, u"||||未定|||||||||||"},
  };
  for (const auto& [before, copy, after] : cases) {
    TagForm form = Form(before);
    copy(form);
    EXPECT_EQ(Joined(form), after);
  }
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
