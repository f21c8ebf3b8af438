// The wallpaper dialog: how the host's image is placed on the desktop and
// where it starts; OK writes the desktop values and applies the image.
#pragma once

#include <afxwin.h>

#include "settings_ids.h"

class CSetWallPaperDlg : public CDialog {
 public:
  enum { IDD = IDD_WALLPAPER };

  CSetWallPaperDlg() : CDialog(IDD) {}
  ~CSetWallPaperDlg() override = default;

  int m_nOriginX = 0;
  int m_nOriginY = 0;
  CString m_strPath;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  DECLARE_MESSAGE_MAP()
};

extern "C" void WINAPI OnSetwallpaper(LPCWSTR pszPath) noexcept;
