// The PDF printer that the print tests read their pages back from: one page of
// Japanese text through plain GDI on the default printer, the spooled job
// turned into a PDF by CUPS, and its text read back with pdftotext. Needs
// scripts/wine-env up, which starts CUPS and names the output folder.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf_output.h"
#include "support.h"

namespace {

// Prints lines, one under the other, on one page; false on the first failure.
bool PrintPage(const std::wstring& printer, const std::wstring& document, const wchar_t* const* lines) {
  HDC dc = ::CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
  if (!dc) return false;
  const int height = ::GetDeviceCaps(dc, LOGPIXELSY) / 6;  // 12 points
  // VL Gothic's glyphs reach the PDF with their Unicode names; those of
  // IPAGothic, which stands in for ＭＳ ゴシック, do not, and its text cannot be
  // read back.
  HFONT font = ::CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, FIXED_PITCH,
                             L"VL Gothic");
  DOCINFOW info{sizeof(info), document.c_str(), nullptr, nullptr, 0};
  bool printed = ::StartDocW(dc, &info) > 0;
  if (printed) {
    printed = ::StartPage(dc) > 0;
    if (printed) {
      HGDIOBJ old = ::SelectObject(dc, font);
      for (int row = 0; printed && lines[row]; ++row) {
        printed = ::TextOutW(dc, height * 4, height * (4 + 2 * row), lines[row], static_cast<int>(wcslen(lines[row])));
      }
      ::SelectObject(dc, old);
      printed = ::EndPage(dc) > 0 && printed;
    }
    if (printed) {
      printed = ::EndDoc(dc) > 0;
    } else {
      ::AbortDoc(dc);
    }
  }
  ::DeleteObject(font);
  ::DeleteDC(dc);
  return printed;
}

TEST(PdfPrinter, JapaneseTextReadsBackFromThePdf) {
  ASSERT_FALSE(zvtest::PdfFolder().empty()) << "ZV_PDF_DIR is not set: run scripts/wine-env up first";
  wchar_t printer[256];
  DWORD length = 256;
  ASSERT_TRUE(::GetDefaultPrinterW(printer, &length)) << "no default printer";
  EXPECT_STREQ(printer, L"PDF");

  const std::wstring document =
      L"zvprint-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64());
  const wchar_t* const lines[] = {L"吾輩は猫である。名前はまだ無い。", L"ZvDll print 00042", nullptr};
  ASSERT_TRUE(PrintPage(printer, document, lines));

  const std::optional<zvtest::PrintedPdf> pdf = zvtest::TakePrintedPdf(zvtest::Utf8(document));
  ASSERT_TRUE(pdf.has_value());
  EXPECT_EQ(pdf->pages, 1);
  const std::string& text = pdf->text;
  EXPECT_NE(text.find("吾輩は猫である。名前はまだ無い。"), std::string::npos) << text;
  EXPECT_NE(text.find("ZvDll print 00042"), std::string::npos) << text;
  // The Japanese line is printed above the other.
  EXPECT_LT(text.find("吾輩"), text.find("ZvDll")) << text;
}

}  // namespace
