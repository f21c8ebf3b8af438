// CString: clamping and search edges, aliasing with its own buffer, buffer hand-out
// and the platform's wide printf rules. The string lives in zvfw.dll, so every
// exception checked here also crosses the module boundary.
#include <afxstr.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <stdexcept>
#include <string>

void PrintTo(const CString& s, std::ostream* os) { *os << ::testing::PrintToString(std::wstring(s, s.GetLength())); }

namespace {

CString Formatted(const wchar_t* format, auto... args) {
  CString s;
  s.Format(format, args...);
  return s;
}

TEST(CString, MakesTheExpectedText) {
  const CString s(L"abcdef"), ab(L"ab");
  const struct {
    const char* name;
    std::function<CString()> make;
    std::wstring expected;
  } cases[] = {
      {"null pointer", [] { return CString(static_cast<const wchar_t*>(nullptr)); }, L""},
      {"embedded NUL kept by length", [] { return CString(L"ab\0cd", 5); }, std::wstring(L"ab\0cd", 5)},
      {"repeat", [] { return CString(L'x', 3); }, L"xxx"},
      {"repeat negative", [] { return CString(L'x', -2); }, L""},
      {"ANSI", [] { return CString("abc"); }, L"abc"},
      {"Mid(2)", [&] { return s.Mid(2); }, L"cdef"},
      {"Mid(-1)", [&] { return s.Mid(-1); }, L"abcdef"},
      {"Mid(7)", [&] { return s.Mid(7); }, L""},
      {"Mid(4,10)", [&] { return s.Mid(4, 10); }, L"ef"},
      {"Mid(-2,3)", [&] { return s.Mid(-2, 3); }, L"abc"},
      {"Mid(1,-1)", [&] { return s.Mid(1, -1); }, L""},
      {"Mid(2,INT_MAX)", [&] { return s.Mid(2, INT_MAX); }, L"cdef"},
      {"Mid(INT_MAX,INT_MAX)", [&] { return s.Mid(INT_MAX, INT_MAX); }, L""},
      {"Left(-3)", [&] { return s.Left(-3); }, L""},
      {"Left(99)", [&] { return s.Left(99); }, L"abcdef"},
      {"Right(-1)", [&] { return s.Right(-1); }, L""},
      {"Right(2)", [&] { return s.Right(2); }, L"ef"},
      {"Right(99)", [&] { return s.Right(99); }, L"abcdef"},
      {"+ string", [&] { return L"cd" + ab + CString(L"ef"); }, L"cdabef"},
      {"+ char", [&] { return L'c' + ab + L'd'; }, L"cabd"},
      {"+ null", [] { return CString() + static_cast<const wchar_t*>(nullptr); }, L""},
      {"MakeUpper", [] { return CString(L"abc_日本z").MakeUpper(); }, L"ABC_日本Z"},
      {"MakeLower", [] { return CString(L"ABC_日本Z").MakeLower(); }, L"abc_日本z"},
      {"Trim whitespace", [] { return CString(L" \t a b \r\n").Trim(); }, L"a b"},
      {"copy is independent",
       [] {
         CString a(L"text"), b(a);
         a.SetAt(0, L'n');
         return b;
       },
       L"text"},
      {"moved-from reusable",
       [] {
         CString a(L"x"), b(std::move(a));
         a = L"y";
         return a + b;
       },
       L"yx"},
      {"Format %s=%d", [] { return Formatted(L"%s=%d", L"日本", 5); }, L"日本=5"},
      {"Format longs", [] { return Formatted(L"%05ld|%I64d|%lld", 42L, -1234567890123LL, 9876543210LL); },
       L"00042|-1234567890123|9876543210"},
      {"Format %c %% %S", [] { return Formatted(L"%c%c|%%|%S", L'日', L'x', "narrow"); }, L"日x|%|narrow"},
      {"Format empty", [] { return Formatted(L"%s", L""); }, L""},
      // Sources that point into the string itself, where the buffer moves underneath them.
      {"= own tail",
       [] {
         CString t(L"abcdef");
         t = t.GetString() + 2;
         return t;
       },
       L"cdef"},
      {"+= itself",
       [] {
         CString t(L"cd");
         t += t;
         t += t.GetString() + 2;
         return t;
       },
       L"cdcdcd"},
      {"Insert itself",
       [] {
         CString t(L"ab");
         t.Insert(1, t.GetString());
         return t;
       },
       L"aabb"},
      {"Replace by itself",
       [] {
         CString t(L"aabb");
         t.Replace(t.GetString() + 1, t.GetString());
         return t;
       },
       L"aaabb"},
      {"Format itself",
       [] {
         CString t(L"ab");
         t.Format(L"[%s]", t.GetString());
         return t;
       },
       L"[ab]"},
      {"AppendFormat itself",
       [] {
         CString t(L"ab");
         t.AppendFormat(L"%s", t.GetString());
         return t;
       },
       L"abab"},
      {"grows by chars",
       [] {
         CString t;
         for (int i = 0; i < 5000; ++i) t += L'x';
         return t;
       },
       std::wstring(5000, L'x')},
  };
  for (const auto& c : cases) {
    const CString made = c.make();
    EXPECT_EQ(std::wstring(made, made.GetLength()), c.expected) << c.name;
  }
}

// Each operation runs on the source; its result and what the string holds afterwards.
TEST(CString, EditsAndSearches) {
  const struct {
    const char* name;
    const wchar_t* source;
    std::function<int(CString&)> op;
    int result;
    const wchar_t* after;
  } cases[] = {
      {"Find(.,2)", L"a.b.c", [](CString& s) { return s.Find(L'.', 2); }, 3, L"a.b.c"},
      {"Find(.,-1)", L"a.b.c", [](CString& s) { return s.Find(L'.', -1); }, -1, L"a.b.c"},
      {"Find(c,5) at length", L"a.b.c", [](CString& s) { return s.Find(L'c', 5); }, -1, L"a.b.c"},
      {"Find(\"\",5) at length", L"a.b.c", [](CString& s) { return s.Find(L"", 5); }, 5, L"a.b.c"},
      {"Find(c,6) past length", L"a.b.c", [](CString& s) { return s.Find(L"c", 6); }, -1, L"a.b.c"},
      {"Find(null)", L"a.b.c", [](CString& s) { return s.Find(static_cast<const wchar_t*>(nullptr)); }, -1, L"a.b.c"},
      {"ReverseFind(.)", L"a.b.c", [](CString& s) { return s.ReverseFind(L'.'); }, 3, L"a.b.c"},
      {"FindOneOf(cb)", L"a.b.c", [](CString& s) { return s.FindOneOf(L"cb"); }, 2, L"a.b.c"},
      {"Replace(aa) left to right", L"aaa", [](CString& s) { return s.Replace(L"aa", L"b"); }, 1, L"ba"},
      {"Replace(ab) no overlap", L"abab", [](CString& s) { return s.Replace(L"ab", L"ba"); }, 2, L"baba"},
      {"Replace growing", L"aaa", [](CString& s) { return s.Replace(L"a", L"aa"); }, 3, L"aaaaaa"},
      {"Replace(null)", L"abc", [](CString& s) { return s.Replace(L"b", nullptr); }, 1, L"ac"},
      {"Replace(\"\")", L"abc", [](CString& s) { return s.Replace(L"", L"x"); }, 0, L"abc"},
      {"Replace(ch)", L"a.b.c", [](CString& s) { return s.Replace(L'.', L'/'); }, 2, L"a/b/c"},
      {"Insert(-5)", L"abcdef", [](CString& s) { return s.Insert(-5, L"xy"); }, 8, L"xyabcdef"},
      {"Insert(99)", L"abcdef", [](CString& s) { return s.Insert(99, L"xy"); }, 8, L"abcdefxy"},
      {"Delete(4,99)", L"abcdef", [](CString& s) { return s.Delete(4, 99); }, 4, L"abcd"},
      {"Delete(-1,2)", L"abcdef", [](CString& s) { return s.Delete(-1, 2); }, 4, L"cdef"},
      {"Delete(2,-1)", L"abcdef", [](CString& s) { return s.Delete(2, -1); }, 6, L"abcdef"},
      {"Remove(c)", L"abcc", [](CString& s) { return s.Remove(L'c'); }, 2, L"ab"},
      {"TrimLeft(set)", L"abcdef", [](CString& s) { return s.TrimLeft(L"bax").GetLength(); }, 4, L"cdef"},
      {"Trim(all)", L"abcdef", [](CString& s) { return s.Trim(L"fedcba").GetLength(); }, 0, L""},
      {"Compare", L"ab", [](CString& s) { return s.Compare(L"ac") < 0 && s.Compare(nullptr) > 0; }, 1, L"ab"},
      // Case folding goes to lower case: '_' (0x5F) sorts before 'a' (0x61), not after 'A'.
      {"CompareNoCase", L"_", [](CString& s) { return s.CompareNoCase(L"A") < 0; }, 1, L"_"},
      {"LoadString of missing id", L"kept", [](CString& s) { return int(s.LoadString(0xFFF0)); }, 0, L"kept"},
  };
  for (const auto& c : cases) {
    CString s(c.source);
    EXPECT_EQ(c.op(s), c.result) << c.name;
    EXPECT_EQ(s, c.after) << c.name;
  }
  const CString ab(L"ab");
  EXPECT_TRUE(ab == L"ab" && L"ab" == ab && ab != L"abc" && ab < L"b" && L"aa" < ab && CString() < ab);
}

// Empty strings allocate nothing: they all point at one static terminator.
TEST(CString, EmptyStringsShareTheStaticTerminator) {
  CString b(L"text");
  b.Empty();
  EXPECT_EQ(CString().GetString(), b.GetString());
  EXPECT_EQ(b[0], L'\0');
}

TEST(CString, BadArgumentsThrowAndChangeNothing) {
  CString s(L"abc");
  EXPECT_EQ(s.GetAt(3), L'\0');
  EXPECT_THROW(s.GetAt(4), std::out_of_range);
  EXPECT_THROW(s[-1], std::out_of_range);
  EXPECT_THROW(s.SetAt(3, L'x'), std::out_of_range);
  EXPECT_THROW(CString(L"abc", -1), std::invalid_argument);
  EXPECT_THROW(s.GetBuffer(-1), std::invalid_argument);
  s.GetBuffer(2);
  EXPECT_THROW(s.ReleaseBuffer(100), std::invalid_argument);
  EXPECT_EQ(s, L"abc");
}

TEST(CString, FormatsLongText) {
  const CString longText(L'語', 3000);
  const CString s = Formatted(L"<%s>%-1500d|", longText.GetString(), 1);
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
    c.written.copy(s.GetBuffer(c.minLength), c.written.size());
    s.ReleaseBuffer(c.releaseLength);
    EXPECT_EQ(s, c.expected) << c.name;
    EXPECT_EQ(s.GetLength(), static_cast<int>(wcslen(c.expected))) << c.name;
  }
  CString s;
  std::wstring(L"xyz").copy(s.GetBufferSetLength(3), 3);
  EXPECT_EQ(s, L"xyz");
}

}  // namespace
