// The RIFF wrapper over arbitrary bytes: a data chunk lies in the first 2000
// bytes, INFO entries read are ones the library accepts; and entries made from
// the bytes, built into the library's layout, read back unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tags/test_codec.h"
#include "riff_info.h"

namespace {

using namespace zv::tags;

void Check(bool holds) {
  if (!holds) std::abort();
}

const testing::TestCodec kCodec;

std::uint32_t Le32(const std::uint8_t* at) { return at[0] | at[1] << 8 | at[2] << 16 | std::uint32_t{at[3]} << 24; }

bool Readable(const std::string& id) {
  return id.size() == 4 && id[0] == 'I' && id.find('\0') == id.npos && id != "IID3";
}

// Entries from the input: a byte picks the identifier, one the length, then one
// byte per character of ASCII or Japanese.
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
    if (Readable(id)) expected.emplace_back(id, text);
    entries.emplace_back(id, std::move(text));
  }
  const std::vector<std::uint8_t> list = BuildInfoList(entries, kCodec);
  Check(Le32(list.data() + 4) == list.size() - 8);
  Check(ParseInfoList(list, kCodec) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, size);
  if (const auto chunk = FindDataChunk(input)) {
    const std::size_t at = chunk->offset;
    Check(at >= 4 && at + 8 <= std::min(size, kRiffSearchSize) && chunk->size == Le32(&input[at + 4]));
  }
  if (const auto entries = ParseInfoList(input, kCodec)) {
    Check(entries->size() * 8 + 12 <= size);
    for (const auto& [id, text] : *entries) {
      Check(Readable(id) && text.find(u'\0') == text.npos && !text.ends_with(u' '));
    }
  }
  CheckRoundTrip(input);
  return 0;
}
