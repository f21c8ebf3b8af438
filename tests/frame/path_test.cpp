#include <gtest/gtest.h>

#include <string>

#include "path.h"

namespace {

// Output buffers start full of this, so a test sees how far a function wrote.
constexpr wchar_t kFill = L'#';
using Buffer = std::wstring;
Buffer Filled() { return Buffer(32, kFill); }
std::wstring Text(const Buffer& b) { return b.c_str(); }
// Characters written: the text, its NUL, and nothing beyond.
void ExpectWritten(const Buffer& b, const std::wstring& text) {
  EXPECT_EQ(Text(b), text);
  EXPECT_EQ(b[text.size() + 1], kFill) << "wrote past the NUL";
}

TEST(Path, FindBackslash) {
  struct Case {
    int n;
    const wchar_t* text;
    int expected;
  };
  const Case cases[] = {
      {-1, L"abc", -1}, {-1, L"a\\b\\c", 3}, {1, L"a\\b\\c", 1}, {2, L"a\\b\\c", 3}, {3, L"a\\b\\c", -1},
      {0, L"a\\b", -1}, {-2, L"a\\b", -1},   {1, L"", -1},       {1, L"\\\\", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FindBackslash(c.n, c.text), c.expected) << c.n << " " << c.text;
}

TEST(Path, SplitPathName) {
  struct Case {
    const wchar_t* path;
    const wchar_t* dir;
    const wchar_t* name;
  };
  const Case cases[] = {
      {L"C:\\", L"C:", L""},
      {L"\\\\srv\\share", L"\\\\srv", L"share"},
      {L"C:\\dir\\a.txt", L"C:\\dir", L"a.txt"},
      {L"a.txt", L"", L"a.txt"},
      {L"", L"", L""},
      {L"\\", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Buffer dir = Filled(), name = Filled();
    SplitPathName(c.path, dir.data(), name.data());
    ExpectWritten(dir, c.dir);
    ExpectWritten(name, c.name);
    Buffer dirOnly = Filled();
    SplitPathName(c.path, dirOnly.data(), nullptr);
    ExpectWritten(dirOnly, c.dir);
  }
}

TEST(Path, SplitExtension) {
  struct Case {
    const wchar_t* path;
    const wchar_t* base;
    const wchar_t* ext;
    bool found;
  };
  const Case cases[] = {
      {L"C:\\ver1.2\\readme", L"C:\\ver1", L"2\\readme", true},
      {L"song.mp3", L"song", L"mp3", true},
      {L"a.b.c", L"a.b", L"c", true},
      {L"trail.", L"trail", L"", true},
      {L".", L"", L"", true},
      {L"noext", L"noext", L"", false},
      {L"", L"", L"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Buffer base = Filled(), ext = Filled();
    EXPECT_EQ(SplitExtension(c.path, base.data(), ext.data()), c.found);
    ExpectWritten(base, c.base);
    ExpectWritten(ext, c.ext);

    Buffer inPlace = c.path;
    EXPECT_EQ(SplitExtension(inPlace.c_str(), inPlace.data(), nullptr), c.found);
    EXPECT_EQ(Text(inPlace), c.base);

    Buffer extOnly = Filled(), baseOnly = Filled();
    EXPECT_EQ(SplitExtension(c.path, nullptr, extOnly.data()), c.found);
    EXPECT_EQ(SplitExtension(c.path, baseOnly.data(), nullptr), c.found);
    EXPECT_EQ(Text(extOnly), c.ext);
    EXPECT_EQ(Text(baseOnly), c.base);
  }
}

TEST(Path, HasExtension) {
  const std::wstring ext259(259, L'x');
  const std::wstring ext260 = ext259 + L"x", name259 = L"a." + ext259, name260 = L"a." + ext260;
  struct Case {
    const wchar_t* path;
    const wchar_t* ext;
    bool expected;
  };
  const Case cases[] = {
      {L"song.MP3", L"mp3", true},
      {L"song.mp3", L"MP3", true},
      {L"song.mp3", L"", false},
      {L"", L"", false},
      {L"song", L"mp3", false},
      {L"song.mp3x", L"mp3", false},
      {L"song.mp", L"mp3", false},
      {L"C:\\a.mp3\\b", L"mp3", false},
      {L"C:\\a.mp3\\b", L"mp3\\b", true},
      // Only ASCII letters fold, as _wcsicmp does in the C locale.
      {L"a.\u00C4", L"\u00E4", false},
      {L"a.\u00E4", L"\u00E4", true},
      // The longest extension of a 260-character path still fits; one more never matches.
      {name259.c_str(), ext259.c_str(), true},
      {name260.c_str(), ext260.c_str(), false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasExtension(c.path, c.ext), c.expected) << c.path << " / " << c.ext;
}

TEST(Path, RootOfPath) {
  struct Case {
    const wchar_t* path;
    const wchar_t* root;
    bool isRoot;
  };  // root null: none
  const Case cases[] = {
      {L"c:foo", L"c:", false},
      {L"C:\\x", L"C:\\", false},
      {L"C:\\", L"C:\\", true},
      {L"C:", L"C:", true},
      {L"z:", L"z:", true},
      {L"\\\\srv\\share", L"\\\\srv\\share", true},
      {L"\\\\srv\\share\\", L"\\\\srv\\share\\", true},
      {L"\\\\srv\\share\\dir", L"\\\\srv\\share\\", false},
      {L"\\\\srv", nullptr, false},
      {L"\\\\", nullptr, false},
      {L"C:\\dir", L"C:\\", false},
      {L"dir", nullptr, false},
      {L"", nullptr, false},
      {L"\\dir", nullptr, false},
      {L"1:\\", nullptr, false},
      {L"\u00E9:\\", nullptr, false},
      {L":\\", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Buffer root = Filled();
    EXPECT_EQ(GetPathRoot(c.path, root.data()), c.root != nullptr);
    if (c.root != nullptr) {
      ExpectWritten(root, c.root);
    } else {
      EXPECT_EQ(root, Filled()) << "wrote on failure";
    }
    EXPECT_EQ(IsPathRoot(c.path), c.isRoot);
  }
}

TEST(Path, ClassifyEntryName) {
  struct Case {
    bool isDirectory;
    const wchar_t* name;
    int expected;
  };
  const Case cases[] = {
      {true, L".", 3},   {true, L"..", 2},    {true, L".git", 1}, {true, L"..x", 1}, {true, L"...", 1},
      {true, L"dir", 1}, {false, L"file", 0}, {false, L".", 0},   {false, L"..", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyEntryName(c.isDirectory, c.name), c.expected) << c.name;
}

}  // namespace
