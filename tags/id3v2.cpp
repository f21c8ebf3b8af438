#include "id3v2.h"

#include <algorithm>

namespace zv::tags {
namespace {

constexpr std::uint8_t kSupportedMajorVersion = 3;
constexpr std::size_t kFrameHeaderSize = 10;
// Encoding byte, three language bytes, then at least a description byte and one more.
constexpr std::size_t kMinCommentSize = 6;

constexpr std::string_view kTextFrames[] = {"TIT2", "TPE1", "TALB", "TYER", "TCON"};
constexpr std::string_view kCommentLanguages[] = {"eng", "jpn"};

std::string_view AsText(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

bool IsOneOf(std::string_view value, std::span<const std::string_view> allowed) {
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// The comment of a COMM frame whose language has been checked: the text after
// an empty single-byte description, or else the first non-empty UTF-16 string
// (so an empty UTF-16 description is passed over).
std::optional<std::u16string> CommentText(Bytes afterLanguage, const AnsiCodec& codec) {
  if (afterLanguage[0] == 0) return DecodeTagText(afterLanguage.subspan(1), codec);
  ByteReader reader(afterLanguage);
  while (reader.Remaining() >= 4 && reader.StartsWith("\xFF\xFE")) {
    const Bytes string = reader.Rest();
    reader.Skip(2);
    std::size_t units = 0;
    while (const auto unit = reader.Take(2)) {
      if ((*unit)[0] == 0 && (*unit)[1] == 0) break;
      ++units;
    }
    if (units > 0) return DecodeTagText(string, codec);
  }
  return std::nullopt;
}

void ReadFrame(std::string_view id, Bytes data, const AnsiCodec& codec, Id3v2Frames& frames) {
  // The first data byte names the text encoding; the text itself says (FF FE)
  // whether it is UTF-16, so the byte is not needed.
  if (IsOneOf(id, kTextFrames)) {
    frames.texts.emplace_back(id, DecodeTagText(data.subspan(1), codec));
    return;
  }
  if (id != "COMM" || data.size() < kMinCommentSize) return;
  const std::string_view language = AsText(data.subspan(1, 3));
  if (!IsOneOf(language, kCommentLanguages)) return;
  if (auto text = CommentText(data.subspan(4), codec)) frames.comments.emplace_back(language, std::move(*text));
}

}  // namespace

std::optional<std::uint32_t> ParseId3v2Header(Bytes header) {
  ByteReader reader(header);
  if (!reader.StartsWith("ID3") || !reader.Skip(3)) return std::nullopt;
  const auto fields = reader.Take(kId3v2HeaderSize - 3);
  if (!fields || (*fields)[0] != kSupportedMajorVersion) return std::nullopt;
  // Syncsafe: 7 bits per byte, so no byte looks like the FF of a frame sync.
  std::uint32_t size = 0;
  for (const std::uint8_t byte : fields->subspan(3)) size = size << 7 | (byte & 0x7F);
  return size;
}

Id3v2Frames ParseId3v2Body(Bytes body, const AnsiCodec& codec) {
  Id3v2Frames frames;
  ByteReader reader(body);
  // Padding after the last frame is NUL bytes, so an identifier holding a NUL
  // ends the walk.
  while (reader.Remaining() > 4) {
    const auto header = reader.Take(kFrameHeaderSize);
    if (!header) break;
    const Bytes id = header->first(4);
    if (std::find(id.begin(), id.end(), std::uint8_t{0}) != id.end()) break;
    const std::uint32_t size = *ByteReader(header->subspan(4)).U32BE();
    const auto data = reader.Take(size);
    if (!data) break;
    if (!data->empty()) ReadFrame(AsText(id), *data, codec, frames);
  }
  return frames;
}

}  // namespace zv::tags
