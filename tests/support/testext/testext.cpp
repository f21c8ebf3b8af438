// A test-only extension DLL with the same frame glue as ZvDll.dll: its exports
// show the tests module state and resource lookup from the host's side.
#include <afxdllx.h>

#include <cstdio>
#include <stdexcept>

#include "testext.h"

namespace {

// ZVTESTEXT_LOG names a file that records the application's start and end;
// ZVTESTEXT_FAIL_INIT makes InitInstance fail, so the load must fail.
void Log(const char* what) {
  wchar_t path[MAX_PATH] = {};
  FILE* file = ::GetEnvironmentVariableW(L"ZVTESTEXT_LOG", path, MAX_PATH) ? ::_wfopen(path, L"ab") : nullptr;
  if (!file) return;
  std::fprintf(file, "%s\n", what);
  std::fclose(file);
}

class CTestExtApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    Log("init");
    return ::GetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", nullptr, 0) ? FALSE : CWinApp::InitInstance();
  }
  int ExitInstance() override {
    Log("exit");
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
