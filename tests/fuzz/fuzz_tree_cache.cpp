// A tree cache file of any bytes: every path taken fits a node and the column
// flags, and one line is drawn per path within them.
#include <algorithm>
#include <cstdlib>

#include "tree_lines.h"

using namespace zv::dirtree;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto latin1 = [](std::string_view ansi) { return std::u16string(ansi.begin(), ansi.end()); };
  const std::u16string text = DecodeCacheText({data, size}, latin1);
  const std::vector<std::u16string_view> paths = CachePaths(text);
  const std::vector<std::u16string> lines = DrawLines(paths);
  bool holds = text.find(u'\0') == text.npos && lines.size() == paths.size();
  for (std::size_t i = 0; holds && i < paths.size(); ++i) {
    const auto depth = std::count(paths[i].begin(), paths[i].end(), u'\\');
    const std::u16string_view name = paths[i].substr(paths[i].rfind(u'\\') + 1);
    holds = FitsNode(paths[i]) && paths[i].find(u"\r\n") == paths[i].npos && depth >= 1 && depth <= kMaxDepth &&
            lines[i].ends_with(name) && lines[i].size() - name.size() <= kMaxDepth;
  }
  if (!holds) std::abort();
  return 0;
}
