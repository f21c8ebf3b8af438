// What the compare tests share: the export as the host binds it, the dialog's
// title and control ids, and the process's current directory, which the dialog
// changes on purpose and each test puts back.
#pragma once

#include <windows.h>

#include <string>

#include "support.h"

namespace compare_test {

inline constexpr wchar_t kTitle[] = L"バイナリデータの比較";
enum : int {
  kFile1 = 1025,
  kBrowse1 = 1026,
  kBrowse2 = 1028,
  kFile2 = 1027,
  kOutFile = 1029,
  kBrowseOut = 1030,
  kMaxOutput = 1031,
  kNoLimit = 1032,
  kDecimal = 1033,
  kHex = 1034,
  kStop = 1035,
  kPercent = 1037,
};

using CompareDialog = void(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);

inline CompareDialog Export() {
  static const CompareDialog function =
      zvtest::GetExport<CompareDialog>(::LoadLibraryW(L"ZvDll.dll"), "ZvCmpBinaryDlg");
  return function;
}

class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard() { ::GetCurrentDirectoryW(MAX_PATH, saved_); }
  ~CurrentDirectoryGuard() { ::SetCurrentDirectoryW(saved_); }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;
  std::wstring Current() const {
    wchar_t now[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, now);
    return now;
  }

 private:
  wchar_t saved_[MAX_PATH] = {};
};

}  // namespace compare_test
