// Tag bytes as they lie in a file, laid out by hand for the tests. Texts are
// the bytes on disk: Shift-JIS for Japanese.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tag_bytes {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline Bytes Le32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

struct Id3v1Fields {
  std::string title = {}, artist = {}, album = {}, year = {}, comment = {};
  std::uint8_t genre = 255;
};
// "TAG", each field NUL-padded to its width, the genre byte.
inline Bytes Id3v1(const Id3v1Fields& f) {
  std::string tag = "TAG";
  for (auto [text, width] : {std::pair{f.title, 30}, {f.artist, 30}, {f.album, 30}, {f.year, 4}, {f.comment, 30}}) {
    tag += (text + std::string(width, '\0')).substr(0, width);
  }
  return Text(tag + char(f.genre));
}

// MPEG 1 Layer III frames at 128 kbit/s, 44.1 kHz: 417 bytes each.
inline Bytes MpegFrames(int count) {
  Bytes frames(417 * count, 0);
  for (int at = 0; at < 417 * count; at += 417) frames[at] = 0xFF, frames[at + 1] = 0xFB, frames[at + 2] = 0x90;
  return frames;
}

// A RIFF file: audioLength bytes of audio, then the tail.
inline Bytes Riff(std::uint32_t audioLength, const Bytes& tail) {
  const Bytes body = Text("WAVEdata") + Le32(audioLength) + Bytes(audioLength, 0x55) + tail;
  return Text("RIFF") + Le32(std::uint32_t(body.size())) + body;
}

}  // namespace tag_bytes
