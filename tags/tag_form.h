// What the tag entry dialog decides, apart from its controls: the texts its
// fields show for a file, what the copy buttons copy, the genre list, and
// what a write takes from the fields into a file's tags.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "id3v1.h"
#include "riff_info.h"

namespace zv::tags {

// The tag kind bits of a record: what a read found, or what a write wants.
inline constexpr unsigned kKindId3v1 = 1, kKindInfo = 2, kKindId3v2 = 4;

// The dialog's fields in one order for their texts and ticks: the ID3 side,
// then the RIFF INFO side.
enum FormField : std::size_t {
  kTitle,
  kArtist,
  kAlbum,
  kYear,
  kGenre,
  kComment,
  kInfoName,
  kInfoArtist,
  kInfoAlbum,
  kInfoYear,
  kInfoGenre,
  kInfoComment,
  kInfoSource,
  kInfoSoftware,
  kInfoCopyright,
  kInfoEngineer,
  kFormFields
};
// The INFO identifier of each field from kInfoName on.
inline constexpr std::string_view kInfoIds[] = {"INAM", "IART", "IPRD", "ICRD", "IGNR",
                                                "ICMT", "ISRC", "ISFT", "ICOP", "IENG"};
static_assert(kInfoName + std::size(kInfoIds) == kFormFields);

struct TagForm {
  // The edits' texts; the genre list's is the name selected, empty while none is.
  std::array<std::u16string, kFormFields> texts;
  // The ticks of the all-at-once mode.
  std::bitset<kFormFields> ticks;
};

// The genre list: the genre table's names in its order, then 未定 (no genre).
inline constexpr std::size_t kGenreListSize = 149;
std::u16string_view GenreListName(std::size_t index);
// The list's index of a name, compared exactly ("rock" is not "Rock").
std::optional<std::size_t> GenreListIndex(std::u16string_view name);

// The fields for a file's tags: the ID3 side from id3 (or empty with 未定),
// the ten INFO fields from info (or empty).
void ShowTags(const Id3v1Fields* id3, const InfoEntries* info, TagForm& form);
// The radio (0 none, 1 ID3, 2 INFO, 3 both) for a record's kind; none for a kind
// beyond them, which leaves the radios as they are.
std::optional<unsigned> KindRadio(unsigned tagKind);
// An MP3 or MP2 file carries no INFO list: the RIFF-only controls go grey.
bool EnablesRiffControls(const wchar_t* fileName);

// "ID3からRMPへコピー" and "RMPからID3へコピー".
void CopyId3ToInfo(TagForm& form);
void CopyInfoToId3(TagForm& form);

// A write takes every field file by file, and only the ticked ones all at once.
// Into the ID3v1 tag: the texts cut to the tag's 30 characters (the year to 4)
// and the genre byte of the name selected (255 for 未定).
void TakeId3v1(const TagForm& form, bool allAtOnce, Id3v1Fields& tag);
// Into the INFO list: each field's text, or the entry's removal (no text) when
// the field is empty.
struct InfoChange {
  std::string_view id;
  std::optional<std::u16string> text;
  bool operator==(const InfoChange&) const = default;
};
std::vector<InfoChange> TakeInfo(const TagForm& form, bool allAtOnce);

}  // namespace zv::tags
