// ZvPrintTextDlg where Wine sees no printer at all: run by scripts/wine-bare
// in a prefix of its own, made and run while no CUPS queue is visible.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include "print_test.h"

namespace {

using namespace zvtest;

TEST(PrintDialogWithoutPrinter, SaysSoAndNeverShows) {
  DWORD needed = 0, count = 0;
  ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  ASSERT_EQ(needed, 0u) << "this prefix sees a printer: run it through scripts/wine-bare";

  print_test::Host host;
  host.text = "text";
  ASSERT_TRUE(print_test::RunDialog(host, L"none.txt", [&] {
    const auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "no message");
    EXPECT_EQ(box->caption, L"ZvDll");
    EXPECT_EQ(box->text, L"プリンターがInstallされていません");
    EXPECT_TRUE(ProcessDialogs().empty()) << "the print dialog showed";
  }));
  EXPECT_EQ(host.marginLeft, 20) << "nothing written back";
}

}  // namespace
