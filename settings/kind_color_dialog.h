// Colours by file extension: the host's 100 extension and colour pairs, ten
// to a page, and whether the host shows file names in them.
#pragma once

#include <afxwin.h>

#include "colour_tables.h"
#include "settings_ids.h"

class CFileKindColorDlg : public CDialog {
 public:
  enum { IDD = IDD_KIND_COLOR };

  CFileKindColorDlg() : CDialog(IDD) {}

  zv::settings::KindColour* m_pKinds = nullptr;  // the host's table
  BOOL* m_pbUseKindColors = nullptr;             // the host's option of 1006
  int m_nTop = 0;                                // the page's first entry
  zv::settings::KindColour m_kinds[zv::settings::kKindColours] = {};

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnBefore() { Turn(-1); }
  void OnNext() { Turn(1); }
  void OnSwatch(UINT nID);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  DECLARE_MESSAGE_MAP()

 private:
  void ShowPage();
  void StorePage();
  void Turn(int step);
};

extern "C" void WINAPI OnKindcolor(zv::settings::KindColour* pKinds, BOOL* pbUseKindColors) noexcept;
