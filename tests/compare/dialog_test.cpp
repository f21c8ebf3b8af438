// The comparison command as the host runs it: ZvCmpBinaryDlg shows the dialog,
// a person fills it and presses 実行, and the report on disk is read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string_view>

#include "compare/compare_ids.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"

namespace {

using namespace zvtest;

const HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
const auto ZvCmpBinaryDlg = GetExport<void(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR)>(library, "ZvCmpBinaryDlg");

// Armed, the next thread the library starts finds its first allocation
// refused: the way a comparison runs out of memory.
std::atomic<bool> refuseAnAllocation{false};
std::atomic<DWORD> refusingThread{0};
void*(__cdecl* realMalloc)(size_t) = nullptr;
decltype(&::CreateThread) realCreateThread = nullptr;
LPTHREAD_START_ROUTINE refusingThreadStart = nullptr;

void* __cdecl RefusingMalloc(size_t size) {
  DWORD self = ::GetCurrentThreadId();
  return refusingThread.compare_exchange_strong(self, 0) ? nullptr : realMalloc(size);
}
DWORD WINAPI RefusingFirstAllocation(void* parameter) {
  refusingThread = ::GetCurrentThreadId();
  return refusingThreadStart(parameter);
}
HANDLE WINAPI ArmedCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                void* parameter, DWORD flags, DWORD* id) {
  if (!refuseAnAllocation.exchange(false)) return realCreateThread(security, stack, start, parameter, flags, id);
  refusingThreadStart = start;
  return realCreateThread(security, stack, &RefusingFirstAllocation, parameter, flags, id);
}
// cut.bin is looked up as 300000 bytes long, whatever it holds: the way a file
// cut between its look-up and its opening shows to the comparison.
decltype(&::FindFirstFileW) realFindFirstFile = nullptr;
HANDLE WINAPI FindCutFileLonger(LPCWSTR pattern, WIN32_FIND_DATAW* find) {
  const HANDLE search = realFindFirstFile(pattern, find);
  if (search != INVALID_HANDLE_VALUE && std::wstring_view(find->cFileName) == L"cut.bin") find->nFileSizeLow = 300000;
  return search;
}
const bool importsHooked =
    (realMalloc = ReplaceImport(library, "msvcrt.dll", "malloc", &RefusingMalloc)) &&
    (realCreateThread = ReplaceImport(library, "kernel32.dll", "CreateThread", &ArmedCreateThread)) &&
    (realFindFirstFile = ReplaceImport(library, "kernel32.dll", "FindFirstFileW", &FindCutFileLonger));

std::vector<uint8_t> ReportBytes(const std::wstring& text) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (const wchar_t c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return bytes;
}

class CompareDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ZvCmpBinaryDlg && importsHooked); }
  // The dialog makes the host's folder current, and a current folder cannot be removed.
  void TearDown() override { ::SetCurrentDirectoryW(ProgramDir().c_str()); }

  // Shows the dialog as the host does while act plays the person.
  void Open(LPCWSTR folder, LPCWSTR file1, LPCWSTR file2, const std::function<void(HWND)>& act) {
    UiScript script([&] { act(RequireDialog(L"バイナリデータの比較")); });
    ZvCmpBinaryDlg(folder, file1, file2);
    EXPECT_TRUE(script.Join()) << script.Failure();
  }

  // Names the report (and the limit), presses 実行, and returns the message box of a failure.
  std::optional<SeenMessageBox> Run(LPCWSTR file1, LPCWSTR file2, const std::wstring& outFile,
                                    const std::wstring& limit = L"", bool fails = false) {
    std::optional<SeenMessageBox> box;
    Open(folder_.c_str(), file1, file2, [&](HWND dlg) {
      Require(SetText(dlg, IDC_CMP_OUTFILE, outFile), "naming the report");
      if (!limit.empty()) Require(TypeKeys(dlg, IDC_CMP_MAXOUTPUT, limit) && Click(dlg, IDC_CMP_NOLIMIT), "the limit");
      Require(Click(dlg, IDOK), "pressing 実行");
      if (fails) box = AnswerMessageBox(IDOK);
      Require(WaitForWindowGone(dlg), "the dialog closes at the end");
    });
    return box;
  }

  TempDir temp_;
  const std::wstring folder_ = temp_.Dir() + L"\\";
};

TEST_F(CompareDialogTest, IncompleteFormsAreRefusedInTheOrderOfTheFields) {
  // A host may pass null pointers: the form opens empty.
  Open(nullptr, nullptr, nullptr, [&](HWND dlg) {
    const auto refused = [&](const wchar_t* message) {
      Require(Click(dlg, IDOK), "pressing 実行");
      const std::optional<SeenMessageBox> box = AnswerMessageBox(IDOK);
      EXPECT_TRUE(box && box->text == message && box->caption == L"ZvDll") << Utf8(message);
    };
    refused(L"File1の名前を入力してください");
    Require(SetText(dlg, IDC_CMP_FILE1, L"a"), "naming file 1");
    refused(L"File2の名前を入力してください");
    Require(SetText(dlg, IDC_CMP_FILE2, L"b"), "naming file 2");
    refused(L"出力ファイルの名前を入力してください");
    Require(SetText(dlg, IDC_CMP_OUTFILE, L"out.txt") && Click(dlg, IDC_CMP_DECIMAL), "the report without columns");
    refused(L"10進表記か16進表記をチェックしてください");
    Require(Click(dlg, IDCANCEL) && WaitForWindowGone(dlg), "ｷｬﾝｾﾙ closes it");
  });
}

