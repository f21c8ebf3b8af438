// The ID3v2.3 tag at the start of an MP3 file, read only: the header, then the
// text frames TIT2, TPE1, TALB, TYER, TCON and the eng/jpn comments.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tag_text.h"

namespace zv::tags {

inline constexpr std::size_t kId3v2HeaderSize = 10;

// The body size S of a version 3 tag from its 10-byte header (syncsafe, 7 bits
// per byte); nullopt when the bytes do not begin "ID3", the major version is
// not 3, or fewer than 10 bytes are given.
std::optional<std::uint32_t> ParseId3v2Header(Bytes header);

struct Id3v2Frames {
  // (frame identifier, text) in body order; a later entry for the same key
  // replaces an earlier one when stored in a map.
  std::vector<std::pair<std::string, std::u16string>> texts;
  // (language "eng" or "jpn", comment) in body order, with the same rule.
  std::vector<std::pair<std::string, std::u16string>> comments;
};

// Walks the frames of the body: stops at padding (an identifier holding a NUL)
// or at a frame whose data would reach past the body.
Id3v2Frames ParseId3v2Body(Bytes body, const AnsiCodec& codec);

}  // namespace zv::tags
