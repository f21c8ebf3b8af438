// The comparison command as the host runs it: ZvCmpBinaryDlg shows the dialog,
// a person fills it and presses 実行, and the report on disk is read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "compare_dialog.h"
#include "dialog_driver.h"
#include "support.h"

namespace {

using namespace zvtest;

using namespace compare_test;

constexpr wchar_t kFailed[] = L"ファイルの比較に失敗しました";

// What a person puts into the dialog before pressing 実行.
struct Form {
  std::wstring outFile = L"";
  std::wstring maxOutput = L"";
  bool noLimit = true;
  bool decimal = true;
  bool hex = false;
};

void SetCheck(HWND dlg, int id, bool wanted) {
  if (IsChecked(dlg, id) != wanted) Require(Click(dlg, id), "clicking a check box");
  Require(WaitForCondition([&] { return IsChecked(dlg, id) == wanted; }, 5000), "the check box follows");
}

void FillForm(HWND dlg, const Form& form) {
  Require(SetText(dlg, kOutFile, form.outFile), "typing the report name");
  Require(TypeKeys(dlg, kMaxOutput, form.maxOutput), "typing the limit");
  Require(WaitForText(dlg, kMaxOutput, form.maxOutput), "the limit shows");
  SetCheck(dlg, kNoLimit, form.noLimit);
  SetCheck(dlg, kDecimal, form.decimal);
  SetCheck(dlg, kHex, form.hex);
}

// The report as text, after checking it starts with the byte order mark.
std::wstring ReadReport(const std::wstring& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0) return L"(no UTF-16 report)";
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

class CompareDialogTest : public ::testing::Test {
 protected:
  // Wine opens a few handles for good the first time a process shows a dialog
  // or converts text; one comparison first keeps them out of the counts.
  static void SetUpTestSuite() {
    TempDir temp;
    if (!WriteBytes(temp.Path(L"a"), "a") || !Export()) return;
    UiScript script([&] {
      HWND dlg = RequireDialog(kTitle);
      Require(SetText(dlg, kOutFile, temp.Path(L"out")) && Click(dlg, IDOK), "a first comparison");
      Require(WaitForWindowGone(dlg), "its end");
    });
    Export()(L"", temp.Path(L"a").c_str(), temp.Path(L"a").c_str());
    script.Join();
    Utf8(L"あ");
  }

  void SetUp() override {
    ASSERT_NE(Export(), nullptr);
    handlesBefore_ = HandleCount();
  }
  void TearDown() override {
    // The system's file dialog keeps shell objects alive for the process.
    if (!usedFileDialog_) {
      EXPECT_EQ(HandlesSettleTo(handlesBefore_), handlesBefore_) << "handles leaked";
    }
  }

  static DWORD HandleCount() { return OpenHandleCount(); }

  // Opens the dialog on files of the temporary folder, fills the form, presses
  // 実行 and waits for the dialog to close; returns the message box it showed.
  std::optional<SeenMessageBox> Run(const std::wstring& file1, const std::wstring& file2, const Form& form,
                                    bool expectBox, DWORD timeoutMs = 10000) {
    std::optional<SeenMessageBox> box;
    UiScript script(
        [&] {
          HWND dlg = RequireDialog(kTitle);
          FillForm(dlg, form);
          Require(Click(dlg, IDOK), "pressing 実行");
          if (expectBox) box = AnswerMessageBox(IDOK);
          Require(WaitForWindowGone(dlg, timeoutMs), "the dialog closes");
        },
        timeoutMs + 20000);
    Export()(folder_.c_str(), file1.c_str(), file2.c_str());
    EXPECT_TRUE(script.Join()) << script.Failure();
    return box;
  }

