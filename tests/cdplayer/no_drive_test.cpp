// OnCdPlaydef where Wine sees no CD-ROM drive at all: run by scripts/wine-bare
// in a prefix of its own, without the simulated drives.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "dialog_driver.h"
#include "support.h"

namespace {

using namespace zvtest;

TEST(CdDialogWithoutDrive, SaysSoAndEndsAtOnce) {
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const wchar_t root[] = {letter, L':', L'\\', 0};
    ASSERT_FALSE((drives & (1u << (letter - L'A'))) && ::GetDriveTypeW(root) == DRIVE_CDROM)
        << "this prefix sees a CD-ROM drive: run it through scripts/wine-bare";
  }

  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  ASSERT_TRUE(library);
  const auto show = GetExport<void(WINAPI*)(int*, int*, int*)>(library, "OnCdPlaydef");
  ASSERT_TRUE(show);
  int random = 1, repeat = 5, state = 3;
  std::atomic<bool> returned{false};
  UiScript script(
      [&] {
        const auto box = AnswerMessageBox(IDOK);
        Require(box.has_value(), "no message");
        EXPECT_EQ(box->caption, L"ZvDll");
        EXPECT_EQ(box->text, L"有効なCD-ROMドライブが有りません");
        // The player ends behind the box and never waits for the user.
        Require(WaitForCondition([&] { return returned.load(); }, 5000), "the player stayed open");
      },
      60000);
  show(&random, &repeat, &state);
  returned = true;
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(random, 1);
  EXPECT_EQ(repeat, 5);
  EXPECT_EQ(state, 3);
}

}  // namespace
