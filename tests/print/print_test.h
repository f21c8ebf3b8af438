// What the print dialog tests share: the host's variables and record, as the
// file manager keeps them, and the export called as it calls it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "dialog_driver.h"
#include "support.h"
#include "print_dialog.h"
#include "print_host.h"
#include "support.h"

namespace print_test {

using Host = zvtest::PrintHost;

inline constexpr wchar_t kTitle[] = L"テキストの印刷";

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
