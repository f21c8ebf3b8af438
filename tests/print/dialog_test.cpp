// The print dialog driven through ZvPrintTextDlg on the PDF printer: pages and
// fonts read back, the stop button, each message, a document that cannot start.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cwchar>
#include <regex>

#include "print_host.h"
#include "print_ids.h"

namespace {

using namespace zvtest;

constexpr wchar_t kTitle[] = L"テキストの印刷";

// Unique for every job of the machine (process ids repeat across prefixes).
std::string Token() {
  return "zv" + std::to_string(::GetTickCount64()) + "p" + std::to_string(::GetCurrentProcessId());
}

// A print that person ends on the open dialog leaves no job and no PDF behind.
void PrintLeavingNothing(PrintHost& host, const std::function<void(HWND)>& person) {
  const std::string token = Token();
  host.Print(Utf16(token) + L".txt", [&] { person(RequireDialog(kTitle)); });
  EXPECT_EQ(RunShell("LC_ALL=C lpstat -o; ls $ZV_PDF_DIR | grep " + token).value_or("no shell"), "");
}

// Whether text shows layout: its words in order, those of a line on one line,
// each line below the one before.
bool ShowsLayout(const std::string& text, const std::string& layout) {
  std::string pattern;
  for (char c : layout) pattern += c == ' ' ? "[^\n]*" : c == '\n' ? "[\\s\\S]*\n[^\n]*" : std::string(1, c);
  return std::regex_search(text, std::regex(pattern));
}

// Whether pdftohtml saw piece drawn in IPAGothic of that size.
bool DrawnIn(const std::string& xml, const std::string& piece, int points) {
  return std::regex_search(xml, std::regex("<fontspec id=\"(\\d+)\" size=\"" + std::to_string(points) +
                                           "\" family=\"\\w+\\+IPAGothic\"[\\s\\S]*font=\"\\1\">[^<]*" + piece));
}

// Wine's font dialog, opened on the body font, as a person uses it: 12 points
// (-16 at the screen's 96 dpi), then the button.
void ChooseFont(HWND dlg, int button) {
  Require(Click(dlg, IDC_PRINT_FONT), "フォント");
  HWND font = WaitForDialog([](HWND window) { return GetDlgItem(window, cmb3) != nullptr; }, 10000, L"font dialog");
  Require(SetText(font, cmb3, L"12") && Click(font, button) && WaitForWindowGone(font), "12 points in the font dialog");
}

// Every option: pages 2 and 3 of 4, two columns of two rows of ten cells, the
// host's row numbers, the header and footer in the bold font the dialog opened
// with, the rows in the font chosen after a cancelled choice.
TEST(PrintDialog, PrintsPagesThatReadBackFromThePdf) {
  PrintHost host;
  host.lineNumbers = TRUE;
  host.text = Sjis(Utf16("a00\na01\na02\na03\r\n吾輩は猫\r\nABCDEFGHIJKLMNO\r名前は\nb08\nb09\nb10\nb11\nb12"));
  const std::string token = Token();
  const bool printed = host.Print(Utf16(token) + L"_猫.txt", [&] {
    HWND dlg = RequireDialog(kTitle);
    ChooseFont(dlg, IDCANCEL);
    Require(Click(dlg, IDC_PRINT_FILE_NAME) && WaitForText(dlg, IDC_PRINT_MAX_LINES, L"(最大67行)"), "font kept");
    ChooseFont(dlg, IDOK);
    EXPECT_TRUE(WaitForCondition([&] { return GetText(dlg, IDC_PRINT_MAX_LINES) != L"(最大67行)"; })) << "measured";
    Require(SetText(dlg, IDC_PRINT_LINE_CHARS, L"10") && SetText(dlg, IDC_PRINT_PAGE_LINES, L"2") &&
                SetText(dlg, IDC_PRINT_FIRST_PAGE, L"2") && SetText(dlg, IDC_PRINT_LAST_PAGE, L"3"),
            "fields");
    Require(Click(dlg, IDC_PRINT_TWO_COLUMNS) && Click(dlg, IDC_PRINT_PAGE_NUMBER) && Click(dlg, IDC_PRINT_RANGE) &&
                Click(dlg, IDOK) && WaitForWindowGone(dlg, 30000),
            "the dialog did not close after printing");
  });
  ASSERT_TRUE(printed);
  EXPECT_EQ(host.fontHeight, -16) << "the chosen font goes back to the host";
  // The job's PDF ("<document name>-job_N.pdf" in ZV_PDF_DIR) once whole, read back and deleted:
  // pdftotext -layout (pages end with a form feed), then pdftohtml's XML.
  const auto wait = "for i in $(seq 300); do tail -c 32 $f | grep -q %%EOF && break; sleep 0.1; done 2>/dev/null";
  const auto read = "pdftotext -layout $f - && pdftohtml -xml -stdout -i -q -zoom 1 $f; rm $f";
  const std::string pdf = RunShell("f=$ZV_PDF_DIR/" + token + "*.pdf; " + wait + "; " + read, 60000).value_or("no PDF");
  const std::string text = pdf.substr(0, pdf.find("<?xml")), xml = pdf.substr(text.size());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2) << text;
  EXPECT_TRUE(ShowsLayout(text, token + "\n00004 吾輩は猫 00006 KLMNO\n00005 ABCDEFGHIJ 00007 名前は\n-2-\n" + token +
                                    "\n00008 b08 00010 b10\n00009 b09 00011 b11\n-3-"))
      << text;
  EXPECT_TRUE(DrawnIn(xml, "ABCDEFGHIJ", 8) && DrawnIn(xml, token, 10) && DrawnIn(xml, "-2-", 10)) << xml;
}

