#include "tree_lines.h"

#include <algorithm>

namespace zv::dirtree {
namespace {

constexpr char16_t kBackslash = u'\\';

// _wcsupr's folding: only a to z.
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

std::size_t Backslashes(std::u16string_view path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), kBackslash));
}

std::u16string_view ParentOf(std::u16string_view path) {
  const std::size_t cut = path.rfind(kBackslash);
  return cut == std::u16string_view::npos ? std::u16string_view() : path.substr(0, cut);
}

std::u16string_view NameOf(std::u16string_view path) {
  const std::size_t cut = path.rfind(kBackslash);
  return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool NameLess(std::u16string_view a, std::u16string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return Upper(x) < Upper(y); });
}

void SortNames(std::vector<std::u16string>& names) {
  std::stable_sort(names.begin(), names.end(),
                   [](const std::u16string& a, const std::u16string& b) { return NameLess(a, b); });
}

std::u16string TreeLine(std::span<const bool> columns, bool laterSibling, std::u16string_view name) {
  std::u16string line;
  line.reserve(columns.size() + 1 + name.size());
  for (const bool more : columns) line.push_back(more ? kBar : kBlank);
  line.push_back(laterSibling ? kTee : kCorner);
  line.append(name);
  return line;
}

std::u16string JoinPath(std::u16string_view dir, std::u16string_view name) {
  std::u16string path(dir);
  if (path.empty() || path.back() != kBackslash) path.push_back(kBackslash);
  path.append(name);
  return path;
}

std::vector<std::u16string> DrawLines(std::span<const std::u16string_view> paths) {
  const auto levelOf = [](std::u16string_view path) {
    return std::clamp<std::size_t>(Backslashes(path), 1, kMaxDepth);
  };
  // From the end: the nearest following path of each level tells whether a
  // path has a later sibling, in one pass instead of a search per path.
  std::vector<bool> later(paths.size());
  std::vector<std::size_t> next(kMaxDepth + 1, paths.size());
  for (std::size_t i = paths.size(); i-- > 0;) {
    const std::size_t level = levelOf(paths[i]);
    const std::size_t j = next[level];
    later[i] = j < paths.size() && EqualIgnoringAsciiCase(ParentOf(paths[j]), ParentOf(paths[i]));
    next[level] = i;
  }
  bool moreBelow[kMaxDepth] = {};
  std::vector<std::u16string> lines;
  lines.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::size_t level = levelOf(paths[i]);
    lines.push_back(TreeLine(std::span<const bool>(moreBelow, level - 1), later[i], NameOf(paths[i])));
    moreBelow[level - 1] = later[i];
  }
  return lines;
}

TreePlan PlanTree(bool driveRoot, bool useFile, bool keep, bool hostHolds, bool fixedDrive) {
  if (!driveRoot || (!useFile && !keep)) return {TreeSource::kScan, false};
  if (hostHolds) return {TreeSource::kHostList, true};
  if (!fixedDrive) return {TreeSource::kScan, true};
  return {useFile ? TreeSource::kCacheFile : TreeSource::kRootOnly, true};
}

std::u16string_view CopyFailureMessage(CopyStep failed) {
  // In the order of CopyStep.
  static constexpr std::u16string_view kMessages[] = {
      u"クリップボードへのコピーに失敗しました",
      u"クリップボードを開くのに失敗しました",
      u"クリップボードを空にするのに失敗しました",
      u"クリップボードへのデータのセットに失敗しました",
  };
  return kMessages[static_cast<int>(failed)];
}

std::u16string DecodeCacheText(std::span<const std::uint8_t> bytes, const AnsiDecoder& ansi) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text;
    text.reserve((bytes.size() - 1) / 2);
    for (std::size_t at = 2; at < bytes.size(); at += 2) {
      const char16_t unit = static_cast<char16_t>(bytes[at] | (at + 1 < bytes.size() ? bytes[at + 1] << 8 : 0));
      if (unit == 0) break;
      text.push_back(unit);
    }
    return text;
  }
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  const std::string_view ansiText(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<std::size_t>(end - bytes.begin()));
  return ansiText.empty() ? std::u16string() : ansi(ansiText);
}

std::vector<std::u16string_view> CachePaths(std::u16string_view text) {
  std::vector<std::u16string_view> paths;
  for (std::size_t end; (end = text.find(u"\r\n")) != std::u16string_view::npos; text.remove_prefix(end + 2)) {
    const std::u16string_view line = text.substr(0, end);
    const std::size_t depth = Backslashes(line);
    if (FitsNode(line) && depth >= 1 && depth <= kMaxDepth) paths.push_back(line);
  }
  return paths;
}

}  // namespace zv::dirtree
