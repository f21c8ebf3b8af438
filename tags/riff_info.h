// The RIFF wrapper of an MPEG or wave file: the data chunk found in the first
// 2000 bytes, and the INFO list in the tail behind the audio data, read and
// written in the library's own layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tag_text.h"

namespace zv::tags {

inline constexpr std::size_t kRiffSearchSize = 2000;

struct DataChunk {
  std::uint32_t offset = 0;  // of the "data" identifier
  std::uint32_t size = 0;    // L, the audio data's length
  std::uint64_t AudioEnd() const { return std::uint64_t{offset} + 8 + size; }
};

// The first "data" at an offset from 4 on whose size field lies inside head
// (the first 2000 bytes of the file, or fewer). Does not check "RIFF".
std::optional<DataChunk> FindDataChunk(Bytes head);

using InfoEntries = std::vector<std::pair<std::string, std::u16string>>;

// The INFO entries of the tail, "IID3" left out; nullopt when the tail holds no
// "LIST" … "INFO" (after at most one zero pad byte).
std::optional<InfoEntries> ParseInfoList(Bytes tail, const AnsiCodec& codec);

// The list as the library writes it: "LIST", the reserved length - 8, "INFO",
// each entry as identifier, n + 1 (n the ANSI text's bytes with its NUL), the n
// bytes and two zero bytes, then zero bytes up to the reserved length of
// 12 + the sum of 2 × (identifier + text characters) + 6 per entry.
std::vector<std::uint8_t> BuildInfoList(const InfoEntries& entries, const AnsiCodec& codec);

}  // namespace zv::tags
