#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "redirection.h"
#include "zvutil.h"

namespace {

// What the fake switch saw: one entry per call, 'D' (switch off) or 'R' (switch back).
struct Call {
  DWORD thread;
  char kind;
  PVOID value;
};
std::vector<Call> g_log;

PVOID ValueFor(DWORD thread) { return reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x5000 + thread)); }
BOOL Log(char kind, PVOID value) {
  g_log.push_back({GetCurrentThreadId(), kind, value});
  return TRUE;
}
BOOL WINAPI FakeDisable(PVOID* old) { return Log('D', *old = ValueFor(GetCurrentThreadId())); }
BOOL WINAPI FakeRevert(PVOID old) { return Log('R', old); }
// The kinds logged by one thread (any thread when 0).
std::string Kinds(DWORD thread = 0) {
  std::string kinds;
  for (const Call& c : g_log)
    if (thread == 0 || c.thread == thread) kinds += c.kind;
  return kinds;
}

class Frame : public testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"zv_frame_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Path(L"sub").c_str(), nullptr));
    HANDLE file = CreateFileW(Path(L"data.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "12345", 5, &written, nullptr);
    CloseHandle(file);
  }
  void TearDown() override {
    ReleaseRedirectionSwitch();
    DeleteFileW(Path(L"data.txt").c_str());
    RemoveDirectoryW(Path(L"sub").c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Path(const wchar_t* name) const { return dir_ + L"\\" + name; }
  static void Fake(BOOL wow64 = TRUE) { PrepareRedirectionSwitchForTest({wow64, FakeDisable, FakeRevert}); }

  std::wstring dir_;
};

TEST_F(Frame, PathExistsExactName) {
  Fake();  // every way out must switch redirection back
  struct Case {
    const wchar_t* name;
    BOOL exists;
  };
  const Case cases[] = {{L"data.txt", TRUE}, {L"DATA.TXT", TRUE}, {L"sub", FALSE}, {L"missing.txt", FALSE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WIN32_FIND_DATAW find{};
    EXPECT_EQ(PathExistsExactName(Path(c.name).c_str(), &find), c.exists);
    EXPECT_EQ(PathExistsExactName(Path(c.name).c_str(), nullptr), c.exists);
    if (c.exists) {
      EXPECT_STREQ(find.cFileName, L"data.txt");
    }
    EXPECT_EQ(Kinds(), "DRDR");
    g_log.clear();
  }
}

TEST_F(Frame, FindSizeAndClass) {
  struct Case {
    DWORD high, low, attributes;
    const wchar_t* name;
    ULONGLONG size;
    int kind;
  };
  const Case cases[] = {
      {1, 2, FILE_ATTRIBUTE_ARCHIVE, L"a", 0x100000002ull, 0},
      {0, 0xFFFFFFFF, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, L".", 0xFFFFFFFFull, 3},
      {0xFFFFFFFF, 0xFFFFFFFF, FILE_ATTRIBUTE_DIRECTORY, L"..", 0xFFFFFFFFFFFFFFFFull, 2},
      {0x80000000, 0, FILE_ATTRIBUTE_DIRECTORY, L".git", 0x8000000000000000ull, 1},
  };
  for (const Case& c : cases) {
    WIN32_FIND_DATAW find{c.attributes, {}, {}, {}, c.high, c.low, 0, 0, {}, {}};
    wcscpy(find.cFileName, c.name);
    EXPECT_EQ(FindDataFileSize(find), c.size);
    EXPECT_EQ(ClassifyFindEntry(find), c.kind) << c.name;
  }
}

TEST_F(Frame, WriteUtf16BomAtCurrentPosition) {
  HANDLE file = CreateFileNoRedirect(Path(L"data.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 1, nullptr, FILE_BEGIN);
  EXPECT_TRUE(WriteUtf16Bom(file));
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  char bytes[8] = {};
  DWORD done = 0;
  ReadFile(file, bytes, sizeof bytes, &done, nullptr);
  CloseHandle(file);
  EXPECT_EQ(std::string(bytes, done),
            "1\xFF\xFE"
            "45");
  EXPECT_FALSE(WriteUtf16Bom(INVALID_HANDLE_VALUE));
}

TEST_F(Frame, ShiftJisConversion) {
  ASSERT_EQ(GetACP(), 932u) << "run under Wine with LANG=ja_JP.UTF-8";
  struct Case {
    const wchar_t* wide;
    const char* ansi;
    int bytes;
  };
  const Case cases[] = {
      {L"日本", "\x93\xFA\x96\x7B", 5},
      {L"Aｱ表", "A\xB1\x95\x5C", 5},
      {L"", "", 1},
      {L"C:\\", "C:\\", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " bytes");
    std::string ansi(64, '#');
    EXPECT_EQ(WideToAnsi(c.wide, ansi.data()), c.bytes);
    EXPECT_EQ(ansi.substr(0, c.bytes), std::string(c.ansi, c.bytes));
    wchar_t wide[64];
    EXPECT_EQ(AnsiToWide(c.ansi, wide), static_cast<int>(wcslen(c.wide)) + 1);
    EXPECT_STREQ(wide, c.wide);
  }
}

// A 32-bit process on 64-bit Windows, played by the fake switch.
TEST_F(Frame, RedirectionNestsPerThread) {
  // calls: per step, the call that reached the system then, or '.'.
  struct Case {
    const char* steps;
    BOOL wow64;
    bool hasDisable, hasRevert;
    const char* calls;
  };
  const Case cases[] = {
      {"DDRRR", TRUE, true, true, "D..R."},
      {"DDDRRR", TRUE, true, true, "D....R"},
      {"DRDR", TRUE, true, true, "DRDR"},
      {"RDR", TRUE, true, true, ".DR"},
      {"DDRR", FALSE, true, true, "...."},
      // Without the switch-off function the depth still counts: only the last revert switches back.
      {"DDRR", TRUE, false, true, "...R"},
      {"DDRR", TRUE, false, false, "...."},
      {"DR", TRUE, true, false, "D."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.steps << " wow64=" << c.wow64 << c.hasDisable << c.hasRevert);
    PrepareRedirectionSwitchForTest(
        {c.wow64, c.hasDisable ? FakeDisable : nullptr, c.hasRevert ? FakeRevert : nullptr});
    g_log.clear();
    std::string calls;
    for (const char* step = c.steps; *step != 0; ++step) {
      const size_t before = g_log.size();
      (*step == 'D' ? DisableWow64FsRedirection : RevertWow64FsRedirection)();
      calls += g_log.size() == before ? '.' : g_log.back().kind;
    }
    EXPECT_EQ(calls, c.calls);
    // The value handed back is the one the system returned when switching off (0 when it never did).
    const PVOID expected = c.hasDisable ? ValueFor(GetCurrentThreadId()) : nullptr;
    for (const Call& call : g_log) EXPECT_EQ(call.value, expected);
  }
}

TEST_F(Frame, RedirectionDepthAndValueAreThreadLocal) {
  Fake();
  // Another thread goes two deep and back while this one is switched off; each hands back its own value.
  DisableWow64FsRedirection();
  DWORD other = 0;
  std::thread([&] {
    other = GetCurrentThreadId();
    DisableWow64FsRedirection();
    DisableWow64FsRedirection();
    RevertWow64FsRedirection();
    RevertWow64FsRedirection();
  }).join();
  RevertWow64FsRedirection();
  EXPECT_EQ(Kinds(GetCurrentThreadId()), "DR");
  EXPECT_EQ(Kinds(other), "DR");
  for (const Call& c : g_log) EXPECT_EQ(c.value, ValueFor(c.thread));
}

TEST_F(Frame, SearchKeepsRedirectionOffUntilClosed) {
  Fake();
  WIN32_FIND_DATAW find;
  HANDLE search = FindFirstFileNoRedirect(Path(L"*").c_str(), &find);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  DisableWow64FsRedirection();
  RevertWow64FsRedirection();
  EXPECT_TRUE(FindNextFileW(search, &find));
  EXPECT_EQ(Kinds(), "D");
  EXPECT_TRUE(FindCloseNoRedirect(&search));
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FindCloseNoRedirect(&search));
  EXPECT_EQ(Kinds(), "DR");

  EXPECT_EQ(FindFirstFileNoRedirect(Path(L"missing\\*").c_str(), &find), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Kinds(), "DRDR");
  HANDLE file = CreateFileNoRedirect(Path(L"data.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(Kinds(), "DRDRDR");
}

}  // namespace
