// What the print dialog tests share: the host's variables and record, as the
// file manager keeps them, and the export called as it calls it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "dialog_driver.h"
#include "library.h"
#include "print_dialog.h"
#include "test_files.h"

namespace print_test {

inline constexpr wchar_t kTitle[] = L"テキストの印刷";

// The file manager's variables behind the record's pointers. The tests print
// in VL Gothic: its glyphs reach the PDF with their Unicode names, so
// pdftotext reads them back (the prefix's stand-in for ＭＳ ゴシック,
// IPAGothic, prints but reads back as nothing).
struct Host {
  BOOL selectPrinter = FALSE;
  BOOL lineNumbers = FALSE;
  wchar_t faceName[LF_FACESIZE] = L"VL Gothic";
  BYTE charSet = SHIFTJIS_CHARSET;
  int fontHeight = -20;  // 10 points
  int fontWidth = 0;
  int marginLeft = 20, marginRight = 20, marginTop = 20, marginBottom = 20;
  std::string text;  // Shift-JIS

  PRINTTEXTPARAM Record(const std::wstring& fileName) {
    PRINTTEXTPARAM record{};
    record.pbSelectPrinter = &selectPrinter;
    record.pbLineNumbers = &lineNumbers;
    record.pszFaceName = faceName;
    record.pbCharSet = &charSet;
    record.pnFontHeight = &fontHeight;
    record.pnFontWidth = &fontWidth;
    record.nLineChars = 80;
    wcsncpy_s(record.szFileName, std::size(record.szFileName), fileName.c_str(), _TRUNCATE);
    record.pText = reinterpret_cast<const BYTE*>(text.data());
    record.nTextSize = static_cast<int>(text.size());
    record.nTabColumns = 8;
    record.pnMarginLeft = &marginLeft;
    record.pnMarginRight = &marginRight;
    record.pnMarginTop = &marginTop;
    record.pnMarginBottom = &marginBottom;
    return record;
  }
};

// Calls ZvPrintTextDlg with the host's record while person plays the user on
// a watcher thread; false when the person could not finish.
inline bool RunDialog(Host& host, const std::wstring& fileName, const std::function<void()>& person,
                      DWORD deadlineMs = 60000) {
  using PrintDialog = void(WINAPI*)(PRINTTEXTPARAM*);
  static const PrintDialog dialog = zvtest::GetExport<PrintDialog>(::LoadLibraryW(L"ZvDll.dll"), "ZvPrintTextDlg");
  PRINTTEXTPARAM record = host.Record(fileName);
  zvtest::UiScript script(person, deadlineMs);
  dialog(&record);
  const bool ran = script.Join();
  if (!ran) ADD_FAILURE() << script.Failure();
  return ran;
}

}  // namespace print_test
