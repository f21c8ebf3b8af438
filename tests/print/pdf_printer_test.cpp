// The PDF printer that the print tests read their pages back from: one page of
// Japanese text through plain GDI on the default printer, the spooled job
// turned into a PDF by CUPS, and its text read back with pdftotext. Needs
// scripts/wine-env up, which starts CUPS and names the output folder.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "test_files.h"

namespace {

// The output folder as CUPS names it, and as Wine sees it (Z: is the Unix root).
std::string PdfFolder() {
  const char* folder = std::getenv("ZV_PDF_DIR");
  return folder ? folder : "";
}

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + zvtest::Utf16(unixPath);
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}

std::string ReadText(const std::string& unixPath) {
  const std::vector<uint8_t> bytes = zvtest::ReadBytes(WindowsPath(unixPath));
  return {bytes.begin(), bytes.end()};
}

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

// Starts a Unix program from its path, as Wine allows. Wine gives no handle to
// wait on for it, so callers watch for the files it writes.
bool StartUnixProgram(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);
  return true;
}

// The file name of the job's PDF in folder, or "" while there is none.
std::string FindPdf(const std::string& folder, const std::wstring& document) {
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((WindowsPath(folder) + L"\\" + document + L"*.pdf").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  return zvtest::Utf8(found.cFileName);
}

TEST(PdfPrinter, JapaneseTextReadsBackFromThePdf) {
  const std::string folder = PdfFolder();
  ASSERT_FALSE(folder.empty()) << "ZV_PDF_DIR is not set: run scripts/wine-env up first";
  wchar_t printer[256];
  DWORD length = 256;
  ASSERT_TRUE(::GetDefaultPrinterW(printer, &length)) << "no default printer";
  EXPECT_STREQ(printer, L"PDF");

  const std::wstring document =
      L"zvprint-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64());
  const wchar_t* const lines[] = {L"吾輩は猫である。名前はまだ無い。", L"ZvDll print 00042", nullptr};
  ASSERT_TRUE(PrintPage(printer, document, lines));

  // CUPS gets the job at EndDoc and writes the PDF in the background: it is
  // whole once it ends with %%EOF. pdftotext then writes aside and renames.
  const std::string name = zvtest::Utf8(document);
  const std::string part = folder + "/" + name + ".part", textFile = folder + "/" + name + ".txt";
  std::string pdf;
  bool started = false;
  const bool done = zvtest::WaitForCondition(
      [&] {
        if (started) return zvtest::FileExists(WindowsPath(textFile));
        pdf = FindPdf(folder, document);
        const std::string bytes = pdf.empty() ? "" : ReadText(folder + "/" + pdf);
        if (bytes.find("%%EOF", bytes.size() > 32 ? bytes.size() - 32 : 0) == std::string::npos) return false;
        started = StartUnixProgram(zvtest::Utf16("/bin/sh -c \"pdftotext -layout '" + folder + "/" + pdf + "' '" +
                                                 part + "' && mv '" + part + "' '" + textFile + "'\""));
        return false;
      },
      60000);
  const std::string text = ReadText(textFile);
  ::DeleteFileW(WindowsPath(textFile).c_str());
  ::DeleteFileW(WindowsPath(part).c_str());
  if (!pdf.empty()) ::DeleteFileW(WindowsPath(folder + "/" + pdf).c_str());
  ASSERT_FALSE(pdf.empty()) << "no PDF for the job within 60 s";
  ASSERT_TRUE(done) << "pdftotext did not read " << pdf << " within 60 s";
  EXPECT_NE(text.find("吾輩は猫である。名前はまだ無い。"), std::string::npos) << text;
  EXPECT_NE(text.find("ZvDll print 00042"), std::string::npos) << text;
  // The Japanese line is printed above the other.
  EXPECT_LT(text.find("吾輩"), text.find("ZvDll")) << text;
}

}  // namespace
