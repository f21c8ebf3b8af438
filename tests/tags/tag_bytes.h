// Tag bytes as they lie in a file, laid out by hand for the tests, in strings:
// Shift-JIS for Japanese.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tag_bytes {

inline std::string Le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

struct Id3v1Fields {
  std::string title = {}, artist = {}, album = {}, year = {}, comment = {};
  std::uint8_t genre = 255;
};
// "TAG", each field NUL-padded to its width, the genre byte.
inline std::string Id3v1(const Id3v1Fields& f) {
  std::string tag = "TAG";
  for (auto [text, width] : {std::pair{f.title, 30}, {f.artist, 30}, {f.album, 30}, {f.year, 4}, {f.comment, 30}}) {
    tag += (text + std::string(width, '\0')).substr(0, width);
  }
  return tag + char(f.genre);
}

// MPEG 1 Layer III frames at 128 kbit/s, 44.1 kHz: 417 bytes each.
inline std::string MpegFrames(int count) {
  std::string frames;
  while (count-- > 0) frames += "\xFF\xFB\x90" + std::string(414, '\0');
  return frames;
}

// A RIFF file: audioLength bytes of audio, then the tail.
inline std::string Riff(std::uint32_t audioLength, const std::string& tail) {
  const std::string body = "WAVEdata" + Le32(audioLength) + std::string(audioLength, 'U') + tail;
  return "RIFF" + Le32(std::uint32_t(body.size())) + body;
}

}  // namespace tag_bytes
