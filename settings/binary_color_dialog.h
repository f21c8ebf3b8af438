// The binary view's colours: a colour for each byte value 00 to ff, given to
// the values selected in a list, and whether the host colours bytes by them.
#pragma once

#include <afxwin.h>

#include "colour_tables.h"
#include "settings_ids.h"

class CBinaryColorDlg : public CDialog {
 public:
  enum { IDD = IDD_BINARY_COLOR };

  CBinaryColorDlg() : CDialog(IDD) {}

  COLORREF* m_pColors = nullptr;  // the host's 256 colours
  BOOL* m_pbUseColors = nullptr;  // the host's option of 1969
  COLORREF m_colors[zv::settings::kByteValues] = {};
  CWnd* m_pValueList = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
  void OnSelchangeValues();
  void OnChooseColour();

  DECLARE_MESSAGE_MAP()

 private:
  int Caret() const { return static_cast<int>(m_pValueList->SendMessage(LB_GETCARETINDEX)); }
};

extern "C" void WINAPI OnBinarycolor(COLORREF* pColors, BOOL* pbUseColors) noexcept;
