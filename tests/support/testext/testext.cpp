// A test-only extension DLL with the same frame glue as ZvDll.dll: its exports
// show the tests module state and resource lookup from the host's side.
#include <afxdllx.h>

#include <stdexcept>
#include <string>

#include "testext.h"

namespace {

// The application's start and end are appended to ZVTESTEXT_LOG;
// ZVTESTEXT_FAIL_INIT makes InitInstance fail, so the load must fail.
void Log(const wchar_t* what) {
  wchar_t log[64] = {};
  ::GetEnvironmentVariableW(L"ZVTESTEXT_LOG", log, 64);
  ::SetEnvironmentVariableW(L"ZVTESTEXT_LOG", (std::wstring(log) + what).c_str());
}

class CTestExtApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    Log(L"init ");
    return ::GetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", nullptr, 0) ? FALSE : CWinApp::InitInstance();
  }
  int ExitInstance() override {
    Log(L"exit ");
    return CWinApp::ExitInstance();
  }
} theApp;

}  // namespace

extern "C" {

// With `fail` the body throws before it shows anything; the boundary must
// still restore the caller's module state.
INT_PTR WINAPI TestExtShowDialog(BOOL fail) {
  return ExportBoundary<INT_PTR>(-2, [&] {
    if (fail) throw std::runtime_error("thrown inside an export");
    return CDialog(IDD_PROBE).DoModal();
  });
}

int WINAPI TestExtMessageBox(const wchar_t* text) {
  return ExportBoundary(-1, [&] { return CWnd().MessageBox(text); });
}

}  // extern "C"
