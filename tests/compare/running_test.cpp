// The dialog while the worker runs: progress as the person sees it, 中止 under
// a steady flow of progress reports, and Esc and the close box doing nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "compare_dialog.h"
#include "dialog_driver.h"
#include "support.h"

namespace {

using namespace zvtest;

using namespace compare_test;

// Equal sparse files: gigabytes to compare at no cost of disk, so the worker is
// surely still running when the test acts.
void MakeSparseFile(const std::wstring& path, LONGLONG size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end{};
  end.QuadPart = size;
  EXPECT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
  ::CloseHandle(file);
}

// Window subclassing from the test: the dialog runs on the test's main thread.
struct Subclass {
  static inline WNDPROC original = nullptr;
  static inline std::vector<std::wstring> texts;  // every text the progress static was given
  static inline std::atomic<int> clicksWithPendingReport{0};

  static LRESULT CALLBACK RecordTexts(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) texts.emplace_back(reinterpret_cast<LPCWSTR>(lParam));
    return ::CallWindowProcW(original, window, message, wParam, lParam);
  }

  // Holds the click on 中止 until the worker is blocked in a progress report
  // sent to this thread, so the stop always meets a report in flight.
  static LRESULT CALLBACK StopDuringReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BM_CLICK) {
      const DWORD deadline = ::GetTickCount() + 5000;
      while (!(HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && ::GetTickCount() < deadline) {
        ::SwitchToThread();
      }
      if (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) ++clicksWithPendingReport;
    }
    return ::CallWindowProcW(original, window, message, wParam, lParam);
  }

  static void Install(HWND control, WNDPROC procedure) {
    original =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
  }
};

// A stop that deadlocks leaves the test's main thread blocked for good: end the
// process with evidence rather than wait for ctest's timeout.
void RequireClosedOrAbort(HWND dlg, const char* what) {
  if (WaitForWindowGone(dlg, 15000)) return;
  CaptureEvidence(Utf16(what));
  std::fprintf(stderr, "the dialog did not close: %s (a deadlock?)\n", what);
  std::fflush(stderr);
  ::TerminateProcess(::GetCurrentProcess(), 3);
}

class RunningCompareTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Export(), nullptr); }

  TempDir temp_;
  const std::wstring folder_ = temp_.Dir() + L"\\";
  CurrentDirectoryGuard directory_;
};

TEST_F(RunningCompareTest, ProgressShowsEachPercentOnceFromZeroToHundred) {
  const std::string data(1 << 20, 'z');
  ASSERT_TRUE(WriteBytes(temp_.Path(L"a.bin"), data) && WriteBytes(temp_.Path(L"b.bin"), data));
  Subclass::texts.clear();
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Subclass::Install(::GetDlgItem(dlg, kPercent), Subclass::RecordTexts);
    Require(SetText(dlg, kOutFile, L"out.txt"), "typing the report name");
    Require(Click(dlg, IDOK), "pressing 実行");
    Require(WaitForWindowGone(dlg), "the dialog closes at the end");
  });
  Export()(folder_.c_str(), L"a.bin", L"b.bin");
  ASSERT_TRUE(script.Join()) << script.Failure();
  std::vector<std::wstring> expected;
  for (int percent = 0; percent <= 100; ++percent) expected.push_back(std::to_wstring(percent) + L"%");
  EXPECT_EQ(Subclass::texts, expected);
}

TEST_F(RunningCompareTest, EscapeAndTheCloseBoxDoNothingWhileRunning) {
  MakeSparseFile(temp_.Path(L"a.bin"), LONGLONG{8} << 30);
  MakeSparseFile(temp_.Path(L"b.bin"), LONGLONG{8} << 30);
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Require(SetText(dlg, kOutFile, L"out.txt"), "typing the report name");
    Require(Click(dlg, IDOK), "pressing 実行");
    Require(WaitForCondition([&] { return GetText(dlg, kPercent) != L"100%"; }), "progress starts");
    Require(!IsEnabled(dlg, IDOK) && !IsEnabled(dlg, IDCANCEL) && IsEnabled(dlg, kStop), "running state");
    Require(PressKey(dlg, VK_ESCAPE), "pressing Esc");
    ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    // Posted after Esc and the close: once the box is ticked, both were handled.
    ::PostMessageW(::GetDlgItem(dlg, kHex), BM_SETCHECK, BST_CHECKED, 0);
    Require(WaitForCondition([&] { return IsChecked(dlg, kHex); }), "the dialog handles its queue");
    Require(::IsWindowVisible(dlg) && IsEnabled(dlg, kStop), "still running after Esc and the close box");
    Require(Click(dlg, kStop), "pressing 中止");
    RequireClosedOrAbort(dlg, "中止");
  });
  Export()(folder_.c_str(), L"a.bin", L"b.bin");
  ASSERT_TRUE(script.Join()) << script.Failure();
  // Stopped long before the end; the report holds its header.
  EXPECT_EQ(ReadBytes(temp_.Path(L"out.txt")).size(),
            2 + 2 * std::wstring(L"File1:a.bin\nFile2:b.bin\n           10進表記\nADDRESS    FILE1 FILE2\n").size());
}

TEST_F(RunningCompareTest, StopWhileAProgressReportIsInFlightNeverDeadlocks) {
  MakeSparseFile(temp_.Path(L"a.bin"), LONGLONG{8} << 30);
  MakeSparseFile(temp_.Path(L"b.bin"), LONGLONG{8} << 30);
  DWORD handles = 0, handlesAfter = 0;
  constexpr int kRounds = 12;
  Subclass::clicksWithPendingReport = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (round == 2) handles = OpenHandleCount();  // after Wine's first-use handles
    UiScript script([&] {
      HWND dlg = RequireDialog(kTitle);
      Subclass::Install(::GetDlgItem(dlg, kStop), Subclass::StopDuringReport);
      Require(SetText(dlg, kOutFile, L"out.txt"), "typing the report name");
      Require(Click(dlg, IDOK), "pressing 実行");
      Require(WaitForCondition([&] { return IsEnabled(dlg, kStop); }), "中止 is enabled");
      Require(Click(dlg, kStop), "pressing 中止");
      RequireClosedOrAbort(dlg, "中止 during a progress report");
    });
    Export()(folder_.c_str(), L"a.bin", L"b.bin");
    ASSERT_TRUE(script.Join()) << script.Failure() << " in round " << round;
  }
  handlesAfter = HandlesSettleTo(handles);
  EXPECT_EQ(Subclass::clicksWithPendingReport, kRounds) << "every stop met a report in flight";
  EXPECT_EQ(handlesAfter, handles);
}

}  // namespace
