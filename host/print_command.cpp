#include "print_command.h"

#include <cstdio>
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "print.h"
#include "scoped_handle.h"

namespace {

// The whole file, as the file manager reads it before printing; false when it
// cannot be read or is too large for the record's 32-bit size.
bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& bytes) {
  const ScopedHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return false;
  LARGE_INTEGER size{};
  bool read = ::GetFileSizeEx(file.Get(), &size) && size.QuadPart < 0x7FFFFFFF;
  if (read) bytes.resize(static_cast<size_t>(size.QuadPart));
  for (size_t done = 0; read && done < bytes.size();) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
    read = ::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr) && got != 0;
    done += got;
  }
  return read;
}

}  // namespace

int RunPrintCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  // The file manager's variables, with what it starts from.
  BOOL selectPrinter = FALSE, lineNumbers = FALSE;
  wchar_t faceName[LF_FACESIZE] = L"ＭＳ ゴシック";
  BYTE charSet = SHIFTJIS_CHARSET;
  int fontHeight = -20, fontWidth = 0;  // 10 points in 1/144 inch
  int margins[4] = {20, 20, 20, 20};    // left, right, top, bottom
  PRINTTEXTPARAM param{};
  param.nLineChars = 80;
  param.nTabColumns = 8;

  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& option = arguments[i];
    if (option == L"--line-numbers") {
      lineNumbers = TRUE;
      continue;
    }
    if (option == L"--select-printer") {
      selectPrinter = TRUE;
      continue;
    }
    if (i + 1 == arguments.size()) return 2;
    const wchar_t* value = arguments[++i].c_str();
    if (option == L"--face") {
      wcsncpy_s(faceName, std::size(faceName), value, _TRUNCATE);
    } else if (option == L"--height") {
      fontHeight = _wtoi(value);
    } else if (option == L"--chars") {
      param.nLineChars = _wtoi(value);
    } else if (option == L"--tabs") {
      param.nTabColumns = _wtoi(value);
    } else if (option == L"--margins") {
      if (swscanf_s(value, L"%d,%d,%d,%d", &margins[0], &margins[1], &margins[2], &margins[3]) != 4) return 2;
    } else {
      return 2;
    }
  }

  std::vector<BYTE> text;
  if (!ReadWholeFile(arguments[0], text)) {
    Print(arguments[0] + L": 読み込めません\n", stderr);
    return 1;
  }
  wchar_t* name = nullptr;
  if (!::GetFullPathNameW(arguments[0].c_str(), MAX_PATH, param.szFileName, &name)) {
    wcsncpy_s(param.szFileName, std::size(param.szFileName), arguments[0].c_str(), _TRUNCATE);
  }
  param.pbSelectPrinter = &selectPrinter;
  param.pbLineNumbers = &lineNumbers;
  param.pszFaceName = faceName;
  param.pbCharSet = &charSet;
  param.pnFontHeight = &fontHeight;
  param.pnFontWidth = &fontWidth;
  param.pText = text.data();
  param.nTextSize = static_cast<int>(text.size());
  param.pnMarginLeft = &margins[0];
  param.pnMarginRight = &margins[1];
  param.pnMarginTop = &margins[2];
  param.pnMarginBottom = &margins[3];
  exports.ZvPrintTextDlg(&param);

  // What the dialog wrote back into the host's variables.
  Print(L"フォント: " + std::wstring(faceName) + L" " + std::to_wstring(fontHeight) + L" " +
        std::to_wstring(fontWidth) + L" " + std::to_wstring(charSet) + L"\n");
  Print(L"余白: " + std::to_wstring(margins[0]) + L"," + std::to_wstring(margins[1]) + L"," +
        std::to_wstring(margins[2]) + L"," + std::to_wstring(margins[3]) + L"\n");
  Print(L"印刷時プリンターを選択する: " + std::to_wstring(selectPrinter) + L"\n");
  return 0;
}
