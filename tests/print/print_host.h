// The file manager's side of ZvPrintTextDlg for the tests and the benchmark:
// the variables behind its record's pointers, and the export called on them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "dialog_driver.h"
#include "print_param.h"

namespace zvtest {

struct PrintHost {
  BOOL selectPrinter = FALSE, lineNumbers = FALSE;
  // The face a Japanese host hands over; the test prefix draws it in IPAGothic.
  wchar_t faceName[LF_FACESIZE] = L"ＭＳ ゴシック";
  BYTE charSet = SHIFTJIS_CHARSET;
  int fontHeight = -20, fontWidth = 0;  // 10 points
  int marginLeft = 20, marginRight = 20, marginTop = 20, marginBottom = 20;
  std::string text;  // in the ANSI code page

  PRINTTEXTPARAM Record(const std::wstring& fileName) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    const int size = static_cast<int>(text.size());
    PRINTTEXTPARAM record{
        &selectPrinter, &lineNumbers, faceName, &charSet,    &fontHeight,  &fontWidth, 80,           L"",
        bytes,          size,         8,        &marginLeft, &marginRight, &marginTop, &marginBottom};
    wcsncpy_s(record.szFileName, MAX_PATH, fileName.c_str(), _TRUNCATE);
    return record;
  }

  // The export on the record while person plays the user: false, reported, when the person could not finish.
  bool Print(const std::wstring& fileName, const std::function<void()>& person) {
    static const auto dialog =
        GetExport<void(WINAPI*)(PRINTTEXTPARAM*)>(::LoadLibraryW(L"ZvDll.dll"), "ZvPrintTextDlg");
    PRINTTEXTPARAM record = Record(fileName);
    UiScript script(person, 60000);
    dialog(&record);
    if (!script.Join()) ADD_FAILURE() << script.Failure();
    return script.Failure().empty();
  }
};

}  // namespace zvtest
