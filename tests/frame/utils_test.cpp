// The shared file and text functions under Wine, the redirection switch as in a
// 32-bit process on 64-bit Windows (through its seam), and the folder picker.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "dialog_driver.h"
#include "redirection.h"
#include "zvutil.h"

namespace {

using namespace zvtest;

// What reached the fake system, in order: 'D' switched off, 'R' switched back
// with the value that switching off gave this thread, 'X' with another.
std::string g_calls;

PVOID ValueFor(DWORD thread) { return reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x5000 + thread)); }
BOOL WINAPI FakeDisable(PVOID* old) {
  *old = ValueFor(GetCurrentThreadId());
  g_calls += 'D';
  return TRUE;
}
BOOL WINAPI FakeRevert(PVOID old) {
  g_calls += old == ValueFor(GetCurrentThreadId()) ? 'R' : 'X';
  return TRUE;
}

class Frame : public testing::Test {
 protected:
  void SetUp() override {
    PrepareRedirectionSwitchForTest({TRUE, FakeDisable, FakeRevert});
    ASSERT_TRUE(CreateDirectoryW(temp_.Path(L"sub").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(temp_.Path(L"data.txt"), "12345"));
    g_calls.clear();
  }
  void TearDown() override { ReleaseRedirectionSwitch(); }
  TempDir temp_;
};

TEST_F(Frame, FindSizeClassAndByteOrderMark) {
  WIN32_FIND_DATAW find{FILE_ATTRIBUTE_DIRECTORY, {}, {}, {}, 0x80000001, 0xFFFFFFFF, 0, 0, L"..", {}};
  EXPECT_EQ(FindDataFileSize(find), 0x80000001FFFFFFFFull);
  EXPECT_EQ(ClassifyFindEntry(find), 2);
  find.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(ClassifyFindEntry(find), 0) << "a file named ..";
  HANDLE file =
      CreateFileNoRedirect(temp_.Path(L"data.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 1, nullptr, FILE_BEGIN);
  EXPECT_TRUE(WriteUtf16Bom(file));
  CloseHandle(file);
  EXPECT_EQ(ReadBytes(temp_.Path(L"data.txt")), (std::vector<uint8_t>{'1', 0xFF, 0xFE, '4', '5'}));
  EXPECT_EQ(g_calls, "DR");
}

TEST_F(Frame, ShiftJisConversions) {
  ASSERT_EQ(GetACP(), 932u) << "run under Wine with LANG=ja_JP.UTF-8";
  for (const auto& [wide, sjis] : {std::pair<std::wstring, std::string>{L"日本ｱ", "\x93\xFA\x96\x7B\xB1"}, {L"", ""}}) {
    std::string ansi(2 * wide.size() + 2, '#');
    EXPECT_EQ(WideToAnsi(wide.c_str(), ansi.data()), static_cast<int>(sjis.size()) + 1);
    EXPECT_EQ(ansi.substr(0, sjis.size() + 1), sjis + '\0');
    std::wstring back(sjis.size() + 1, L'#');
    EXPECT_EQ(AnsiToWide(sjis.c_str(), back.data()), static_cast<int>(wide.size()) + 1);
    EXPECT_EQ(back.c_str(), wide);
  }
}

// Runs steps, 'D' switching off and 'R' back; per step what reached the system, or '.'.
std::string Steps(const char* steps) {
  std::string calls;
  for (const char* step = steps; *step != 0; ++step) {
    g_calls.clear();
    (*step == 'D' ? DisableWow64FsRedirection : RevertWow64FsRedirection)();
    calls += g_calls.empty() ? "." : g_calls;
  }
  return calls;
}

TEST_F(Frame, RedirectionNestsPerThread) {
  const std::tuple<const char*, BOOL, bool, const char*> cases[] = {
      {"DDRRR", TRUE, true, "D..R."},
      {"DDDRRR", TRUE, true, "D....R"},
      {"RDR", TRUE, true, ".DR"},
      {"DDRR", FALSE, true, "...."},
      // Without the switch-off function the depth still counts: only the last revert switches back.
      {"DDRR", TRUE, false, "...X"}};
  for (const auto& [steps, wow64, hasDisable, calls] : cases) {
    PrepareRedirectionSwitchForTest({wow64, hasDisable ? FakeDisable : nullptr, FakeRevert});
    EXPECT_EQ(Steps(steps), calls) << steps << " wow64 " << wow64 << " disable " << hasDisable;
  }
  // Another thread goes two deep and back while this one is switched off.
  PrepareRedirectionSwitchForTest({TRUE, FakeDisable, FakeRevert});
  std::string other;
  EXPECT_EQ(Steps("D"), "D");
  std::thread([&] { other = Steps("DDRR"); }).join();
  EXPECT_EQ(other + Steps("R"), "D..RR");
}

// A search keeps redirection off on its thread until it is closed, on every
// way out of PathExistsExactName too.
TEST_F(Frame, SearchesSwitchRedirectionBackWhenClosed) {
  WIN32_FIND_DATAW find;
  HANDLE search = FindFirstFileNoRedirect(temp_.Path(L"*").c_str(), &find);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Steps("DR"), "..");
  EXPECT_TRUE(FindNextFileW(search, &find));
  EXPECT_TRUE(FindCloseNoRedirect(&search) && search == INVALID_HANDLE_VALUE && FindCloseNoRedirect(&search));
  EXPECT_EQ(g_calls, "R");
  EXPECT_EQ(FindFirstFileNoRedirect(temp_.Path(L"missing\\*").c_str(), &find), INVALID_HANDLE_VALUE);
  EXPECT_EQ(g_calls, "RDR");
  for (const auto& [name, exists] :
       {std::pair{L"data.txt", TRUE}, {L"DATA.TXT", TRUE}, {L"sub", FALSE}, {L"x", FALSE}}) {
    g_calls.clear();
    EXPECT_EQ(PathExistsExactName(temp_.Path(name).c_str(), &find), exists) << Utf8(name);
    EXPECT_EQ(PathExistsExactName(temp_.Path(name).c_str(), nullptr), exists) << Utf8(name);
    EXPECT_TRUE(!exists || std::wstring(find.cFileName) == L"data.txt") << "the long name on disk";
    EXPECT_EQ(g_calls, "DRDR") << Utf8(name);
  }
}

bool ShowsText(HWND picker, const std::wstring& text) {
  return ::FindWindowExW(picker, nullptr, L"Static", text.c_str()) != nullptr;
}

// Started at a folder or a bare drive; "" when nothing was chosen.
TEST(BrowseForFolder, ReturnsTheChoiceOrNothing) {
  const std::tuple<const wchar_t*, std::wstring, int> cases[] = {
      {L"C:\\windows\\", L"C:\\windows", IDOK}, {L"C:", L"C:\\", IDOK}, {L"C:\\windows", L"C:\\windows", IDCANCEL}};
  for (const auto& [start, selected, button] : cases) {
    wchar_t path[MAX_PATH * 2] = {};
    wcscpy(path, start);
    UiScript script([&] {
      HWND picker = WaitForDialog([](HWND dlg) { return FindChildOfClass(dlg, L"SysTreeView32") != nullptr; });
      Require(picker != nullptr, "the folder picker opens");
      // The shell fills the picker in the background: slow on a loaded machine.
      const std::wstring status = L"「" + selected + L"」が選択されています";
      Require(WaitForCondition([&] { return ShowsText(picker, status); }, 15000), Utf8(status));
      EXPECT_TRUE(ShowsText(picker, L"パスを指定してください。"));
      Require(Click(picker, button), "pressing the button");
    });
    const BOOL chosen = BrowseForFolder(path, nullptr, FALSE);
    ASSERT_TRUE(script.Join()) << script.Failure();
    EXPECT_EQ(chosen ? path : L"", button == IDOK ? selected : L"") << Utf8(start);
  }
}

}  // namespace
