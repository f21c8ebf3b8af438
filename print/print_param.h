// The host's print record, exactly as the file manager lays it out: settings it
// keeps between calls travel as pointers to its own variables, which the dialog
// writes back; the rest comes by value.
#pragma once

#include <windows.h>

#include <cstddef>

struct PRINTTEXTPARAM {
  BOOL* pbSelectPrinter;  // show the printer choice at opening; written at closing
  BOOL* pbLineNumbers;    // initial state of row numbers; not written
  wchar_t* pszFaceName;   // LF_FACESIZE characters
  BYTE* pbCharSet;
  int* pnFontHeight;  // lfHeight, in the dialog's units of 1/144 inch
  int* pnFontWidth;
  int nLineChars;
  wchar_t szFileName[MAX_PATH];  // shown, printed in the header, the spooler's document name
  const BYTE* pText;             // in the ANSI code page; valid until the export returns
  int nTextSize;
  int nTabColumns;
  int* pnMarginLeft;  // millimetres
  int* pnMarginRight;
  int* pnMarginTop;
  int* pnMarginBottom;
};

static_assert(sizeof(PRINTTEXTPARAM) == 624);
static_assert(offsetof(PRINTTEXTPARAM, pnFontWidth) == 40);
static_assert(offsetof(PRINTTEXTPARAM, nLineChars) == 48);
static_assert(offsetof(PRINTTEXTPARAM, szFileName) == 52);
static_assert(offsetof(PRINTTEXTPARAM, pText) == 576);
static_assert(offsetof(PRINTTEXTPARAM, nTextSize) == 584);
static_assert(offsetof(PRINTTEXTPARAM, nTabColumns) == 588);
static_assert(offsetof(PRINTTEXTPARAM, pnMarginLeft) == 592);
static_assert(offsetof(PRINTTEXTPARAM, pnMarginBottom) == 616);
