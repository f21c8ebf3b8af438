// The ID3v1 tag: the last 128 bytes of a file, beginning with "TAG". Five
// fixed-width ANSI text fields and a genre byte; no track number, so the
// comment always takes all 30 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tag_text.h"

namespace zv::tags {

inline constexpr std::size_t kId3v1Size = 128;
inline constexpr std::uint8_t kNoGenre = 255;

struct Id3v1Fields {
  std::u16string title, artist, album, year, comment;
  std::uint8_t genre = kNoGenre;
  bool operator==(const Id3v1Fields&) const = default;
};

// The fields of a tag, or nullopt when the bytes are not 128 beginning with "TAG".
std::optional<Id3v1Fields> ParseId3v1(Bytes tag, const AnsiCodec& codec);

// The 128 bytes of a tag: "TAG", each field in ANSI padded with NUL bytes to its
// width (a longer text is cut at the width, never inside a double-byte
// character), and the genre byte.
std::array<std::uint8_t, kId3v1Size> BuildId3v1(const Id3v1Fields& fields, const AnsiCodec& codec);

}  // namespace zv::tags