// A long print: Esc and the close box do nothing, 中止 ends it without a
// message and leaves no job behind.
TEST(PrintDialog, StopEndsTheJobAndNothingElseDoes) {
  PrintHost host;
  // About 90 pages: Wine's spooler records a page of text in about a second,
  // so the print runs well past the checks and 1 per cent is about a page.
  while (host.text.size() < (400 << 10)) host.text += Sjis(L"吾輩は猫である。名前はまだ無い。\tどこで生れたか。\r\n");
  PrintLeavingNothing(host, [](HWND dlg) {
    const auto busy = [dlg] { return IsEnabled(dlg, IDC_PRINT_STOP) && GetText(dlg, IDC_PRINT_PERCENT) != L"100%"; };
    Require(Click(dlg, IDOK) && WaitForCondition(busy), "no progress shown");
    Require(PressKey(dlg, VK_ESCAPE) && ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0), "Esc and the close box");
    EXPECT_FALSE(WaitForWindowGone(dlg, 1000)) << "closed while printing";
    Require(Click(dlg, IDC_PRINT_STOP) && WaitForWindowGone(dlg), "the dialog did not close after 中止");
  });
}

// Each refusal of 印刷 with the dialog left as typed; the maxima; the margins
// and the printer choice written back, which the next call opens with: cancelled,
// it says so.
TEST(PrintDialog, SaysWhatIsWrong) {
  PrintHost host;
  host.Print(L"refusals.txt", [&] {
    HWND dlg = RequireDialog(kTitle);
    EXPECT_EQ(GetText(dlg, IDC_PRINT_MAX_CHARS) + GetText(dlg, IDC_PRINT_MAX_LINES), L"(最大96文字)(最大69行)");
    EXPECT_EQ(GetText(dlg, IDC_PRINT_PAGE_LINES), L"69");
    const auto refused = [dlg](const std::vector<std::pair<int, std::wstring>>& edits, const std::wstring& message) {
      for (const auto& [id, text] : edits) Require(SetText(dlg, id, text), "typing");
      const auto box = Click(dlg, IDOK) ? AnswerMessageBox(IDOK) : std::nullopt;
      EXPECT_EQ(box ? box->caption + L": " + box->text : L"no message", L"ZvDll: " + message);
      for (const auto& [id, text] : edits) EXPECT_EQ(GetText(dlg, id), text);
    };
    refused({{IDC_PRINT_LINE_CHARS, L"0"}, {IDC_PRINT_MARGIN_LEFT, L"25"}}, L"一行の文字数が不正です");
    refused({{IDC_PRINT_LINE_CHARS, L"30"}, {IDC_PRINT_PAGE_LINES, L"0"}}, L"１ページの行数が不正です");
    Require(Click(dlg, IDC_PRINT_RANGE), "ページ指定");
    refused({{IDC_PRINT_PAGE_LINES, L"9"}, {IDC_PRINT_FIRST_PAGE, L"0"}, {IDC_PRINT_LAST_PAGE, L"1"}},
            L"ページの設定が不正です");
    refused({{IDC_PRINT_FIRST_PAGE, L"1"}, {IDC_PRINT_TAB_COLUMNS, L"0"}}, L"タブカラム数が不正です");
    Require(Click(dlg, IDC_PRINT_SELECT_PRINTER) && Click(dlg, IDCANCEL), "ｷｬﾝｾﾙ");
  });
  EXPECT_EQ(std::to_string(host.marginLeft) + " " + std::to_string(host.marginTop), "25 20");
  host.Print(L"choice.txt", [] {
    HWND choice = WaitForDialog([](HWND window) { return GetDlgItem(window, 1139) != nullptr; }, 10000, L"the choice");
    Require(choice && ::PostMessageW(choice, WM_COMMAND, IDCANCEL, 0), "no printer choice");
    const auto box = AnswerMessageBox(IDOK);
    EXPECT_EQ(box ? box->text : L"no message", L"Printerが選択されませんでした");
  });
  EXPECT_TRUE(host.selectPrinter);
}

