// The support library under Wine: a script that fails, outlives its deadline
// or leaves its modal call open fails the test instead of hanging it, and a
// held file refuses other opens.
#include <gtest/gtest.h>

#include "dialog_driver.h"

using namespace zvtest;

namespace {

constexpr wchar_t kTitle[] = L"ドライバ試験";

int ShowBox() { return ::MessageBoxW(nullptr, L"閉じられるまで待ちます", kTitle, MB_OKCANCEL); }

TEST(UiScript, AFailedOrStuckScriptOrAModalLeftOpenClosesTheDialog) {
  struct Case {
    const char* name;
    DWORD deadlineMs;
    std::function<void()> script;
    const char* failure;
  };
  const Case cases[] = {
      {"script fails", 30000,
       [] {
         RequireDialog(kTitle);
         Fail("stopped on purpose");
       },
       "stopped on purpose"},
      {"script outlives its deadline", 1500,
       [] {
         RequireDialog(kTitle);
         WaitForCondition([] { return false; }, 60000);
       },
       "still running after 1500 ms"},
      {"script ends but leaves the dialog open", 1500, [] { RequireDialog(kTitle); },
       "the modal call had not returned 1500 ms after the script began"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ULONGLONG start = ::GetTickCount64();
    UiScript script(c.script, c.deadlineMs);
    EXPECT_EQ(ShowBox(), IDCANCEL);
    EXPECT_FALSE(script.Join());
    EXPECT_LT(::GetTickCount64() - start, 15000u);
    EXPECT_NE(script.Failure().find(c.failure), std::string::npos) << script.Failure();
    EXPECT_TRUE(ProcessDialogs().empty());
  }
}

TEST(FileLock, RefusesEveryOtherOpenUntilReleased) {
  TempDir dir;
  const std::wstring path = dir.Path(L"locked.bin");
  ASSERT_TRUE(WriteBytes(path, "data"));
  const auto open = [&](DWORD access) {
    HANDLE file = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    const DWORD error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return error;
  };
  {
    FileLock lock(path);
    ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
    EXPECT_EQ(open(GENERIC_READ), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(open(GENERIC_WRITE), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(open(GENERIC_WRITE), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'d', 'a', 't', 'a'}));
}

}  // namespace