  TempDir temp_;
  const std::wstring folder_ = temp_.Dir() + L"\\";
  CurrentDirectoryGuard directory_;
  DWORD handlesBefore_ = 0;
  bool usedFileDialog_ = false;
};

TEST_F(CompareDialogTest, ReportHoldsTheHeaderAndOneRowPerDifferingByte) {
  const std::wstring both = L"           10進表記    | 16進表記\nADDRESS    FILE1 FILE2 | FILE1 FILE2\n";
  const std::wstring decimal = L"           10進表記\nADDRESS    FILE1 FILE2\n";
  const std::wstring hex = L"           16進表記\nADDRESS    FILE1 FILE2\n";
  struct Case {
    const char* name;
    std::string bytes1, bytes2;
    Form form;
    std::wstring columnsAndRows;
  } const cases[] = {
      {"both columns",
       "ABCDEFGH",
       "ABxDEFGz",
       {.outFile = L"out.txt", .decimal = true, .hex = true},
       both + L"00000002H  067   120   | 43    78\n00000007H  072   122   | 48    7A\n"},
      {"hexadecimal only, high bytes",
       "\x80\x01\xFF",
       std::string("\x7F\x01\x00", 3),
       {.outFile = L"out.txt", .decimal = false, .hex = true},
       hex + L"00000000H  80    7F\n00000002H  FF    00\n"},
      {"decimal, limit 3 of 10",
       "0123456789",
       "abcdefghij",
       {.outFile = L"out.txt", .maxOutput = L"3", .noLimit = false},
       decimal + L"00000000H  048   097\n00000001H  049   098\n00000002H  050   099\n"},
      {"empty limit writes one row",
       "0123",
       "abcd",
       {.outFile = L"out.txt", .noLimit = false},
       decimal + L"00000000H  048   097\n"},
      {"negative limit writes one row",
       "0123",
       "abcd",
       {.outFile = L"out.txt", .maxOutput = L"-5", .noLimit = false},
       decimal + L"00000000H  048   097\n"},
      {"two empty files", "", "", {.outFile = L"out.txt"}, decimal},
      {"the longer file's tail is ignored", "same", "same and more", {.outFile = L"out.txt"}, decimal},
      {"report in a Japanese-named file",
       "\x81",
       "\x82",
       {.outFile = L"結果レポート.txt"},
       decimal + L"00000000H  129   130\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring file1 = L"データ１.bin", file2 = L"データ２.bin";
    ASSERT_TRUE(WriteBytes(temp_.Path(file1), c.bytes1) && WriteBytes(temp_.Path(file2), c.bytes2));
    EXPECT_FALSE(Run(temp_.Path(file1), temp_.Path(file2), c.form, false).has_value());
    // The host's folder became the current one: the bare names were found there.
    EXPECT_EQ(directory_.Current(), temp_.Dir());
    EXPECT_EQ(ReadReport(temp_.Path(c.form.outFile)),
              L"File1:" + file1 + L"\nFile2:" + file2 + L"\n" + c.columnsAndRows);
    if (&c == &cases[0]) handlesBefore_ = HandleCount();  // after Wine's first-use handles
  }
}

TEST_F(CompareDialogTest, BlocksReadOnTwoThreadsGiveEveryRowOnceAndInOrder) {
  // 263 blocks, the last one short: both of the worker's threads read some of
  // them. Differences at block and run edges, in the middle and in the last byte.
  const std::size_t size = 8 * 1024 * 1024 + 5;
  const std::string zeros(size, '\0');
  std::string changed = zeros;
  const std::size_t planted[] = {0, 31999, 32000, 127999, 128000, 4194304, 8388612};
  for (std::size_t i = 0; i < std::size(planted); ++i) changed[planted[i]] = static_cast<char>(i + 1);
  ASSERT_TRUE(WriteBytes(temp_.Path(L"z.bin"), zeros) && WriteBytes(temp_.Path(L"c.bin"), changed));
  const std::wstring expected =
      L"File1:z.bin\nFile2:c.bin\n           10進表記\nADDRESS    FILE1 FILE2\n"
      L"00000000H  000   001\n00007CFFH  000   002\n00007D00H  000   003\n0001F3FFH  000   004\n"
      L"0001F400H  000   005\n00400000H  000   006\n00800004H  000   007\n";
  // The threads meet differently every time: a few runs.
  for (int run = 0; run < 4; ++run) {
    SCOPED_TRACE(run);
    EXPECT_FALSE(Run(L"z.bin", L"c.bin", {.outFile = L"rows.txt"}, false).has_value());
    EXPECT_EQ(ReadReport(temp_.Path(L"rows.txt")), expected);
  }
  // Stopped by the limit in the middle of the blocks read ahead.
  EXPECT_FALSE(Run(L"z.bin", L"c.bin", {.outFile = L"limit.txt", .maxOutput = L"4", .noLimit = false}, false));
  EXPECT_EQ(ReadReport(temp_.Path(L"limit.txt")), expected.substr(0, expected.find(L"0001F400H")));
}

TEST_F(CompareDialogTest, BrowseButtonsFillLongJapanesePathsThatTheReportKeeps) {
  usedFileDialog_ = true;
  // Over 200 characters: five nested folders of 40.
  std::wstring deep = temp_.Dir();
  for (int level = 0; level < 5; ++level) {
    deep += L"\\" + std::wstring(38, static_cast<wchar_t>(L'あ' + level)) + L"_" + std::to_wstring(level);
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring file1 = deep + L"\\一.bin", file2 = temp_.Path(L"二.bin"), report = deep + L"\\結果.txt";
  ASSERT_GT(file1.size(), 200u);
  ASSERT_TRUE(WriteBytes(file1, "xyz") && WriteBytes(file2, "xYz"));
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Require(Click(dlg, kBrowse1), "pressing 参照 of file 1");
    Require(AnswerFileDialog(file1), "choosing file 1");
    Require(WaitForText(dlg, kFile1, file1), "file 1 shows the chosen path");
    Require(Click(dlg, kBrowse2), "pressing 参照 of file 2");
    Require(CancelFileDialog(), "cancelling the choice of file 2");
    Require(GetText(dlg, kFile2) == L"二.bin", "file 2 keeps its name after a cancel");
    Require(Click(dlg, kBrowseOut), "pressing 参照 of the report");
    Require(AnswerFileDialog(report), "naming the report");
    Require(WaitForText(dlg, kOutFile, report), "the report name shows");
    Require(Click(dlg, IDOK), "pressing 実行");
    Require(WaitForWindowGone(dlg), "the dialog closes");
  });
  Export()(folder_.c_str(), L"x.bin", file2.c_str());
  ASSERT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(ReadReport(report), L"File1:" + file1 + L"\nFile2:二.bin\n           10進表記\nADDRESS    FILE1 FILE2\n" +
                                    L"00000001H  121   089\n");
}

TEST_F(CompareDialogTest, DifferencesBeyondFourGibibytesGetLongerAddresses) {
  const LONGLONG size = (LONGLONG{1} << 32) + 16;
  for (const wchar_t* name : {L"big1.bin", L"big2.bin"}) {
    // Sparse: the file system stores only the written byte.
    HANDLE file = ::CreateFileW(temp_.Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at{};
    at.QuadPart = size - 11;
    DWORD written = 0;
    const char byte = name[3] == L'1' ? 0 : 7;
    EXPECT_TRUE(::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::WriteFile(file, &byte, 1, &written, nullptr));
    at.QuadPart = size;
    EXPECT_TRUE(::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
    ::CloseHandle(file);
  }
  // Holes are read at about 0.5 GiB/s here the first time: allow a minute.
  EXPECT_FALSE(Run(L"big1.bin", L"big2.bin", {.outFile = L"big.txt"}, false, 60000).has_value());
  EXPECT_EQ(ReadReport(temp_.Path(L"big.txt")),
            L"File1:big1.bin\nFile2:big2.bin\n           10進表記\nADDRESS    FILE1 FILE2\n100000005H  000   007\n");
}

TEST_F(CompareDialogTest, FailuresShowOneMessageAndLoseNoData) {
  ASSERT_TRUE(WriteBytes(temp_.Path(L"a.bin"), "original a") && WriteBytes(temp_.Path(L"b.bin"), "original b"));
  ASSERT_TRUE(::CreateDirectoryW(temp_.Path(L"folder").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(temp_.Path(L"locked.bin"), "locked"));
  FileLock lock(temp_.Path(L"locked.bin"));
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  const DWORD handlesWithLock = HandleCount();

  struct Case {
    const char* name;
    std::wstring file1, file2, outFile;
  } const cases[] = {
      {"file 1 missing", L"missing.bin", L"b.bin", L"out1.txt"},
      {"file 2 missing", L"a.bin", L"missing.bin", L"out2.txt"},
      {"a folder as file 1", L"folder", L"b.bin", L"out3.txt"},
      {"file 1 held open by another process", L"locked.bin", L"b.bin", L"out4.txt"},
      {"report in a missing folder", L"a.bin", L"b.bin", L"nowhere\\out5.txt"},
      {"report names a folder", L"a.bin", L"b.bin", L"folder"},
      {"report names file 1", L"a.bin", L"b.bin", L"a.bin"},
      {"report names file 2 by its full path", L"a.bin", L"b.bin", temp_.Path(L"b.bin")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<SeenMessageBox> box = Run(c.file1, c.file2, {.outFile = c.outFile}, true);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, kFailed);
    EXPECT_EQ(box->caption, L"ZvDll");
    EXPECT_EQ(HandlesSettleTo(handlesWithLock), handlesWithLock);
  }
  for (const wchar_t* made : {L"out1.txt", L"out2.txt", L"out3.txt", L"out4.txt"})
    EXPECT_FALSE(FileExists(temp_.Path(made)));
  EXPECT_EQ(ReadBytes(temp_.Path(L"a.bin")), std::vector<uint8_t>({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l', ' ', 'a'}));
  EXPECT_EQ(ReadBytes(temp_.Path(L"b.bin")), std::vector<uint8_t>({'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l', ' ', 'b'}));
  lock.Release();
}

TEST_F(CompareDialogTest, IncompleteFormsAreRefusedWithTheirMessage) {
  ASSERT_TRUE(WriteBytes(temp_.Path(L"a.bin"), "a") && WriteBytes(temp_.Path(L"b.bin"), "b"));
  struct Case {
    std::wstring file1, file2, outFile;
    bool decimal, hex;
    std::wstring message;
  } const cases[] = {
      {L"", L"b.bin", L"out.txt", true, false, L"File1の名前を入力してください"},
      {L"a.bin", L"", L"out.txt", true, false, L"File2の名前を入力してください"},
      {L"a.bin", L"b.bin", L"", true, false, L"出力ファイルの名前を入力してください"},
      {L"a.bin", L"b.bin", L"out.txt", false, false, L"10進表記か16進表記をチェックしてください"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.message));
    std::optional<SeenMessageBox> box;
    UiScript script([&] {
      HWND dlg = RequireDialog(kTitle);
      Require(SetText(dlg, kFile1, c.file1) && SetText(dlg, kFile2, c.file2), "typing the names");
      FillForm(dlg, {.outFile = c.outFile, .decimal = c.decimal, .hex = c.hex});
      Require(Click(dlg, IDOK), "pressing 実行");
      box = AnswerMessageBox(IDOK);
      // Still idle: 実行 works again and ｷｬﾝｾﾙ closes the dialog.
      Require(IsEnabled(dlg, IDOK) && IsEnabled(dlg, IDCANCEL) && !IsEnabled(dlg, kStop), "the dialog stays idle");
      Require(Click(dlg, IDCANCEL), "pressing ｷｬﾝｾﾙ");
      Require(WaitForWindowGone(dlg), "the dialog closes");
    });
    Export()(folder_.c_str(), L"a.bin", L"b.bin");
    ASSERT_TRUE(script.Join()) << script.Failure();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, c.message);
    EXPECT_FALSE(FileExists(temp_.Path(L"out.txt")));
  }
}

TEST_F(CompareDialogTest, FilesOfTheHostFolderShowByNameAndLongPathsShowTheirEnd) {
  struct Case {
    std::wstring folder, file1, file2;
    std::wstring shown1, shown2;
  } const cases[] = {
      {L"C:\\work\\", L"C:\\WORK\\a.bin", L"C:\\work\\sub\\b.bin", L"a.bin", L"C:\\work\\sub\\b.bin"},
      {L"", L"C:\\work\\a.bin", L"b.bin", L"C:\\work\\a.bin", L"b.bin"},
      {L"C:\\work", L"C:\\work\\a.bin", L"C:\\work", L"C:\\work\\a.bin", L"C:\\work"},
      {L"C:\\work\\", L"", L"C:\\work\\", L"", L"C:\\work\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.file1));
    std::wstring shown1, shown2;
    DWORD caretStart = 0, caretEnd = 0;
    UiScript script([&] {
      HWND dlg = RequireDialog(kTitle);
      shown1 = GetText(dlg, kFile1);
      shown2 = GetText(dlg, kFile2);
      ::SendDlgItemMessageW(dlg, kFile2, EM_GETSEL, reinterpret_cast<WPARAM>(&caretStart),
                            reinterpret_cast<LPARAM>(&caretEnd));
      Require(IsChecked(dlg, kDecimal) && IsChecked(dlg, kNoLimit) && !IsChecked(dlg, kHex), "the opening ticks");
      Require(GetText(dlg, kPercent) == L"100%" && !IsEnabled(dlg, kStop), "idle before 実行");
      Require(Click(dlg, IDCANCEL), "pressing ｷｬﾝｾﾙ");
      Require(WaitForWindowGone(dlg), "the dialog closes");
    });
    Export()(c.folder.c_str(), c.file1.c_str(), c.file2.c_str());
    ASSERT_TRUE(script.Join()) << script.Failure();
    EXPECT_EQ(shown1, c.shown1);
    EXPECT_EQ(shown2, c.shown2);
    const DWORD afterLastBackslash = static_cast<DWORD>(c.shown2.rfind(L'\\') + 1);  // 0 when there is none
    EXPECT_EQ(caretStart, afterLastBackslash);
    EXPECT_EQ(caretEnd, afterLastBackslash);
  }

  // A host that passes null pointers gets an empty form, not a crash.
  UiScript script([&] {
    HWND dlg = RequireDialog(kTitle);
    Require(GetText(dlg, kFile1).empty() && GetText(dlg, kFile2).empty(), "empty names");
    Require(Click(dlg, IDCANCEL), "pressing ｷｬﾝｾﾙ");
  });
  Export()(nullptr, nullptr, nullptr);
  EXPECT_TRUE(script.Join()) << script.Failure();
}

}  // namespace
