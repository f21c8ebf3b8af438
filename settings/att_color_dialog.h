// The display colours dialog: the host's twenty colours on swatches in five
// groups, and whether directories ignore the attribute colours.
#pragma once

#include <afxwin.h>

#include "colour_tables.h"
#include "settings_ids.h"

class CAttColorDlg : public CDialog {
 public:
  enum { IDD = IDD_ATT_COLOR };

  CAttColorDlg() : CDialog(IDD) {}

  COLORREF* m_pColors = nullptr;       // the host's 20 colours
  BOOL* m_pbDirNoAttrColor = nullptr;  // the host's option of 1005
  COLORREF m_colors[zv::settings::kAttColourIds.size()] = {};

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
  void OnSwatch(UINT nID);

  DECLARE_MESSAGE_MAP()
};

extern "C" void WINAPI OnAttcolor(COLORREF* pColors, BOOL* pbDirNoAttrColor) noexcept;
