#include "app.h"

#include "redirection.h"

ULONGLONG g_nFileSizeHighMultiplier = 0;

BEGIN_MESSAGE_MAP(CZvDllApp, CWinApp)
END_MESSAGE_MAP()

CZvDllApp::CZvDllApp() = default;
CZvDllApp::~CZvDllApp() = default;

BOOL CZvDllApp::InitInstance() {
  g_nFileSizeHighMultiplier = 0x100000000ULL;
  PrepareRedirectionSwitch();
  return CWinApp::InitInstance();
}

int CZvDllApp::ExitInstance() {
  ReleaseRedirectionSwitch();
  return CWinApp::ExitInstance();
}

CZvDllApp theApp;
