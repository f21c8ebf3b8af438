// The path functions at their edges. Each output buffer is as long as the path
// and its NUL, the most any function writes, so ASan sees a write beyond it.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "path.h"

namespace {

enum Function { kFindBackslash, kSplitPathName, kSplitExtension, kHasExtension, kRoot, kClassify };

// One call, rendered as "result|first output|second output"; for a root the
// result of GetPathRoot, plus 2 when IsPathRoot holds.
std::wstring Call(Function function, const std::wstring& path, int n, const wchar_t* ext) {
  std::vector<wchar_t> a(path.size() + 1), b(path.size() + 1);
  int result = 0;
  if (function == kFindBackslash) result = FindBackslash(n, path.c_str());
  if (function == kSplitPathName) SplitPathName(path.c_str(), a.data(), b.data());
  if (function == kSplitExtension) result = SplitExtension(path.c_str(), a.data(), b.data());
  if (function == kHasExtension) result = HasExtension(path.c_str(), ext);
  if (function == kRoot) result = GetPathRoot(path.c_str(), a.data()) + 2 * IsPathRoot(path.c_str());
  if (function == kClassify) result = ClassifyEntryName(n != 0, path.c_str());
  return std::to_wstring(result) + L"|" + a.data() + L"|" + b.data();
}

TEST(Path, Functions) {
  const std::wstring ext259(259, L'x'), ext260 = ext259 + L"x", name259 = L"a." + ext259, name260 = L"a." + ext260;
  const std::tuple<Function, std::wstring, int, const wchar_t*, std::wstring> cases[] = {
      {kFindBackslash, L"abc", -1, nullptr, L"-1||"},
      {kFindBackslash, L"a\\b\\c", -1, nullptr, L"3||"},
      {kFindBackslash, L"a\\b\\c", 2, nullptr, L"3||"},
      {kFindBackslash, L"a\\b\\c", 3, nullptr, L"-1||"},
      {kFindBackslash, L"a\\b", 0, nullptr, L"-1||"},
      {kSplitPathName, L"C:\\", 0, nullptr, L"0|C:|"},
      {kSplitPathName, L"\\\\srv\\share", 0, nullptr, L"0|\\\\srv|share"},
      {kSplitPathName, L"a.txt", 0, nullptr, L"0||a.txt"},
      {kSplitExtension, L"C:\\ver1.2\\readme", 0, nullptr, L"1|C:\\ver1|2\\readme"},
      {kSplitExtension, L"noext", 0, nullptr, L"0|noext|"},
      {kHasExtension, L"song.MP3", 0, L"mp3", L"1||"},
      {kHasExtension, L"song.mp3", 0, L"", L"0||"},
      {kHasExtension, L"a.\u00C4", 0, L"\u00E4", L"0||"},   // only ASCII letters fold, as _wcsicmp in the C locale
      {kHasExtension, name259, 0, ext259.c_str(), L"1||"},  // the longest extension of a 260-character path
      {kHasExtension, name260, 0, ext260.c_str(), L"0||"},
      {kRoot, L"c:foo", 0, nullptr, L"1|c:|"},
      {kRoot, L"C:\\", 0, nullptr, L"3|C:\\|"},
      {kRoot, L"\\\\srv\\share", 0, nullptr, L"3|\\\\srv\\share|"},
      {kRoot, L"\\\\srv\\share\\dir", 0, nullptr, L"1|\\\\srv\\share\\|"},
      {kRoot, L"\\\\srv", 0, nullptr, L"0||"},
      {kRoot, L"1:\\", 0, nullptr, L"0||"},
      {kClassify, L".", 1, nullptr, L"3||"},
      {kClassify, L"..", 1, nullptr, L"2||"},
      {kClassify, L"..x", 1, nullptr, L"1||"},
      {kClassify, L".", 0, nullptr, L"0||"},
  };
  for (const auto& [function, path, n, ext, expected] : cases)
    EXPECT_EQ(Call(function, path, n, ext), expected)
        << function << " on " << testing::PrintToString(path.substr(0, 20));
}

}  // namespace
