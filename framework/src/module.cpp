// Module state, the application object and extension-module registration.
#include <afxwin.h>

#include "internal.h"

namespace {

// The executable's state: current on a thread until an extension module switches.
AFX_MODULE_STATE g_baseModuleState(FALSE, &AfxWndProc, _MFC_VER);

// Guards every module's list of extension-module records.
SRWLOCK g_libraryListLock = SRWLOCK_INIT;

CString ModuleBaseName(HINSTANCE hInstance) {
  wchar_t path[MAX_PATH] = {};
  if (::GetModuleFileNameW(hInstance, path, MAX_PATH) == 0) return CString();
  CString name(path);
  name = name.Mid(name.ReverseFind(L'\\') + 1);
  const int period = name.ReverseFind(L'.');
  return period < 0 ? name : name.Left(period);
}

}  // namespace

// Allocated on first use: the slots may be needed before this file's globals are constructed.
const zvfw::ThreadSlots& zvfw::Slots() {
  static const ThreadSlots slots;
  return slots;
}

namespace {
// Made while the DLL loads, on one thread, so no thread ever waits on the
// first-use guard (DLL_THREAD_DETACH runs under the loader lock).
[[maybe_unused]] const bool kSlotsReady = (zvfw::Slots(), true);
}  // namespace

AFX_MODULE_STATE* AFXAPI AfxGetModuleState() {
  AFX_MODULE_STATE* pState = zvfw::Slots().moduleState.Get();
  return pState ? pState : &g_baseModuleState;
}

AFX_MODULE_STATE* AFXAPI AfxSetModuleState(AFX_MODULE_STATE* pNewState) {
  AFX_MODULE_STATE* previous = AfxGetModuleState();
  zvfw::Slots().moduleState.Set(pNewState == &g_baseModuleState ? nullptr : pNewState);
  return previous;
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState)
    : m_pPrevModuleState(AfxSetModuleState(pNewState)) {}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { AfxSetModuleState(m_pPrevModuleState); }

HINSTANCE AFXAPI AfxGetInstanceHandle() { return AfxGetModuleState()->m_hCurrentInstanceHandle; }
HINSTANCE AFXAPI AfxGetResourceHandle() { return AfxGetModuleState()->m_hCurrentResourceHandle; }
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource) {
  AfxGetModuleState()->m_hCurrentResourceHandle = hInstResource;
}
LPCWSTR AFXAPI AfxGetAppName() { return AfxGetModuleState()->m_lpszCurrentAppName; }
CWinApp* AFXAPI AfxGetApp() { return AfxGetModuleState()->m_pCurrentWinApp; }

CWnd* AFXAPI AfxGetMainWnd() {
  CWinThread* thread = AfxGetThread();
  return thread ? thread->m_pMainWnd : nullptr;
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType) {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  if (!state->m_bSystem) {
    HINSTANCE own = state->m_hCurrentResourceHandle;
    if (own && ::FindResourceW(own, lpszName, lpszType)) return own;
  }
  ::AcquireSRWLockShared(&g_libraryListLock);
  HINSTANCE found = nullptr;
  // Non-system modules first, then the system ones, as the chain is searched.
  for (int pass = 0; pass < 2 && !found; ++pass) {
    for (CDynLinkLibrary* dll = state->m_pLibraryList; dll && !found; dll = dll->m_pNextDLL) {
      if ((dll->m_bSystem != FALSE) == (pass == 1) && dll->m_hResource &&
          ::FindResourceW(dll->m_hResource, lpszName, lpszType)) {
        found = dll->m_hResource;
      }
    }
  }
  ::ReleaseSRWLockShared(&g_libraryListLock);
  return found ? found : state->m_hCurrentResourceHandle;
}

BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
  if (state.bInitialized) return TRUE;
  state.hModule = hModule;
  state.hResource = hModule;
  state.bInitialized = TRUE;
  return TRUE;
}

void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
  if (!state.bInitialized) return;
  AFX_MODULE_STATE* moduleState = AfxGetModuleState();
  for (;;) {
    ::AcquireSRWLockShared(&g_libraryListLock);
    CDynLinkLibrary* victim = nullptr;
    for (CDynLinkLibrary* dll = moduleState->m_pLibraryList; dll && !victim; dll = dll->m_pNextDLL) {
      if (bAll || dll->m_hModule == state.hModule) victim = dll;
    }
    ::ReleaseSRWLockShared(&g_libraryListLock);
    if (!victim) break;
    delete victim;  // unlinks itself
  }
  state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem), m_pModuleState(AfxGetModuleState()) {
  ::AcquireSRWLockExclusive(&g_libraryListLock);
  m_pNextDLL = m_pModuleState->m_pLibraryList;
  m_pModuleState->m_pLibraryList = this;
  ::ReleaseSRWLockExclusive(&g_libraryListLock);
}

CDynLinkLibrary::~CDynLinkLibrary() {
  ::AcquireSRWLockExclusive(&g_libraryListLock);
  for (CDynLinkLibrary** link = &m_pModuleState->m_pLibraryList; *link; link = &(*link)->m_pNextDLL) {
    if (*link == this) {
      *link = m_pNextDLL;
      break;
    }
  }
  ::ReleaseSRWLockExclusive(&g_libraryListLock);
}

// ---------------------------------------------------------------------------

CWinApp::CWinApp(LPCWSTR lpszAppName) {
  if (lpszAppName) {
    m_strAppName = lpszAppName;
    m_pszAppName = m_strAppName;
  }
  AFX_MODULE_STATE* state = AfxGetModuleState();
  state->m_pCurrentWinApp = this;
  m_nThreadID = ::GetCurrentThreadId();
}

CWinApp::~CWinApp() {
  // The runtime may destroy the object after another module state became current:
  // clear the application wherever it is still registered.
  for (AFX_MODULE_STATE* state : {AfxGetModuleState(), &g_baseModuleState}) {
    if (state->m_pCurrentWinApp == this) {
      state->m_pCurrentWinApp = nullptr;
      state->m_lpszCurrentAppName = nullptr;
    }
  }
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPWSTR, int) {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  state->m_hCurrentInstanceHandle = hInstance;
  state->m_hCurrentResourceHandle = hInstance;
  CWinApp* app = state->m_pCurrentWinApp;
  if (app) {
    app->m_hInstance = hInstance;
    if (!app->m_pszAppName) {
      app->m_strAppName = ModuleBaseName(hInstance);
      app->m_pszAppName = app->m_strAppName;
    }
    state->m_lpszCurrentAppName = app->m_pszAppName;
  }
  return TRUE;
}

void AFXAPI AfxWinTerm() {
  AfxLockTempMaps();
  AfxUnlockTempMaps(TRUE);
}

// ---------------------------------------------------------------------------

namespace zvfw {

void InitBaseModuleState(HINSTANCE hExe) {
  g_baseModuleState.m_hCurrentInstanceHandle = hExe;
  g_baseModuleState.m_hCurrentResourceHandle = hExe;
  if (!g_baseModuleState.m_lpszCurrentAppName) {
    static CString exeName;
    exeName = ModuleBaseName(hExe);
    g_baseModuleState.m_lpszCurrentAppName = exeName;
  }
}

}  // namespace zvfw

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      zvfw::InitBaseModuleState(::GetModuleHandleW(nullptr));
      break;
    case DLL_THREAD_DETACH:
      zvfw::ReleaseThreadData();
      break;
    default:
      break;
  }
  return TRUE;
}
