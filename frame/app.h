// The library's application object.
#pragma once

#include <afxwin.h>

class CZvDllApp : public CWinApp {
 public:
  CZvDllApp();
  ~CZvDllApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  DECLARE_MESSAGE_MAP()
};

// The weight of the high half of a 64-bit file size (2^32), set at start-up:
// size = high * g_nFileSizeHighMultiplier + low.
extern ULONGLONG g_nFileSizeHighMultiplier;
