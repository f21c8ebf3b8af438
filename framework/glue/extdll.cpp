// Linked into every extension DLL: the module's own state, its window procedure,
// and the load and unload sequence around its application object.
#include <afxdllx.h>

#include <new>

namespace {

LRESULT CALLBACK ModuleWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// Constant-initialised, so it exists before the runtime constructs anything here.
AFX_MODULE_STATE g_moduleState(TRUE, &ModuleWndProc, _MFC_VER);
AFX_EXTENSION_MODULE g_extensionModule = {};
AFX_MODULE_STATE* g_previousState = nullptr;
bool g_attached = false;

LRESULT CALLBACK ModuleWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  AFX_MANAGE_STATE(&g_moduleState);
  return AfxWndProc(hWnd, nMsg, wParam, lParam);
}

BOOL FailAttach(CWinApp* app, bool exitInstance) {
  if (app && exitInstance) app->ExitInstance();
  AfxWinTerm();
  AfxSetModuleState(g_previousState);
  return FALSE;
}

// Runs with this module's state current (made so by the entry point below).
BOOL AttachModule(HINSTANCE hInstance) {
  if (!AfxWinInit(hInstance, nullptr, const_cast<LPWSTR>(L""), 0)) return FailAttach(nullptr, false);
  CWinApp* app = AfxGetApp();
  if (app && !app->InitInstance()) return FailAttach(app, true);
  AfxInitExtensionModule(g_extensionModule, hInstance);
  try {
    new CDynLinkLibrary(g_extensionModule);  // owned by the module state's chain
  } catch (const std::bad_alloc&) {
    return FailAttach(app, true);
  }
  AfxSetModuleState(g_previousState);
  g_attached = true;
  return TRUE;
}

void DetachModule() {
  AFX_MANAGE_STATE(&g_moduleState);
  if (CWinApp* app = AfxGetApp()) app->ExitInstance();
  AfxWinTerm();
  AfxTermExtensionModule(g_extensionModule, TRUE);
  g_attached = false;
}

}  // namespace

AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState() { return &g_moduleState; }

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return AttachModule(hInstance);
    case DLL_PROCESS_DETACH:
      // Also called after a failed attach, when there is nothing to undo.
      if (g_attached) DetachModule();
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE hDllHandle, DWORD reason, LPVOID reserved);

// The module's entry point: makes the module state current before the runtime
// constructs the global objects (the application object registers itself with
// the state current at its construction), then hands over to the runtime.
extern "C" BOOL WINAPI ZvfwRawDllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved) {
  if (reason != DLL_PROCESS_ATTACH) return DllMainCRTStartup(hInstance, reason, reserved);
  HLOCAL probe = ::LocalAlloc(LMEM_FIXED, 8192);
  if (!probe) return FALSE;
  ::LocalFree(probe);
  g_previousState = AfxSetModuleState(&g_moduleState);
  const BOOL attached = DllMainCRTStartup(hInstance, reason, reserved);
  if (!attached) AfxSetModuleState(g_previousState);
  return attached;
}