TEST_F(CompareDialogTest, FailuresShowOneMessageLoseNoDataAndLeaveNoHandle) {
  for (const wchar_t* name : {L"a.bin", L"b.bin", L"held.bin"}) ASSERT_TRUE(WriteBytes(temp_.Path(name), "original"));
  FileLock lock(temp_.Path(L"held.bin"));
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  const std::tuple<LPCWSTR, LPCWSTR, LPCWSTR, bool> cases[] = {
      // file 1, file 2, report, the comparing thread out of memory
      {L"a.bin", L"missing.bin", L"out1.txt", false},
      {L"held.bin", L"b.bin", L"out2.txt", false},
      {L"a.bin", L"b.bin", L"a.bin", false},
      {L"a.bin", L"b.bin", L"out3.txt", true},
  };
  // The first round opens what Wine keeps for good; the second must give back all it opens.
  DWORD handles = 0;
  for (int round = 0; round < 2; ++round) {
    if (round == 1) handles = OpenHandleCount();
    for (const auto& [file1, file2, report, outOfMemory] : cases) {
      refuseAnAllocation = outOfMemory;
      const std::optional<SeenMessageBox> box = Run(file1, file2, report, L"", true);
      EXPECT_EQ(box ? box->text : L"(none)", L"ファイルの比較に失敗しました") << Utf8(file1) << ", " << Utf8(report);
    }
  }
  EXPECT_EQ(HandlesSettleTo(handles), handles);
  EXPECT_FALSE(FileExists(temp_.Path(L"out1.txt")) || FileExists(temp_.Path(L"out2.txt")));
  EXPECT_EQ(ReadBytes(temp_.Path(L"a.bin")), std::vector<uint8_t>({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'}));
  EXPECT_EQ(ReadBytes(temp_.Path(L"out3.txt")), std::vector<uint8_t>({0xFF, 0xFE})) << "the report as far as it got";
}

TEST_F(CompareDialogTest, BlocksReadOnTwoThreadsGiveEveryRowOnceAndInOrder) {
  // 33 blocks, the last one short: both of the worker's threads read some of
  // them. Differences at block edges, in the middle and in the last byte.
  const std::string zeros(8 * 1024 * 1024 + 5, '\0');
  std::string changed = zeros;
  const std::size_t planted[] = {0, 262143, 262144, 4194304, 8388607, 8388608, 8388612};
  for (std::size_t i = 0; i < std::size(planted); ++i) changed[planted[i]] = static_cast<char>(i + 1);
  ASSERT_TRUE(WriteBytes(temp_.Path(L"z.bin"), zeros) && WriteBytes(temp_.Path(L"c.bin"), changed));
  const std::wstring rows =
      L"00000000H  000   001\n0003FFFFH  000   002\n00040000H  000   003\n00400000H  000   004\n"
      L"007FFFFFH  000   005\n00800000H  000   006\n00800004H  000   007\n";
  const std::wstring header = L"File1:z.bin\nFile2:c.bin\n           10進表記\nADDRESS    FILE1 FILE2\n";
  // The threads meet differently every time: a few runs. The last stops at the
  // limit, typed in full-width digits, among the blocks read ahead.
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    Run(L"z.bin", L"c.bin", L"rows.txt", run == 4 ? L"４" : L"");
    EXPECT_EQ(ReadBytes(temp_.Path(L"rows.txt")), ReportBytes(header + rows.substr(0, run == 4 ? 4 * 21 : 7 * 21)));
  }

  // Past the end of a file cut short, each byte compared is the one 32000
  // bytes before it: what one 32000-byte buffer read over and over has always
  // shown there, the report users know.
  std::string cut(40000, '\0');
  cut[35000] = 9;
  ASSERT_TRUE(WriteBytes(temp_.Path(L"cut.bin"), cut));
  Run(L"z.bin", L"cut.bin", L"cut.txt", L"");
  EXPECT_EQ(ReadBytes(temp_.Path(L"cut.txt")),
            ReportBytes(L"File1:z.bin\nFile2:cut.bin\n           10進表記\nADDRESS    FILE1 FILE2\n"
                        L"000088B8H  000   009\n000105B8H  000   009\n000182B8H  000   009\n0001FFB8H  000   009\n"
                        L"00027CB8H  000   009\n0002F9B8H  000   009\n000376B8H  000   009\n0003F3B8H  000   009\n"
                        L"000470B8H  000   009\n"));
}

// Holds a click on 中止 until the worker is blocked in a progress report sent
// to the dialog's thread, so that the stop always meets a report in flight.
WNDPROC stopButtonProcedure = nullptr;
int stopsMeetingAReport = 0;
LRESULT CALLBACK StopDuringReport(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto reportWaits = [] { return (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; };
  if (message == BM_CLICK && WaitForCondition(reportWaits, 5000)) ++stopsMeetingAReport;
  return ::CallWindowProcW(stopButtonProcedure, button, message, wParam, lParam);
}

TEST_F(CompareDialogTest, WhileRunningOnlyStopEndsTheDialogAndNeverDeadlocks) {
  // A sparse file of 8 GiB against itself: the worker surely still runs when the person acts.
  HANDLE file = ::CreateFileW(temp_.Path(L"a.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER end{.QuadPart = LONGLONG{8} << 30};
  ASSERT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
  ::CloseHandle(file);
  DWORD handles = 0;
  stopsMeetingAReport = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    if (round == 2) handles = OpenHandleCount();  // after Wine's first-use handles
    // A deadlocked stop blocks the thread the script's guard would close the dialog on.
    Watchdog watchdog(60000);
    Open(folder_.c_str(), L"a.bin", L"a.bin", [&](HWND dlg) {
      Require(SetText(dlg, IDC_CMP_OUTFILE, L"out.txt") && Click(dlg, IDOK), "pressing 実行");
      Require(WaitForCondition([&] { return GetText(dlg, IDC_CMP_PERCENT) != L"100%"; }), "progress starts");
      EXPECT_TRUE(GetText(dlg, IDC_CMP_PERCENT).ends_with(L'%')) << "progress shows a percentage";
      Require(!IsEnabled(dlg, IDOK) && !IsEnabled(dlg, IDCANCEL) && IsEnabled(dlg, IDC_CMP_STOP), "running");
      if (round == 0) {
        Require(PressKey(dlg, VK_ESCAPE), "pressing Esc");
        ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        // Posted after Esc and the close: once the box is ticked, both were handled.
        ::PostMessageW(::GetDlgItem(dlg, IDC_CMP_HEX), BM_SETCHECK, BST_CHECKED, 0);
        Require(WaitForCondition([&] { return IsChecked(dlg, IDC_CMP_HEX); }), "the dialog handles its queue");
        Require(::IsWindowVisible(dlg) && IsEnabled(dlg, IDC_CMP_STOP), "still running after Esc and the close box");
      }
      stopButtonProcedure = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
          ::GetDlgItem(dlg, IDC_CMP_STOP), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StopDuringReport)));
      Require(Click(dlg, IDC_CMP_STOP) && WaitForWindowGone(dlg), "中止 ends the dialog");
    });
  }
  EXPECT_EQ(stopsMeetingAReport, 12) << "every stop met a report in flight";
  EXPECT_EQ(HandlesSettleTo(handles), handles);
}

// Last: the system's file dialog keeps shell objects alive for the process.
TEST_F(CompareDialogTest, ReportOfFilesOfTheHostFolderOrChosenHoldsEveryDifference) {
  const std::wstring file2 = temp_.Path(L"sub\\b.bin"), chosen = temp_.Path(std::wstring(40, L'長') + L".bin");
  ASSERT_TRUE(WriteBytes(temp_.Path(L"データ１.bin"), "ABCDEFGH\x80") && WriteBytes(chosen, "ABxDEFGz\x7F and more"));
  Open(folder_.c_str(), temp_.Path(L"データ１.bin").c_str(), file2.c_str(), [&](HWND dlg) {
    // File 1 takes the focus, which selects all of it; file 2 shows the end of its path.
    const auto caret = static_cast<WORD>(file2.rfind(L'\\') + 1);
    Require(::SendDlgItemMessageW(dlg, IDC_CMP_FILE2, EM_GETSEL, 0, 0) == MAKELONG(caret, caret), "file 2's caret");
    Require(Click(dlg, IDC_CMP_BROWSE2) && AnswerFileDialog(chosen), "choosing file 2");
    Require(SetText(dlg, IDC_CMP_OUTFILE, L"結果.txt") && Click(dlg, IDC_CMP_BROWSE_OUT) && CancelFileDialog(),
            "a cancelled 参照 keeps the report's name");
    Require(Click(dlg, IDC_CMP_HEX) && Click(dlg, IDOK) && WaitForWindowGone(dlg), "実行 with both columns");
  });
  // File 1 shows by its bare name, found in the host's folder made current.
  EXPECT_EQ(ReadBytes(temp_.Path(L"結果.txt")),
            ReportBytes(L"File1:データ１.bin\nFile2:" + chosen +
                        L"\n           10進表記    | 16進表記\nADDRESS    FILE1 FILE2 | FILE1 FILE2\n"
                        L"00000002H  067   120   | 43    78\n00000007H  072   122   | 48    7A\n"
                        L"00000008H  128   127   | 80    7F\n"));
}

}  // namespace
