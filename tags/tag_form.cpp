#include "tag_form.h"

#include <algorithm>
#include <utility>

#include "genres.h"
#include "path.h"

namespace zv::tags {
namespace {

constexpr std::u16string_view kNoGenreName = u"未定";
static_assert(kGenreListSize == kGenres.size() + 1);

struct Id3Text {
  FormField field;
  std::u16string Id3v1Fields::*text;
  std::size_t width;
};
constexpr Id3Text kId3Texts[] = {{kTitle, &Id3v1Fields::title, 30},
                                 {kArtist, &Id3v1Fields::artist, 30},
                                 {kAlbum, &Id3v1Fields::album, 30},
                                 {kYear, &Id3v1Fields::year, 4},
                                 {kComment, &Id3v1Fields::comment, 30}};

// The pairs of fields the copy buttons copy, ID3 side first.
constexpr std::pair<FormField, FormField> kCopies[] = {{kAlbum, kInfoAlbum},     {kArtist, kInfoArtist},
                                                       {kComment, kInfoComment}, {kGenre, kInfoGenre},
                                                       {kYear, kInfoYear},       {kTitle, kInfoName}};

std::u16string_view GenreName(std::uint8_t genre) {
  const auto found = std::find_if(kGenres.begin(), kGenres.end(), [&](const Genre& g) { return g.number == genre; });
  return found != kGenres.end() ? found->name : kNoGenreName;
}

std::uint8_t GenreByte(std::u16string_view name) {
  const auto index = GenreListIndex(name);
  return index && *index < kGenres.size() ? static_cast<std::uint8_t>(kGenres[*index].number) : kNoGenre;
}

bool Takes(const TagForm& form, bool allAtOnce, FormField field) { return !allAtOnce || form.ticks[field]; }

}  // namespace

std::u16string_view GenreListName(std::size_t index) {
  return index < kGenres.size() ? kGenres[index].name : kNoGenreName;
}

std::optional<std::size_t> GenreListIndex(std::u16string_view name) {
  for (std::size_t i = 0; i < kGenreListSize; ++i) {
    if (GenreListName(i) == name) return i;
  }
  return std::nullopt;
}

void ShowTags(const Id3v1Fields* id3, const InfoEntries* info, TagForm& form) {
  const Id3v1Fields none;
  const Id3v1Fields& tag = id3 ? *id3 : none;
  for (const Id3Text& text : kId3Texts) form.texts[text.field] = tag.*text.text;
  form.texts[kGenre] = GenreName(tag.genre);
  for (std::size_t i = 0; i < std::size(kInfoIds); ++i) {
    std::u16string& text = form.texts[kInfoName + i];
    text.clear();
    if (!info) continue;
    const auto found = std::find_if(info->begin(), info->end(), [&](const auto& e) { return e.first == kInfoIds[i]; });
    if (found != info->end()) text = found->second;
  }
}

std::optional<unsigned> KindRadio(unsigned tagKind) {
  const unsigned kind = tagKind & ~kKindId3v2;
  return kind <= (kKindId3v1 | kKindInfo) ? std::optional(kind) : std::nullopt;
}

bool EnablesRiffControls(const wchar_t* fileName) {
  return !HasExtension(fileName, L"MP3") && !HasExtension(fileName, L"MP2");
}

void CopyId3ToInfo(TagForm& form) {
  for (const auto& [id3, info] : kCopies) form.texts[info] = form.texts[id3];
}

void CopyInfoToId3(TagForm& form) {
  for (const auto& [id3, info] : kCopies) form.texts[id3] = form.texts[info];
  if (!GenreListIndex(form.texts[kGenre])) form.texts[kGenre] = kNoGenreName;
}

void TakeId3v1(const TagForm& form, bool allAtOnce, Id3v1Fields& tag) {
  for (const Id3Text& text : kId3Texts) {
    if (Takes(form, allAtOnce, text.field)) tag.*text.text = form.texts[text.field].substr(0, text.width);
  }
  if (Takes(form, allAtOnce, kGenre)) tag.genre = GenreByte(form.texts[kGenre]);
}

std::vector<InfoChange> TakeInfo(const TagForm& form, bool allAtOnce) {
  std::vector<InfoChange> changes;
  for (std::size_t i = 0; i < std::size(kInfoIds); ++i) {
    const auto field = static_cast<FormField>(kInfoName + i);
    if (!Takes(form, allAtOnce, field)) continue;
    const std::u16string& text = form.texts[field];
    changes.push_back({kInfoIds[i], text.empty() ? std::nullopt : std::optional(text)});
  }
  return changes;
}

}  // namespace zv::tags
