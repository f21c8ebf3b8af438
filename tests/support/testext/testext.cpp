// A test-only extension DLL built with the same frame glue as ZvDll.dll: its
// exports let the tests watch module state, resource lookup and thread ends
// from the host's side of the boundary.
#include <afxdllx.h>

#include <cstdio>
#include <stdexcept>

#include "testext.h"

namespace {

// ZVTESTEXT_LOG names a file that records the application's start and end;
// ZVTESTEXT_FAIL_INIT makes InitInstance fail, so the load must fail.
// Read through the system: the runtime's getenv keeps a copy taken at its first use.
bool HasVariable(const wchar_t* name, wchar_t* value = nullptr, DWORD capacity = 0) {
  return ::GetEnvironmentVariableW(name, value, capacity) != 0 || ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

void Log(const char* what) {
  wchar_t path[MAX_PATH] = {};
  if (!HasVariable(L"ZVTESTEXT_LOG", path, MAX_PATH)) return;
  if (FILE* file = ::_wfopen(path, L"ab")) {
    std::fprintf(file, "%s\n", what);
    std::fclose(file);
  }
}

class CTestExtApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    Log("init");
    return HasVariable(L"ZVTESTEXT_FAIL_INIT") ? FALSE : CWinApp::InitInstance();
  }
  int ExitInstance() override {
    Log("exit");
    return CWinApp::ExitInstance();
  }
};

CTestExtApp theApp;

// Holds a named mutex and counts itself while alive, so the test can see that
// ending the thread ran the destructors of the thread's stack.
class HeldMutex {
 public:
  HeldMutex(const wchar_t* name, LONG* alive) : m_mutex(::CreateMutexW(nullptr, TRUE, name)), m_alive(alive) {
    ::InterlockedIncrement(m_alive);
  }
  ~HeldMutex() {
    ::ReleaseMutex(m_mutex);
    ::CloseHandle(m_mutex);
    ::InterlockedDecrement(m_alive);
  }
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;

 private:
  HANDLE m_mutex;
  LONG* m_alive;
};

class CEndingThread : public CWinThread {
 public:
  CEndingThread(const wchar_t* mutexName, LONG* alive) : m_mutexName(mutexName), m_alive(alive) {}
  BOOL InitInstance() override {
    HeldMutex held(m_mutexName, m_alive);
    EndFromDeepInside<3>();
    return TRUE;  // never reached
  }

 private:
  template <int Depth>
  void EndFromDeepInside() {
    HeldMutex nested(nullptr, m_alive);
    if constexpr (Depth == 0) {
      AfxEndThread(42, FALSE);
    } else {
      EndFromDeepInside<Depth - 1>();
    }
  }
  const wchar_t* m_mutexName;
  LONG* m_alive;
};

}  // namespace

extern "C" {

INT_PTR WINAPI TestExtShowDialog() {
  return ExportBoundary<INT_PTR>(-2, [] {
    CDialog dialog(IDD_SAME_ID);
    return dialog.DoModal();
  });
}

int WINAPI TestExtLoadString(UINT id, wchar_t* out, int capacity) {
  return ExportBoundary(-1, [&] {
    CString text;
    if (!text.LoadString(id)) return 0;
    lstrcpynW(out, text, capacity);
    return text.GetLength();
  });
}

// Leaves its body by an exception; the boundary must restore the caller's state.
int WINAPI TestExtThrow(AFX_MODULE_STATE** seenInside) {
  return ExportBoundary(-1, [&]() -> int {
    *seenInside = AfxGetModuleState();
    throw std::runtime_error("thrown inside an export");
  });
}

// The state current inside a switching export, and this module's own.
void WINAPI TestExtModuleState(AFX_MODULE_STATE** current, AFX_MODULE_STATE** own, const wchar_t** appName) {
  ExportBoundary([&] {
    *current = AfxGetModuleState();
    *own = AfxGetStaticModuleState();
    *appName = AfxGetAppName();
  });
}

int WINAPI TestExtMessageBox(const wchar_t* text) {
  return ExportBoundary(-1, [&] { return AfxMessageBox(text); });
}

// Runs a worker that ends itself with AfxEndThread(42) while holding a named
// mutex several frames deep; returns the exit code and how many guards are
// still alive afterwards (0 when the stack unwound).
DWORD WINAPI TestExtEndThreadInWorker(const wchar_t* mutexName, LONG* aliveAfter) {
  return ExportBoundary<DWORD>(0xFFFFFFFF, [&] {
    static LONG alive = 0;
    alive = 0;
    auto* thread = new CEndingThread(mutexName, &alive);
    thread->m_bAutoDelete = FALSE;
    DWORD exitCode = 0xFFFFFFFF;
    if (thread->CreateThread() && ::WaitForSingleObject(thread->m_hThread, 10000) == WAIT_OBJECT_0) {
      ::GetExitCodeThread(thread->m_hThread, &exitCode);
    }
    *aliveAfter = alive;
    delete thread;
    return exitCode;
  });
}

}  // extern "C"
