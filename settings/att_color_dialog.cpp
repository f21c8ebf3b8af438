#include "att_color_dialog.h"

#include <afxdllx.h>

#include <cstring>

#include "colour_swatch.h"

using zv::settings::AttColourIndex;

BEGIN_MESSAGE_MAP(CAttColorDlg, CDialog)
ON_WM_DRAWITEM()
// Every swatch id lies in this range; the handler ignores the other ids in it.
ON_COMMAND_RANGE(IDC_ATT_ALARM, IDC_ATT_VIEWER_LINES, &CAttColorDlg::OnSwatch)
END_MESSAGE_MAP()

void CAttColorDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CAttColorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckDlgButton(IDC_ATT_DIR_NO_ATTR, *m_pbDirNoAttrColor ? BST_CHECKED : BST_UNCHECKED);
  std::memcpy(m_colors, m_pColors, sizeof m_colors);
  return TRUE;
}

void CAttColorDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (const auto index = AttColourIndex(nIDCtl)) {
    DrawColourSwatch(*lpDrawItemStruct, m_colors[*index]);
    return;
  }
  DefWindowProc(WM_DRAWITEM, static_cast<WPARAM>(nIDCtl), reinterpret_cast<LPARAM>(lpDrawItemStruct));
}

void CAttColorDlg::OnSwatch(UINT nID) {
  const auto index = AttColourIndex(static_cast<int>(nID));
  if (!index || !ChooseSwatchColour(this, m_colors[*index])) return;
  ::InvalidateRect(::GetDlgItem(m_hWnd, static_cast<int>(nID)), nullptr, FALSE);
}

void CAttColorDlg::OnOK() {
  std::memcpy(m_pColors, m_colors, sizeof m_colors);
  *m_pbDirNoAttrColor = IsDlgButtonChecked(IDC_ATT_DIR_NO_ATTR);
  CDialog::OnOK();
}

void WINAPI OnAttcolor(COLORREF* pColors, BOOL* pbDirNoAttrColor) noexcept {
  ExportBoundary([&] {
    if (!pColors || !pbDirNoAttrColor) return;
    CAttColorDlg dialog;
    dialog.m_pColors = pColors;
    dialog.m_pbDirNoAttrColor = pbDirNoAttrColor;
    dialog.DoModal();
  });
}
