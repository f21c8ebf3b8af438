// The file manager's side of ZvPrintTextDlg for the tests and the benchmark:
// its variables behind the record's pointers and the record it hands over.
#pragma once

#include <windows.h>

#include <iterator>
#include <string>

#include "print_param.h"

namespace zvtest {

// The file manager's variables behind the record's pointers. The tests print
// in VL Gothic: its glyphs reach the PDF with their Unicode names, so
// pdftotext reads them back (the prefix's stand-in for ＭＳ ゴシック,
// IPAGothic, prints but reads back as nothing).
struct PrintHost {
  BOOL selectPrinter = FALSE;
  BOOL lineNumbers = FALSE;
  wchar_t faceName[LF_FACESIZE] = L"VL Gothic";
  BYTE charSet = SHIFTJIS_CHARSET;
  int fontHeight = -20;  // 10 points
  int fontWidth = 0;
  int marginLeft = 20, marginRight = 20, marginTop = 20, marginBottom = 20;
  std::string text;  // in the ANSI code page

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

}  // namespace zvtest