// Run alone by scripts/wine-bare, in a prefix made and run while no CUPS
// queue is visible, where Wine sees no printer at all.
TEST(PrintDialogWithoutPrinter, SaysSoAndNeverShows) {
  PrintHost host;
  host.Print(L"none.txt", [] {
    const auto box = AnswerMessageBox(IDOK);
    EXPECT_EQ(box ? box->caption + L": " + box->text : L"no message", L"ZvDll: プリンターがInstallされていません");
    EXPECT_TRUE(ProcessDialogs().empty()) << "the print dialog showed";
  });
  EXPECT_EQ(host.marginLeft, 20) << "nothing written back";
}

// Another program holds the spool file of the print's job, so StartDocW fails:
// the dialog closes as after a print, without a message and without a job.
TEST(PrintDialog, ClosesWithoutAMessageWhenTheDocumentCannotStart) {
  // Wine numbers a process's jobs from 1 up and spools job n into 0000n.SPL; a
  // document started and dropped tells the last number (CUPS sees no job).
  HDC dc = ::CreateDCW(L"WINSPOOL", L"PDF", nullptr, nullptr);
  DOCINFOW info{sizeof info, L"zvjobid", nullptr, nullptr, 0};
  const int lastJob = ::StartDocW(dc, &info);
  ::AbortDoc(dc);
  ::DeleteDC(dc);
  ASSERT_GT(lastJob, 0);
  wchar_t held[64];
  std::swprintf(held, 64, L"C:\\windows\\system32\\spool\\PRINTERS\\%05d.SPL", lastJob + 1);
  FileLock lock(held);
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  PrintHost host;
  // A message box would hold the dialog open until someone answered it; had
  // the print not tried the held spool file, its job would be left.
  PrintLeavingNothing(host, [](HWND dlg) { Require(Click(dlg, IDOK) && WaitForWindowGone(dlg), "the dialog stayed"); });
  lock.Release();
  ::DeleteFileW(held);
}

}  // namespace
