#include "id3v1.h"

#include <algorithm>

namespace zv::tags {
namespace {

// Offset and width of each text field inside the 128 bytes.
struct Field {
  std::size_t offset, width;
  std::u16string Id3v1Fields::*text;
};
constexpr Field kFields[] = {
    {3, 30, &Id3v1Fields::title}, {33, 30, &Id3v1Fields::artist},  {63, 30, &Id3v1Fields::album},
    {93, 4, &Id3v1Fields::year},  {97, 30, &Id3v1Fields::comment},
};
constexpr std::size_t kGenreOffset = 127;

}  // namespace

std::optional<Id3v1Fields> ParseId3v1(Bytes tag, const AnsiCodec& codec) {
  if (tag.size() != kId3v1Size || !ByteReader(tag).StartsWith("TAG")) return std::nullopt;
  Id3v1Fields fields;
  for (const Field& field : kFields)
    fields.*field.text = DecodeAnsiField(tag.subspan(field.offset, field.width), codec);
  fields.genre = tag[kGenreOffset];
  return fields;
}

std::array<std::uint8_t, kId3v1Size> BuildId3v1(const Id3v1Fields& fields, const AnsiCodec& codec) {
  std::array<std::uint8_t, kId3v1Size> tag{'T', 'A', 'G'};
  for (const Field& field : kFields) {
    const std::string ansi = FitAnsi(fields.*field.text, field.width, codec);
    std::copy(ansi.begin(), ansi.end(), tag.begin() + field.offset);
  }
  tag[kGenreOffset] = fields.genre;
  return tag;
}

}  // namespace zv::tags
