// The print dialog driven as a person drives it, through ZvPrintTextDlg, on
// the test environment's PDF printer: the pages read back from the PDF, the
// refusals, the maxima, the font, the stop button, a document that cannot
// start and what the host gets back.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "pdf_output.h"
#include "print_test.h"

namespace {

using namespace zvtest;
using print_test::Host;
using print_test::kTitle;
using print_test::RunDialog;

// Unique per job: the PDF is found by it.
std::wstring Token() {
  static std::atomic<int> serial{0};
  static const ULONGLONG started = ::GetTickCount64();  // pids repeat across prefixes
  return L"zv" + std::to_wstring(started) + L"p" + std::to_wstring(::GetCurrentProcessId()) + L"x" +
         std::to_wstring(serial++);
}

struct Settings {
  int lineChars = 80;
  int pageLines = 0;  // 0: the maximum the dialog offers
  bool fileName = false, pageNumber = false, twoColumns = false, lineNumbers = false;
  int firstPage = 0, lastPage = 0;  // a page range when firstPage > 0
};

void SetCheck(HWND dlg, int id, bool on) {
  if (IsChecked(dlg, id) != on) Require(Click(dlg, id) && WaitForCondition([&] { return IsChecked(dlg, id) == on; }),
                                        "check box " + std::to_string(id));
}

void Fill(HWND dlg, const Settings& settings) {
  Require(SetText(dlg, IDC_PRINT_LINE_CHARS, std::to_wstring(settings.lineChars)), "characters per line");
  if (settings.pageLines) Require(SetText(dlg, IDC_PRINT_PAGE_LINES, std::to_wstring(settings.pageLines)), "lines");
  SetCheck(dlg, IDC_PRINT_FILE_NAME, settings.fileName);
  SetCheck(dlg, IDC_PRINT_PAGE_NUMBER, settings.pageNumber);
  SetCheck(dlg, IDC_PRINT_TWO_COLUMNS, settings.twoColumns);
  SetCheck(dlg, IDC_PRINT_LINE_NUMBERS, settings.lineNumbers);
  if (settings.firstPage) {
    SetCheck(dlg, IDC_PRINT_RANGE, true);
    Require(SetText(dlg, IDC_PRINT_FIRST_PAGE, std::to_wstring(settings.firstPage)) &&
                SetText(dlg, IDC_PRINT_LAST_PAGE, std::to_wstring(settings.lastPage)),
            "page range");
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The first line holding every piece in this order; -1 when none does.
int LineWith(const std::vector<std::string>& lines, const std::vector<std::string>& pieces) {
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t at = 0;
    bool all = true;
    for (const std::string& piece : pieces) {
      at = lines[i].find(piece, at);
      if (at == std::string::npos) {
        all = false;
        break;
      }
      at += piece.size();
    }
    if (all) return static_cast<int>(i);
  }
  return -1;
}

size_t Count(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

TEST(PrintDialog, PrintsPagesThatReadBackFromThePdf) {
  ASSERT_FALSE(PdfFolder().empty()) << "run scripts/wine-env up first";
  struct Case {
    const char* name;
    const char* utf8Text;
    Settings settings;
    int pages;
    std::vector<std::vector<std::string>> lines;  // each printed on one line, in this order
    std::vector<std::string> present, absent;
  };
  const Case cases[] = {
      {"row numbers, header and footers; CR LF, LF, CR, a tab and a form feed",
       "吾輩は猫である。\r\n名前はまだ無い。\n\tどこで生れたか\rabc\fpage two",
       {.lineChars = 40, .pageLines = 10, .fileName = true, .pageNumber = true, .lineNumbers = true},
       2,
       {{"00000", "吾輩は猫である。"}, {"00001", "名前はまだ無い。"}, {"00002", "どこで生れたか"},
        {"00003", "abc"}, {"-1-"}, {"00004", "page two"}, {"-2-"}},
       {"猫の日記"},
       {"-3-"}},
      {"two columns: the second starts at the top beside the first",
       "L01\nL02\nL03\nL04\nL05\nL06\nL07\nL08",
       {.lineChars = 20, .pageLines = 3, .twoColumns = true},
       2,
       {{"L01", "L04"}, {"L02", "L05"}, {"L03", "L06"}, {"L07"}},
       {},
       {"-1-", "00000"}},
      {"pages 3 to 4 of 5: true page numbers, row numbers running on",
       "R01\nR02\nR03\nR04\nR05\nR06\nR07\nR08\nR09\nR10\nR11\nR12\nR13\nR14\nR15\nR16\nR17\nR18\nR19\nR20",
       {.lineChars = 20, .pageLines = 4, .pageNumber = true, .lineNumbers = true, .firstPage = 3, .lastPage = 4},
       2,
       {{"00008", "R09"}, {"00011", "R12"}, {"-3-"}, {"00012", "R13"}, {"00015", "R16"}, {"-4-"}},
       {},
       {"R08", "R17", "-2-", "-5-"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host host;
    host.text = Sjis(Utf16(c.utf8Text));
    const std::wstring token = Token();
    const std::wstring fileName = token + L"_猫の日記.txt";
    ASSERT_TRUE(RunDialog(host, fileName, [&] {
      HWND dlg = RequireDialog(kTitle);
      EXPECT_EQ(GetText(dlg, IDC_PRINT_SHOW_FILE), fileName);
      EXPECT_EQ(GetText(dlg, IDC_PRINT_PRINTER), L"PDF");
      Fill(dlg, c.settings);
      Require(Click(dlg, IDOK), "印刷");
      Require(WaitForWindowGone(dlg, 30000), "the dialog did not close after printing");
    }));
    const std::optional<PrintedPdf> pdf = TakePrintedPdf(Utf8(token));
    ASSERT_TRUE(pdf.has_value());
    EXPECT_EQ(pdf->pages, c.pages) << pdf->text;
    const std::vector<std::string> lines = Lines(pdf->text);
    int previous = -1;
    for (const auto& pieces : c.lines) {
      const int line = LineWith(lines, pieces);
      EXPECT_GT(line, previous) << pieces.front() << " not found after line " << previous << "\n" << pdf->text;
      previous = std::max(previous, line);
    }
    for (const std::string& piece : c.present) EXPECT_NE(pdf->text.find(piece), std::string::npos) << piece;
    for (const std::string& piece : c.absent) EXPECT_EQ(pdf->text.find(piece), std::string::npos) << piece;
    if (c.settings.fileName) {
      EXPECT_EQ(Count(pdf->text, Utf8(fileName)), static_cast<size_t>(c.pages)) << pdf->text;
    }
  }
  EXPECT_EQ(PendingJobs(), "");
}

// A wrong value is refused with its message and the dialog stays as typed.
TEST(PrintDialog, RefusesWhatDoesNotFitWithItsMessage) {
  struct Step {
    const char* name;
    std::vector<std::pair<int, std::wstring>> edits;
    int click;  // a radio button to press first, or 0
    std::wstring message;
  };
  // VL Gothic at 10 points on A4 with 20 mm margins: 96 characters, 58 lines.
  const Step steps[] = {
      {"no characters", {{IDC_PRINT_LINE_CHARS, L"0"}}, 0, L"一行の文字数が不正です"},
      {"negative characters", {{IDC_PRINT_LINE_CHARS, L"-3"}}, 0, L"一行の文字数が不正です"},
      {"one character too many", {{IDC_PRINT_LINE_CHARS, L"97"}}, 0, L"一行の文字数が不正です"},
      {"no lines", {{IDC_PRINT_LINE_CHARS, L"96"}, {IDC_PRINT_PAGE_LINES, L"0"}}, 0, L"１ページの行数が不正です"},
      {"one line too many", {{IDC_PRINT_PAGE_LINES, L"59"}}, 0, L"１ページの行数が不正です"},
      {"range from page 0",
       {{IDC_PRINT_PAGE_LINES, L"58"}, {IDC_PRINT_FIRST_PAGE, L"0"}, {IDC_PRINT_LAST_PAGE, L"2"}},
       IDC_PRINT_RANGE,
       L"ページの設定が不正です"},
      {"range backwards", {{IDC_PRINT_FIRST_PAGE, L"3"}}, 0, L"ページの設定が不正です"},
      {"no tab columns; the range is not checked without ページ指定",
       {{IDC_PRINT_FIRST_PAGE, L"0"}, {IDC_PRINT_TAB_COLUMNS, L"0"}},
       IDC_PRINT_ALL,
       L"タブカラム数が不正です"},
      {"101 tab columns", {{IDC_PRINT_TAB_COLUMNS, L"101"}}, 0, L"タブカラム数が不正です"},
      {"margins wider than the page", {{IDC_PRINT_TAB_COLUMNS, L"8"}, {IDC_PRINT_MARGIN_LEFT, L"600"},
                                       {IDC_PRINT_MARGIN_RIGHT, L"600"}}, 0, L"一行の文字数が不正です"},
  };
  Host host;
  host.text = "text";
  // The longest name the record holds, in Japanese.
  const std::wstring longName = std::wstring(L"C:\\") + std::wstring(252, L'猫') + L".txt";
  ASSERT_EQ(longName.size(), 259u);
  ASSERT_TRUE(RunDialog(host, longName, [&] {
    HWND dlg = RequireDialog(kTitle);
    EXPECT_EQ(GetText(dlg, IDC_PRINT_SHOW_FILE), longName);
    for (const Step& step : steps) {
      SCOPED_TRACE(step.name);
      if (step.click) SetCheck(dlg, step.click, true);
      for (const auto& [id, text] : step.edits) Require(SetText(dlg, id, text), "edit " + std::to_string(id));
      Require(Click(dlg, IDOK), "印刷");
      const auto box = AnswerMessageBox(IDOK);
      Require(box.has_value(), "no message for " + std::string(step.name));
      EXPECT_EQ(box->caption, L"ZvDll");
      EXPECT_EQ(box->text, step.message);
      EXPECT_TRUE(IsEnabled(dlg, IDOK));
      for (const auto& [id, text] : step.edits) EXPECT_EQ(GetText(dlg, id), text);
    }
    // (1189 units of printable width - 2 × 3401 of margins) / 10 per character.
    EXPECT_EQ(GetText(dlg, IDC_PRINT_MAX_CHARS), L"(最大-561文字)");
    Require(Click(dlg, IDCANCEL), "ｷｬﾝｾﾙ");
  }));
  // The margins of the last check went back to the host.
  EXPECT_EQ(host.marginLeft, 600);
  EXPECT_EQ(host.marginRight, 600);
  EXPECT_EQ(host.marginTop, 20);
}

// The largest rows and lines for VL Gothic at 10 points (-20 units: 10 wide,
// 25 high with its bold header) on the PDF printer's A4 page, 2479 × 3508
// pixels at 300 DPI = 1189 × 1683 units of 1/144 inch, less 20 mm (113 units)
// on each side: 963 × 1457.
TEST(PrintDialog, ShowsTheMaximaThatFitAndUpdatesThemOnlyWhenAsked) {
  struct Step {
    const char* name;
    int click;
    std::vector<std::pair<int, std::wstring>> edits;  // typed before the click
    std::wstring chars, lines;
  };
  const Step steps[] = {
      {"at opening: 963 / 10, 1457 / 25", 0, {}, L"(最大96文字)", L"(最大58行)"},
      {"two columns: (963 - 20) / 10 / 2", IDC_PRINT_TWO_COLUMNS, {}, L"(最大47文字)", L"(最大58行)"},
      {"and row numbers: 6 cells fewer", IDC_PRINT_LINE_NUMBERS, {}, L"(最大41文字)", L"(最大58行)"},
      {"file name: two header lines", IDC_PRINT_FILE_NAME, {}, L"(最大41文字)", L"(最大56行)"},
      {"and page number: four", IDC_PRINT_PAGE_NUMBER, {}, L"(最大41文字)", L"(最大54行)"},
      {"a typed margin waits for the next click: top 30 mm leaves 1400",
       IDC_PRINT_TWO_COLUMNS, {{IDC_PRINT_MARGIN_TOP, L"30"}}, L"(最大90文字)", L"(最大52行)"},
  };
  Host host;
  host.text = "text";
  ASSERT_TRUE(RunDialog(host, L"maxima.txt", [&] {
    HWND dlg = RequireDialog(kTitle);
    EXPECT_EQ(GetText(dlg, IDC_PRINT_PAGE_LINES), L"58");  // lines start at the maximum
    EXPECT_FALSE(IsEnabled(dlg, IDC_PRINT_STOP));
    for (const Step& step : steps) {
      SCOPED_TRACE(step.name);
      for (const auto& [id, text] : step.edits) {
        Require(SetText(dlg, id, text), "edit");
        EXPECT_EQ(host.marginTop, 20) << "written before UpdateLimits";
      }
      if (step.click) SetCheck(dlg, step.click, !IsChecked(dlg, step.click));
      EXPECT_TRUE(WaitForText(dlg, IDC_PRINT_MAX_CHARS, step.chars, 3000)) << Utf8(GetText(dlg, IDC_PRINT_MAX_CHARS));
      EXPECT_TRUE(WaitForText(dlg, IDC_PRINT_MAX_LINES, step.lines, 3000)) << Utf8(GetText(dlg, IDC_PRINT_MAX_LINES));
    }
    SetCheck(dlg, IDC_PRINT_SELECT_PRINTER, true);
    Require(Click(dlg, IDCANCEL), "ｷｬﾝｾﾙ");
  }));
  EXPECT_EQ(host.marginTop, 30);
  EXPECT_TRUE(host.selectPrinter) << "the printer choice goes back to the host";
}

// A long print: Esc and the close box do nothing, 中止 ends it without a
// message and leaves no job behind.
TEST(PrintDialog, StopEndsTheJobAndNothingElseDoes) {
  ASSERT_FALSE(PdfFolder().empty()) << "run scripts/wine-env up first";
  Host host;
  std::string line = Sjis(Utf16("吾輩は猫である。名前はまだ無い。\tどこで生れたかとんと見当がつかぬ。\r\n"));
  // About 90 pages: Wine's spooler records a page of text in about a second,
  // so the print runs well past the checks and 1 per cent is about a page.
  while (host.text.size() < (400 << 10)) host.text += line;
  const std::wstring token = Token();
  ASSERT_TRUE(RunDialog(host, token + L".txt", [&] {
    HWND dlg = RequireDialog(kTitle);
    Require(Click(dlg, IDOK), "印刷");
    Require(WaitForCondition([&] { return IsEnabled(dlg, IDC_PRINT_STOP) && GetText(dlg, IDC_PRINT_PERCENT) != L"100%"; }),
            "no progress shown");
    EXPECT_FALSE(IsEnabled(dlg, IDCANCEL));
    EXPECT_FALSE(IsEnabled(dlg, IDC_PRINT_LINE_CHARS));
    Require(PressKey(dlg, VK_ESCAPE), "Esc");
    ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(WaitForWindowGone(dlg, 1000)) << "closed while printing";
    const std::wstring percent = GetText(dlg, IDC_PRINT_PERCENT);
    EXPECT_TRUE(WaitForCondition([&] { return GetText(dlg, IDC_PRINT_PERCENT) != percent; }, 10000))
        << "printing stopped at " << Utf8(percent);
    Require(Click(dlg, IDC_PRINT_STOP), "中止");
    Require(WaitForWindowGone(dlg, 10000), "the dialog did not close after 中止");
  }));
  EXPECT_EQ(PendingJobs(), "");
  EXPECT_FALSE(PdfExists(Utf8(token)));
}

// Opening with the printer choice: a person who cancels it gets told so and
// the print dialog never shows.
TEST(PrintDialog, ClosesWhenNoPrinterIsChosen) {
  Host host;
  host.selectPrinter = TRUE;
  ASSERT_TRUE(RunDialog(host, L"choice.txt", [&] {
    HWND choice = WaitForDialog([](HWND window) { return GetDlgItem(window, 1139) != nullptr; }, 10000,
                                L"the printer choice");
    Require(choice != nullptr, "no printer choice");
    ::PostMessageW(choice, WM_COMMAND, IDCANCEL, 0);
    const auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "no message");
    EXPECT_EQ(box->text, L"Printerが選択されませんでした");
  }));
  EXPECT_TRUE(host.selectPrinter);
}

// Wine's font dialog (フォントの指定) as a person uses it: a face from the list,
// then a size, then the button.
void ChooseFontIn(HWND dlg, const std::wstring& face, const std::wstring& size, int button) {
  Require(Click(dlg, IDC_PRINT_FONT), "フォント");
  HWND font = WaitForDialog([](HWND window) { return GetDlgItem(window, cmb1) && GetDlgItem(window, cmb3); }, 10000,
                            L"the font dialog");
  Require(font != nullptr, "no font dialog");
  const auto pick = [font](int id, const std::wstring& item) {
    const std::vector<std::wstring> items = Items(font, id);
    const auto found = std::find(items.begin(), items.end(), item);
    Require(found != items.end(), "no " + Utf8(item) + " in the font dialog");
    Require(SelectIndex(font, id, static_cast<int>(found - items.begin())), "choosing " + Utf8(item));
  };
  // A new face lists its own scripts: then its sizes are listed too.
  const std::vector<std::wstring> scripts = Items(font, cmb5);
  pick(cmb1, face);
  Require(WaitForCondition([&] { return Items(font, cmb5) != scripts; }), "the face was not taken");
  pick(cmb3, size);
  Require(Click(font, button), "the font dialog's button");
  Require(WaitForWindowGone(font), "the font dialog stayed");
}

const PdfTextRun* RunWith(const std::vector<PdfTextRun>& runs, const std::string& text) {
  for (const PdfTextRun& run : runs) {
    if (run.text.find(text) != std::string::npos) return &run;
  }
  return nullptr;
}

// The font dialog sets the body font, written back to the host; the header
// and footer keep the bold form of the font the print dialog opened with, and
// a cancelled font dialog changes nothing.
TEST(PrintDialog, ChosenFontPrintsTheBodyAndLeavesTheHeader) {
  ASSERT_FALSE(PdfFolder().empty()) << "run scripts/wine-env up first";
  struct Case {
    const char* name;
    int button;
    // The host's variables afterwards.
    std::wstring face;
    BYTE charSet;
    int height;
    // Lines per page right after the font dialog, and with the header and
    // footer lines taken off: 1457 units of printable height, 25 units a line
    // of VL Gothic at -20, 19 of DejaVu Sans Mono at -16, header lines 25.
    std::wstring lines, linesWithHeader;
    std::string bodyFamily;
    int bodySize;  // points
  };
  // Wine's font dialog turns 12 points into -16 at the screen's 96 DPI.
  const Case cases[] = {
      {"cancelled", IDCANCEL, L"VL Gothic", SHIFTJIS_CHARSET, -20, L"(最大58行)", L"(最大54行)", "VL-Gothic", 10},
      {"chosen", IDOK, L"DejaVu Sans Mono", ANSI_CHARSET, -16, L"(最大76行)", L"(最大71行)", "DejaVuSansMono", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host host;
    host.text = "FONTROW1\nFONTROW2\n";
    const std::wstring token = Token();
    const std::wstring fileName = token + L"_font.txt";
    ASSERT_TRUE(RunDialog(host, fileName, [&] {
      HWND dlg = RequireDialog(kTitle);
      ChooseFontIn(dlg, L"DejaVu Sans Mono", L"12", c.button);
      EXPECT_TRUE(WaitForText(dlg, IDC_PRINT_MAX_LINES, c.lines, 3000)) << Utf8(GetText(dlg, IDC_PRINT_MAX_LINES));
      Fill(dlg, {.lineChars = 40, .pageLines = 10, .fileName = true, .pageNumber = true});
      EXPECT_TRUE(WaitForText(dlg, IDC_PRINT_MAX_LINES, c.linesWithHeader, 3000))
          << Utf8(GetText(dlg, IDC_PRINT_MAX_LINES));
      Require(Click(dlg, IDOK), "印刷");
      Require(WaitForWindowGone(dlg, 30000), "the dialog did not close after printing");
    }));
    EXPECT_EQ(std::wstring(host.faceName), c.face);
    EXPECT_EQ(host.charSet, c.charSet);
    EXPECT_EQ(host.fontHeight, c.height);
    EXPECT_EQ(host.fontWidth, 0);

    const std::optional<PrintedPdf> pdf = TakePrintedPdf(Utf8(token));
    ASSERT_TRUE(pdf.has_value());
    const struct {
      std::string text, family;
      int size;
    } expected[] = {
        {"FONTROW1", c.bodyFamily, c.bodySize},
        {"FONTROW2", c.bodyFamily, c.bodySize},
        {Utf8(fileName), "VL-Gothic", 10},
        {"-1-", "VL-Gothic", 10},
    };
    for (const auto& e : expected) {
      const PdfTextRun* run = RunWith(pdf->runs, e.text);
      ASSERT_NE(run, nullptr) << e.text << " not printed\n" << pdf->text;
      EXPECT_EQ(run->family, e.family) << e.text;
      EXPECT_EQ(run->size, e.size) << e.text;
    }
  }
  EXPECT_EQ(PendingJobs(), "");
}

// Wine's spooler writes job n of a process into system32\spool\PRINTERS, job 1
// into 00001.SPL.
std::wstring SpoolFile(int job) {
  wchar_t system[MAX_PATH];
  ::GetSystemDirectoryW(system, MAX_PATH);
  wchar_t name[16];
  std::swprintf(name, std::size(name), L"%05d.SPL", job);
  return std::wstring(system) + L"\\spool\\PRINTERS\\" + name;
}

// Starts a document on the PDF printer and drops it: the id of its job. The
// jobs of a process are numbered from 1 up. (Wine's AbortDoc returns 0 and
// leaves the spool file behind, never a job: CUPS gets a job only at EndDoc.)
int TakeJobId() {
  HDC dc = ::CreateDCW(L"WINSPOOL", L"PDF", nullptr, nullptr);
  DOCINFOW info{sizeof info, L"zvjobid", nullptr, nullptr, 0};
  const int job = ::StartDocW(dc, &info);
  if (job > 0) ::AbortDoc(dc);
  ::DeleteDC(dc);
  return job;
}

// Another program holds the spool file of the print's job, so StartDocW fails:
// the dialog closes as after a print, without a message and without a job.
TEST(PrintDialog, ClosesWithoutAMessageWhenTheDocumentCannotStart) {
  const int lastJob = TakeJobId();
  ASSERT_GT(lastJob, 0);
  const std::wstring held = SpoolFile(lastJob + 1);
  FileLock lock(held);
  ASSERT_TRUE(lock.Held()) << Utf8(lock.Error());
  Host host;
  host.text = "text";
  const std::wstring token = Token();
  ASSERT_TRUE(RunDialog(host, token + L".txt", [&] {
    HWND dlg = RequireDialog(kTitle);
    Require(Click(dlg, IDOK), "印刷");
    // A message box would hold the dialog open until someone answered it.
    Require(WaitForWindowGone(dlg, 10000), "the dialog did not close");
  }));
  lock.Release();
  ::DeleteFileW(held.c_str());
  EXPECT_EQ(TakeJobId(), lastJob + 2) << "the print did not try its document on the held spool file";
  EXPECT_EQ(PendingJobs(), "");
  EXPECT_FALSE(PdfExists(Utf8(token)));
}

}  // namespace
