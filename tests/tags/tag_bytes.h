// Tag bytes as they lie in a file, written out for the tests, and small readers
// of what a file ends up holding. Texts are the bytes on disk: Shift-JIS for
// Japanese (see zvtest::Sjis).
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tag_bytes {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline Bytes Le32(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}
inline Bytes Be32(uint32_t value) {
  return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

struct Id3v1Fields {
  std::string title = {}, artist = {}, album = {}, year = {}, comment = {};
  uint8_t genre = 255;
};

// The 128-byte ID3v1 tag: each field NUL-padded to its width.
inline Bytes Id3v1(const Id3v1Fields& fields) {
  Bytes tag = Text("TAG");
  for (auto [text, width] : {std::pair{fields.title, 30},
                             {fields.artist, 30},
                             {fields.album, 30},
                             {fields.year, 4},
                             {fields.comment, 30}}) {
    text.resize(width, '\0');
    tag = tag + Text(text);
  }
  tag.push_back(fields.genre);
  return tag;
}
inline Bytes Id3v1(std::string title, std::string comment, uint8_t genre) {
  return Id3v1({.title = title, .artist = "Artist", .year = "2001", .comment = comment, .genre = genre});
}

// An ID3v2.3 tag with one text frame per (id, Latin-1 text).
inline Bytes Id3v2(const std::vector<std::pair<std::string, std::string>>& frames) {
  Bytes body;
  for (const auto& [id, text] : frames)
    body = body + Text(id) + Be32(uint32_t(text.size() + 1)) + Bytes{0, 0, 0} + Text(text);
  const uint32_t size = uint32_t(body.size());
  return Text("ID3") +
         Bytes{3, 0, 0, uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F), uint8_t(size >> 7 & 0x7F),
               uint8_t(size & 0x7F)} +
         body;
}

// MPEG 1 Layer III frames at 128 kbit/s, 44.1 kHz: 417 bytes each.
inline Bytes MpegFrames(int count) {
  Bytes frames;
  for (int i = 0; i < count; ++i) {
    Bytes frame(417, 0);
    frame[0] = 0xFF, frame[1] = 0xFB, frame[2] = 0x90, frame[3] = 0x40;
    frames = frames + frame;
  }
  return frames;
}

// A RIFF file with audioLength bytes of audio and the given tail.
inline Bytes Riff(uint32_t audioLength, const Bytes& tail) {
  const Bytes body = Text("WAVE") + Text("data") + Le32(audioLength) + Bytes(audioLength, 0x55) + tail;
  return Text("RIFF") + Le32(uint32_t(body.size())) + body;
}

// The INFO list as the library lays it out, for ASCII entries.
inline Bytes InfoList(const std::vector<std::pair<std::string, std::string>>& entries) {
  size_t reserved = 12;
  Bytes items;
  for (const auto& [id, text] : entries) {
    reserved += 2 * (id.size() + text.size()) + 6;
    items = items + Text(id) + Le32(uint32_t(text.size() + 2)) + Text(text) + Bytes{0, 0, 0};
  }
  Bytes list = Text("LIST") + Le32(uint32_t(reserved - 8)) + Text("INFO") + items;
  list.resize(reserved, 0);
  return list;
}

// The last 128 bytes when they are an ID3v1 tag, else empty.
inline Bytes Id3v1Of(const Bytes& file) {
  if (file.size() < 128 || !std::equal(file.end() - 128, file.end() - 125, "TAG")) return {};
  return Bytes(file.end() - 128, file.end());
}

// The entries (identifier → text up to its NUL) of the INFO list behind the
// data chunk of a file laid out as Riff() does: each entry is followed by one
// zero byte beyond its size, and the list ends at a zero byte. A file without
// a list gives the single entry "(none)".
inline std::map<std::string, std::string> InfoOf(const Bytes& file) {
  auto u32 = [&](size_t at) {
    return at + 4 <= file.size() ? uint32_t(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24)
                                 : 0u;
  };
  size_t at = 20 + u32(16);                 // behind the audio
  if (at < file.size() && file[at] == 0) ++at;  // its pad byte
  if (at + 12 > file.size() || !std::equal(file.begin() + at, file.begin() + at + 4, "LIST")) return {{"(none)", ""}};
  std::map<std::string, std::string> entries;
  for (at += 12; at + 8 <= file.size(); ++at) {
    const uint32_t size = u32(at + 4);
    if (file[at] == 0 || at + 8 + size > file.size()) break;
    const std::string text(file.begin() + at + 8, file.begin() + at + 8 + size);
    entries[std::string(file.begin() + at, file.begin() + at + 4)] = text.substr(0, text.find('\0'));
    at += 8 + size;
  }
  return entries;
}

}  // namespace tag_bytes
