#include "riff_info.h"

#include <algorithm>
#include <string_view>

namespace zv::tags {
namespace {

// "data" identifier and its size field.
constexpr std::size_t kChunkHeaderSize = 8;
// An ID3v1 tag kept inside the list; the tag itself is handled by the ID3v1 code.
constexpr std::string_view kId3v1Entry = "IID3";

// A zero byte pads an odd-sized chunk, and the library's own entries carry one
// zero byte beyond their size: either way at most one is skipped.
void SkipZeroByte(ByteReader& reader) {
  const Bytes rest = reader.Rest();
  if (!rest.empty() && rest[0] == 0) reader.Skip(1);
}

bool IsInfoIdentifier(std::string_view id) {
  return id.size() == 4 && id[0] == 'I' && id.find('\0') == std::string_view::npos;
}

std::string_view AsText(Bytes bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void PutU32LE(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Append(std::vector<std::uint8_t>& out, std::string_view bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::optional<DataChunk> FindDataChunk(Bytes head) {
  // Only the first 2000 bytes are ever searched, whatever the caller read.
  head = head.first(std::min(head.size(), kRiffSearchSize));
  ByteReader reader(head);
  if (!reader.Skip(4)) return std::nullopt;
  for (; reader.Remaining() >= kChunkHeaderSize; reader.Skip(1)) {
    if (!reader.StartsWith("data")) continue;
    const auto offset = static_cast<std::uint32_t>(reader.Position());
    reader.Skip(4);
    return DataChunk{offset, *reader.U32LE()};
  }
  return std::nullopt;
}

std::optional<InfoEntries> ParseInfoList(Bytes tail, const AnsiCodec& codec) {
  ByteReader reader(tail);
  SkipZeroByte(reader);
  // The list's size is not trusted: entries are read up to the end of the tail.
  if (!reader.StartsWith("LIST") || !reader.Skip(8) || !reader.StartsWith("INFO")) return std::nullopt;
  reader.Skip(4);
  InfoEntries entries;
  while (reader.Remaining() >= 5) {
    SkipZeroByte(reader);
    const auto id = reader.Take(4);
    if (!id || !IsInfoIdentifier(AsText(*id))) break;
    const auto size = reader.U32LE();
    const auto text = size ? reader.Take(*size) : std::nullopt;
    if (!text) break;
    if (AsText(*id) != kId3v1Entry) entries.emplace_back(std::string(AsText(*id)), DecodeTagText(*text, codec));
  }
  return entries;
}

std::vector<std::uint8_t> BuildInfoList(const InfoEntries& entries, const AnsiCodec& codec) {
  std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'I', 'N', 'F', 'O'};
  std::size_t reserved = list.size();
  for (const auto& [id, text] : entries) {
    // An entry the reader would stop at would hide every entry behind it.
    if (!IsInfoIdentifier(id) || id == kId3v1Entry) continue;
    reserved += 2 * (id.size() + text.size()) + 6;
    std::string ansi = codec.ToAnsi(text);
    ansi.push_back('\0');
    Append(list, id);
    list.resize(list.size() + 4);
    PutU32LE(list.data() + list.size() - 4, static_cast<std::uint32_t>(ansi.size() + 1));
    Append(list, ansi);
    list.insert(list.end(), 2, 0);
  }
  // The reserve allows two ANSI bytes per character; a code page that needs more
  // (UTF-8 takes three for kana) makes the list longer than the reserve, never cut.
  list.resize(std::max(list.size(), reserved), 0);
  PutU32LE(list.data() + 4, static_cast<std::uint32_t>(list.size() - 8));
  return list;
}

}  // namespace zv::tags
