// A tree cache file of any bytes: every path taken fits a node and the column
// flags, and one line is drawn per path within them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tree_lines.h"

using namespace zv::dirtree;

static void Check(bool holds) {
  if (!holds) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text =
      DecodeCacheText({data, size}, [](std::string_view ansi) { return std::u16string(ansi.begin(), ansi.end()); });
  Check(text.find(u'\0') == std::u16string::npos);
  const std::vector<std::u16string_view> paths = CachePaths(text);
  const std::vector<std::u16string> lines = DrawLines(paths);
  Check(lines.size() == paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const auto depth = std::count(paths[i].begin(), paths[i].end(), u'\\');
    Check(FitsNode(paths[i]) && paths[i].find(u"\r\n") == std::u16string_view::npos && depth >= 1 &&
          depth <= kMaxDepth);
    const std::u16string_view name = paths[i].substr(paths[i].rfind(u'\\') + 1);
    Check(lines[i].ends_with(name) && lines[i].size() - name.size() <= kMaxDepth);
  }
  return 0;
}
