// A tree cache file of any bytes: every path taken fits a node and the column
// flags, one line is drawn per path within them, and names cut from the same
// bytes sort into an order that NameLess agrees with.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tree_lines.h"

namespace {

using namespace zv::dirtree;

void Check(bool holds) {
  if (!holds) std::abort();
}

// Bytes as characters, and byte pairs as the code units of a double-byte code page.
std::u16string FakeAnsi(std::string_view ansi) {
  std::u16string out;
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(ansi[i]);
    if (byte >= 0x81 && byte <= 0x9F && i + 1 < ansi.size()) {
      out.push_back(static_cast<char16_t>(0x4E00 + (byte << 8 | static_cast<std::uint8_t>(ansi[++i])) % 0x5000));
    } else {
      out.push_back(byte);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = DecodeCacheText({data, size}, FakeAnsi);
  Check(text.find(u'\0') == std::u16string::npos);
  const std::vector<std::u16string_view> paths = CachePaths(text);
  for (const std::u16string_view path : paths) {
    Check(FitsNode(path) && path.find(u"\r\n") == std::u16string_view::npos);
    const auto depth = std::count(path.begin(), path.end(), u'\\');
    Check(depth >= 1 && depth <= kMaxDepth);
  }
  const std::vector<std::u16string> lines = DrawLines(paths);
  Check(lines.size() == paths.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::u16string_view name = paths[i].substr(paths[i].rfind(u'\\') + 1);
    Check(lines[i].ends_with(name) && lines[i].size() - name.size() <= kMaxDepth);
  }

  std::vector<std::u16string> names;
  for (std::size_t at = 0; at < text.size(); at += 1 + text[at] % 7) names.emplace_back(text.substr(at, text[at] % 7));
  SortNames(names);
  for (std::size_t i = 1; i < names.size(); ++i) Check(!NameLess(names[i], names[i - 1]));
  return 0;
}
