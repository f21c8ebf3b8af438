// CString: clamping and search edges, aliasing with its own buffer, buffer hand-out
// and the platform's wide printf rules. The string lives in zvfw.dll, so every
// exception checked here also crosses the module boundary.
#include <afxstr.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

void PrintTo(const CString& s, std::ostream* os) { *os << ::testing::PrintToString(std::wstring(s, s.GetLength())); }

namespace {

struct StringCase {
  const char* name;
  std::function<CString()> make;
  std::wstring expected;
};

void ExpectCases(const std::vector<StringCase>& cases) {
  for (const StringCase& c : cases) {
    const CString s = c.make();
    EXPECT_EQ(std::wstring(s, s.GetLength()), c.expected) << c.name;
    EXPECT_EQ(s.GetLength(), static_cast<int>(c.expected.size())) << c.name;
  }
}

TEST(CString, Construction) {
  ExpectCases({
      {"default", [] { return CString(); }, L""},
      {"null pointer", [] { return CString(static_cast<const wchar_t*>(nullptr)); }, L""},
      {"text", [] { return CString(L"abc"); }, L"abc"},
      {"embedded NUL kept by length", [] { return CString(L"ab\0cd", 5); }, std::wstring(L"ab\0cd", 5)},
      {"repeat", [] { return CString(L'x', 3); }, L"xxx"},
      {"repeat zero", [] { return CString(L'x', 0); }, L""},
      {"repeat negative", [] { return CString(L'x', -2); }, L""},
      {"ANSI", [] { return CString("abc"); }, L"abc"},
  });
  EXPECT_THROW(CString(L"abc", -1), std::invalid_argument);
}

// Empty strings allocate nothing: they all point at one static terminator.
TEST(CString, EmptyStringsShareTheStaticTerminator) {
  CString a;
  CString b(L"text");
  b.Empty();
  ASSERT_NE(a.GetString(), nullptr);
  EXPECT_EQ(a.GetString(), CString(L"").GetString());
  EXPECT_EQ(a.GetString(), b.GetString());
  EXPECT_EQ(a[0], L'\0');
}

TEST(CString, MidLeftRightClamp) {
  const CString s(L"abcdef");
  ExpectCases({
      {"Mid(2)", [&] { return s.Mid(2); }, L"cdef"},
      {"Mid(-1)", [&] { return s.Mid(-1); }, L"abcdef"},
      {"Mid(6)", [&] { return s.Mid(6); }, L""},
      {"Mid(7)", [&] { return s.Mid(7); }, L""},
      {"Mid(2,3)", [&] { return s.Mid(2, 3); }, L"cde"},
      {"Mid(4,10)", [&] { return s.Mid(4, 10); }, L"ef"},
      {"Mid(-2,3)", [&] { return s.Mid(-2, 3); }, L"abc"},
      {"Mid(1,-1)", [&] { return s.Mid(1, -1); }, L""},
      {"Mid(2,INT_MAX)", [&] { return s.Mid(2, INT_MAX); }, L"cdef"},
      {"Mid(INT_MAX,INT_MAX)", [&] { return s.Mid(INT_MAX, INT_MAX); }, L""},
      {"Left(-3)", [&] { return s.Left(-3); }, L""},
      {"Left(4)", [&] { return s.Left(4); }, L"abcd"},
      {"Left(99)", [&] { return s.Left(99); }, L"abcdef"},
      {"Right(-1)", [&] { return s.Right(-1); }, L""},
      {"Right(2)", [&] { return s.Right(2); }, L"ef"},
      {"Right(99)", [&] { return s.Right(99); }, L"abcdef"},
  });
}

TEST(CString, FindEdges) {
  const CString s(L"a.b.c");
  const CString empty;
  const struct {
    const char* name;
    int actual;
    int expected;
  } cases[] = {
      {"Find(.)", s.Find(L'.'), 1},
      {"Find(.,2)", s.Find(L'.', 2), 3},
      {"Find(.,4)", s.Find(L'.', 4), -1},
      {"Find(.,-1)", s.Find(L'.', -1), -1},
      {"Find(c,5) start at length", s.Find(L'c', 5), -1},
      {"Find(b.c)", s.Find(L"b.c"), 2},
      {"Find(\"\",5) empty at length", s.Find(L"", 5), 5},
      {"Find(c,6) past length", s.Find(L"c", 6), -1},
      {"Find(null)", s.Find(static_cast<const wchar_t*>(nullptr)), -1},
      {"ReverseFind(.)", s.ReverseFind(L'.'), 3},
      {"ReverseFind(z)", s.ReverseFind(L'z'), -1},
      {"FindOneOf(cb)", s.FindOneOf(L"cb"), 2},
      {"FindOneOf(\"\")", s.FindOneOf(L""), -1},
      {"empty Find(a)", empty.Find(L'a'), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(CString, ReplaceIsLeftToRightWithoutOverlap) {
  const struct {
    const wchar_t* source;
    const wchar_t* oldText;
    const wchar_t* newText;
    const wchar_t* expected;
    int count;
  } cases[] = {
      {L"aaa", L"aa", L"b", L"ba", 1},       {L"aaaa", L"aa", L"b", L"bb", 2},
      {L"abab", L"ab", L"ba", L"baba", 2},   {L"aaa", L"a", L"aa", L"aaaaaa", 3},
      {L"a.b.c", L".", L"::", L"a::b::c", 2}, {L"abc", L"b", L"", L"ac", 1},
      {L"abc", L"b", nullptr, L"ac", 1},     {L"abc", L"", L"x", L"abc", 0},
      {L"abc", L"x", L"y", L"abc", 0},       {L"", L"a", L"b", L"", 0},
  };
  for (const auto& c : cases) {
    CString s(c.source);
    EXPECT_EQ(s.Replace(c.oldText, c.newText), c.count) << testing::PrintToString(c.source);
    EXPECT_EQ(s, c.expected) << testing::PrintToString(c.source);
  }
  CString s(L"a.b.c");
  EXPECT_EQ(s.Replace(L'.', L'/'), 2);
  EXPECT_EQ(s, L"a/b/c");
  EXPECT_EQ(s.Replace(L'/', L'/'), 0);
}

TEST(CString, EditsClampTheirIndex) {
  const struct {
    const char* name;
    std::function<int(CString&)> edit;
    const wchar_t* expected;
    int result;
  } cases[] = {
      {"Insert(-5,str)", [](CString& s) { return s.Insert(-5, L"xy"); }, L"xyabcdef", 8},
      {"Insert(99,str)", [](CString& s) { return s.Insert(99, L"xy"); }, L"abcdefxy", 8},
      {"Insert(1,ch)", [](CString& s) { return s.Insert(1, L'x'); }, L"axbcdef", 7},
      {"Delete(1,2)", [](CString& s) { return s.Delete(1, 2); }, L"adef", 4},
      {"Delete(4,99)", [](CString& s) { return s.Delete(4, 99); }, L"abcd", 4},
      {"Delete(-1,2)", [](CString& s) { return s.Delete(-1, 2); }, L"cdef", 4},
      {"Delete(99)", [](CString& s) { return s.Delete(99); }, L"abcdef", 6},
      {"Delete(2,-1)", [](CString& s) { return s.Delete(2, -1); }, L"abcdef", 6},
      {"Remove(c)", [](CString& s) { return (s += L"cc").Remove(L'c'); }, L"abdef", 3},
      {"TrimLeft(set)", [](CString& s) { return s.TrimLeft(L"bax").GetLength(); }, L"cdef", 4},
      {"TrimRight(ch)", [](CString& s) { return s.TrimRight(L'f').GetLength(); }, L"abcde", 5},
      {"Trim(\"\")", [](CString& s) { return s.Trim(L"").GetLength(); }, L"abcdef", 6},
      {"Trim(all)", [](CString& s) { return s.Trim(L"fedcba").GetLength(); }, L"", 0},
      {"MakeReverse", [](CString& s) { return s.MakeReverse().GetLength(); }, L"fedcba", 6},
  };
  for (const auto& c : cases) {
    CString s(L"abcdef");
    EXPECT_EQ(c.edit(s), c.result) << c.name;
    EXPECT_EQ(s, c.expected) << c.name;
  }

  CString spaced(L" \t a b \r\n");
  EXPECT_EQ(CString(spaced).TrimLeft(), L"a b \r\n");
  EXPECT_EQ(CString(spaced).TrimRight(), L" \t a b");
  EXPECT_EQ(spaced.Trim(), L"a b");
  EXPECT_EQ(CString(L"xxaxx").Trim(L'x'), L"a");
}

// Sources that point into the string itself, where the buffer moves underneath them.
TEST(CString, SourcesInsideItsOwnBuffer) {
  CString s(L"abcdef");
  s = s.GetString() + 2;
  EXPECT_EQ(s, L"cdef");
  s += s;
  EXPECT_EQ(s, L"cdefcdef");
  s += s.GetString() + 4;
  EXPECT_EQ(s, L"cdefcdefcdef");
  CString t(L"ab");
  t.Insert(1, t.GetString());
  EXPECT_EQ(t, L"aabb");
  EXPECT_EQ(t.Replace(t.GetString() + 1, t.GetString()), 1);
  EXPECT_EQ(t, L"aaabb");
  t.Format(L"[%s]", t.GetString());
  EXPECT_EQ(t, L"[aaabb]");
  t.AppendFormat(L"%s", t.GetString());
  EXPECT_EQ(t, L"[aaabb][aaabb]");

  CString grown;
  for (int i = 0; i < 5000; ++i) grown += L'x';
  EXPECT_EQ(grown, CString(L'x', 5000));
}

TEST(CString, CopiesAndMovesAreIndependent) {
  CString original(L"text");
  CString copy(original);
  original.SetAt(0, L'n');
  CString moved(std::move(original));
  original = L"again";
  EXPECT_EQ(copy, L"text");
  EXPECT_EQ(moved, L"next");
  EXPECT_EQ(original, L"again");
}

TEST(CString, ConcatenationAndComparison) {
  const CString ab(L"ab");
  EXPECT_EQ(ab + CString(L"cd"), L"abcd");
  EXPECT_EQ(ab + L"cd", L"abcd");
  EXPECT_EQ(L"cd" + ab, L"cdab");
  EXPECT_EQ(ab + L'c', L"abc");
  EXPECT_EQ(L'c' + ab, L"cab");
  EXPECT_EQ(CString() + static_cast<const wchar_t*>(nullptr), L"");
  EXPECT_TRUE(ab == L"ab" && L"ab" == ab && ab != L"abc" && L"abc" != ab);
  EXPECT_TRUE(ab < L"b" && L"aa" < ab && ab > L"a" && L"b" > ab);
  EXPECT_TRUE(ab <= CString(L"ab") && ab >= CString(L"ab") && CString() < ab);
  EXPECT_LT(ab.Compare(L"ac"), 0);
  EXPECT_GT(ab.Compare(nullptr), 0);
  EXPECT_EQ(CString(L"ABC").CompareNoCase(L"abc"), 0);
  // Case folding goes to lower case: '_' (0x5F) sorts before 'a' (0x61), not after 'A'.
  EXPECT_LT(CString(L"_").CompareNoCase(L"A"), 0);
  EXPECT_EQ(CString(L"abc_日本z").MakeUpper(), L"ABC_日本Z");
  EXPECT_EQ(CString(L"ABC_日本Z").MakeLower(), L"abc_日本z");
}

TEST(CString, IndexOutOfRangeThrowsAndChangesNothing) {
  CString s(L"abc");
  EXPECT_EQ(s.GetAt(3), L'\0');
  EXPECT_THROW(s.GetAt(4), std::out_of_range);
  EXPECT_THROW(s[-1], std::out_of_range);
  EXPECT_THROW(s.SetAt(3, L'x'), std::out_of_range);
  EXPECT_EQ(s, L"abc");
}

TEST(CString, FormatUsesWidePrintfRules) {
  CString s;
  s.Format(L"%s=%d", L"日本", 5);
  EXPECT_EQ(s, L"日本=5");
  s.Format(L"%05ld|%I64d|%lld", 42L, -1234567890123LL, 9876543210LL);
  EXPECT_EQ(s, L"00042|-1234567890123|9876543210");
  s.Format(L"%c%c|%%|%S", L'日', L'x', "narrow");
  EXPECT_EQ(s, L"日x|%|narrow");
  s.Format(L"%s", L"");
  EXPECT_TRUE(s.IsEmpty());

  const CString longText(L'語', 3000);
  s.Format(L"<%s>%-1500d|", longText.GetString(), 1);
  ASSERT_EQ(s.GetLength(), 1 + 3000 + 1 + 1500 + 1);
  EXPECT_EQ(s.Mid(1, 3000), longText);
  EXPECT_EQ(s.Right(3), L"  |");
}

TEST(CString, BufferHandOut) {
  const struct {
    const char* name;
    const wchar_t* initial;
    int minLength;
    std::wstring written;  // copied over the start of the buffer, NULs included
    int releaseLength;
    const wchar_t* expected;
  } cases[] = {
      {"measured to the NUL", L"", 10, std::wstring(L"hello\0", 6), -1, L"hello"},
      {"explicit length", L"", 10, L"abc", 2, L"ab"},
      {"contents kept", L"abc", 1, L"", -1, L"abc"},
      {"full buffer without NUL", L"", 4, L"wxyz", -1, L"wxyz"},
      {"explicit zero", L"abc", 0, L"", 0, L""},
  };
  for (const auto& c : cases) {
    CString s(c.initial);
    wchar_t* p = s.GetBuffer(c.minLength);
    c.written.copy(p, c.written.size());
    s.ReleaseBuffer(c.releaseLength);
    EXPECT_EQ(s, c.expected) << c.name;
    EXPECT_EQ(s.GetLength(), static_cast<int>(wcslen(c.expected))) << c.name;
  }

  CString s;
  wchar_t* p = s.GetBufferSetLength(3);
  p[0] = L'x';
  p[1] = L'y';
  p[2] = L'z';
  EXPECT_EQ(s, L"xyz");
  s.GetBuffer(2);
  EXPECT_THROW(s.ReleaseBuffer(100), std::invalid_argument);
  EXPECT_THROW(s.GetBuffer(-1), std::invalid_argument);
  EXPECT_EQ(s, L"xyz");
}

TEST(CString, LoadStringOfMissingIdLeavesTheText) {
  CString s(L"kept");
  EXPECT_FALSE(s.LoadString(0xFFF0));
  EXPECT_EQ(s, L"kept");
}

}  // namespace
