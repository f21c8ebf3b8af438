// The RIFF wrapper over arbitrary bytes: the data chunk found must lie inside
// the first 2000 bytes and be the first "data" from offset 4; every INFO entry
// read must carry an identifier the library accepts and text as the tag text
// rules leave it. Then entries derived from the same bytes are built into the
// library's layout and must be read back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../tags/test_codec.h"
#include "riff_info.h"

namespace {

using namespace zv::tags;

void Check(bool holds) {
  if (!holds) std::abort();
}

const testing::TestCodec kCodec;

void CheckDataChunk(Bytes input) {
  const auto chunk = FindDataChunk(input);
  const Bytes head = input.first(std::min(input.size(), kRiffSearchSize));
  constexpr std::string_view kData = "data";
  const auto first =
      head.size() < 4 ? head.end() : std::search(head.begin() + 4, head.end(), kData.begin(), kData.end());
  const auto firstOffset = static_cast<std::size_t>(first - head.begin());
  if (!chunk) {
    Check(firstOffset + 8 > head.size());
    return;
  }
  Check(chunk->offset == firstOffset && chunk->offset + 8 <= head.size());
  const std::uint8_t* size = head.data() + chunk->offset + 4;
  Check(chunk->size == (size[0] | size[1] << 8 | size[2] << 16 | std::uint32_t{size[3]} << 24));
}

void CheckInfoList(Bytes input) {
  const auto entries = ParseInfoList(input, kCodec);
  if (!entries) return;
  Check(entries->size() * 8 + 12 <= input.size());
  for (const auto& [id, text] : *entries) {
    Check(id.size() == 4 && id[0] == 'I' && id.find('\0') == std::string::npos && id != "IID3");
    Check(text.find(u'\0') == std::u16string::npos && (text.empty() || text.back() != u' '));
  }
}

// Entries from the input: a byte picks the identifier, one the length, then one
// byte per character of ASCII or the codec's Japanese characters.
void CheckRoundTrip(Bytes input) {
  static constexpr std::string_view kIds[] = {"INAM", "IART", "ICMT", "IPRD", "IGNR", "ICRD", "IID3", "inam", "ISFTX"};
  static constexpr std::u16string_view kJapanese = u"あい漢字テスト曲";
  InfoEntries entries, expected;
  for (std::size_t at = 0; at + 2 <= input.size();) {
    const std::string id(kIds[input[at++] % std::size(kIds)]);
    std::u16string text;
    for (std::size_t length = input[at++] % 40; length > 0 && at < input.size(); --length) {
      const std::uint8_t byte = input[at++];
      text.push_back(byte >= 0x20 && byte < 0x7F ? char16_t{byte} : kJapanese[byte % kJapanese.size()]);
    }
    text.erase(text.find_last_not_of(u' ') + 1);
    if (id.size() == 4 && id[0] == 'I' && id != "IID3") expected.emplace_back(id, text);
    entries.emplace_back(id, std::move(text));
  }
  const std::vector<std::uint8_t> list = BuildInfoList(entries, kCodec);
  std::size_t reserved = 12;
  for (const auto& [id, text] : expected) reserved += 2 * (id.size() + text.size()) + 6;
  Check(list.size() == reserved);
  Check((list[4] | list[5] << 8 | list[6] << 16 | std::uint32_t{list[7]} << 24) == list.size() - 8);
  Check(ParseInfoList(list, kCodec) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, size);
  CheckDataChunk(input);
  CheckInfoList(input);
  CheckRoundTrip(input);
  return 0;
}
