// The tree without the system: the order of names, lines drawn from a path
// list, where the list comes from, what a failed copy says, and the paths of a
// cache file's bytes.
#include <gtest/gtest.h>

#include "tree_lines.h"

namespace zv::dirtree {
namespace {

std::u16string Repeat(std::u16string_view piece, int times) {
  std::u16string out;
  while (times-- > 0) out += piece;
  return out;
}

// Only a to z fold (so _ sorts after the letters, full-width letters keep their
// case), a prefix comes first, the rest by code unit.
TEST(TreeNames, SortAsUpperCasedCopies) {
  std::vector<std::u16string> names = {u"b", u"A", u"a1", u"Zb", u"za", u"_x", u"ｂ", u"ａ", u"Ａ", u"写真"};
  SortNames(names);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"a1", u"b", u"za", u"Zb", u"_x", u"写真", u"Ａ", u"ａ", u"ｂ"}));
}

TEST(TreeLines, DrawnFromAPathList) {
  const std::u16string deep = u"C:" + Repeat(u"\\d", 100), tooDeep = u"C:" + Repeat(u"\\d", 150);
  const std::u16string deepLine = Repeat(u"\u3000", 99) + u"└d";
  const struct {
    std::vector<std::u16string_view> paths;
    std::vector<std::u16string> lines;
  } cases[] = {
      {{u"C:\\x", u"C:\\x\\y", u"C:\\z"}, {u"├x", u"│└y", u"└z"}},
      {{u"C:\\a", u"C:\\a\\b", u"C:\\a\\b\\c", u"C:\\a\\e"}, {u"└a", u"　├b", u"　│└c", u"　└e"}},
      // The next path of the same level under another parent is no sibling.
      {{u"C:\\a", u"C:\\a\\x", u"C:\\b", u"C:\\b\\y"}, {u"├a", u"│└x", u"└b", u"　└y"}},
      // Parents compare without case, but only a to z fold.
      {{u"C:\\Dir", u"C:\\dir\\a", u"C:\\DIR\\b"}, {u"└Dir", u"　├a", u"　└b"}},
      {{u"C:\\ä", u"C:\\ä\\a", u"C:\\Ä\\b"}, {u"└ä", u"　└a", u"　└b"}},
      {{deep}, {deepLine}},
      {{u"noslash", tooDeep}, {u"└noslash", deepLine}},  // kept within the column flags
  };
  for (const auto& c : cases) EXPECT_EQ(DrawLines(c.paths), c.lines) << c.paths.size();
  EXPECT_EQ(JoinPath(u"C:\\", u"x"), u"C:\\x");
}

// Each row: the start is a drive root, the host reads cache files, keeps
// lists, holds this drive's list, the drive is fixed.
TEST(TreePlan, TheHostsListThenAFixedDrivesFileElseAScan) {
  using enum TreeSource;
  EXPECT_EQ(PlanTree(false, true, true, false, true), (TreePlan{kScan, false}));  // no slot in the host's cache
  EXPECT_EQ(PlanTree(true, false, false, true, true), (TreePlan{kScan, false}));  // the host's list is left, and freed
  EXPECT_EQ(PlanTree(true, true, false, true, false), (TreePlan{kHostList, true}));
  EXPECT_EQ(PlanTree(true, false, true, true, true), (TreePlan{kHostList, true}));
  EXPECT_EQ(PlanTree(true, true, true, false, true), (TreePlan{kCacheFile, true}));
  EXPECT_EQ(PlanTree(true, true, true, false, false), (TreePlan{kScan, true}));  // not fixed: scanned every time
  EXPECT_EQ(PlanTree(true, false, true, false, true), (TreePlan{kRootOnly, true}));
  EXPECT_EQ(PlanTree(true, false, true, false, false), (TreePlan{kScan, true}));
}

TEST(TreeCopy, AFailureSaysWhichStepFailed) {
  EXPECT_EQ(CopyFailureMessage(CopyStep::kAllocate), u"クリップボードへのコピーに失敗しました");
  EXPECT_EQ(CopyFailureMessage(CopyStep::kOpen), u"クリップボードを開くのに失敗しました");
  EXPECT_EQ(CopyFailureMessage(CopyStep::kEmpty), u"クリップボードを空にするのに失敗しました");
  EXPECT_EQ(CopyFailureMessage(CopyStep::kSetData), u"クリップボードへのデータのセットに失敗しました");
}

std::vector<std::uint8_t> Utf16File(std::u16string_view text) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (const char16_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}
std::vector<std::uint8_t> AnsiFile(std::string_view text) { return {text.begin(), text.end()}; }
std::u16string Latin1(std::string_view ansi) { return std::u16string(ansi.begin(), ansi.end()); }

TEST(TreeCacheFile, PathsFromItsBytes) {
  const std::u16string longest = u"C:\\" + std::u16string(516, u'n');  // 519 characters
  const std::u16string deepest = u"C:" + Repeat(u"\\d", 100);
  const struct {
    std::vector<std::uint8_t> bytes;
    std::vector<std::u16string_view> paths;
  } cases[] = {
      {Utf16File(u"C:\\音楽\r\nC:\\b"), {u"C:\\音楽"}},  // no final CR LF: the last line is lost
      {{}, {}},
      {{0xFF}, {}},
      {Utf16File(std::u16string_view(u"C:\\a\r\n\0C:\\b\r\n", 13)), {u"C:\\a"}},  // the text ends at a NUL
      {AnsiFile("C:\\a\nC:\\b\rC:\\c\r\n"), {u"C:\\a\nC:\\b\rC:\\c"}},            // only CR LF ends a line
      {AnsiFile("\r\nroot\r\nC:\\a\r\n"), {u"C:\\a"}},                            // no backslash: skipped
      {Utf16File(longest + u"\r\n" + longest + u"n\r\n"), {longest}},             // 520 characters: skipped
      {Utf16File(deepest + u"\r\n" + deepest + u"\\e\r\nC:\\z\r\n"), {deepest, u"C:\\z"}},
  };
  for (const auto& c : cases) EXPECT_EQ(CachePaths(DecodeCacheText(c.bytes, Latin1)), c.paths) << c.bytes.size();
}

}  // namespace
}  // namespace zv::dirtree
