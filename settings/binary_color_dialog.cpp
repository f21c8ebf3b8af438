#include "binary_color_dialog.h"

#include <afxdllx.h>

#include <cstring>

#include "colour_swatch.h"

using namespace zv::settings;

BEGIN_MESSAGE_MAP(CBinaryColorDlg, CDialog)
ON_LBN_SELCHANGE(IDC_BIN_VALUES, &CBinaryColorDlg::OnSelchangeValues)
ON_BN_CLICKED(IDC_BIN_CHOOSE, &CBinaryColorDlg::OnChooseColour)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

void CBinaryColorDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CBinaryColorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pValueList = GetDlgItem(IDC_BIN_VALUES);
  for (size_t value = 0; value < kByteValues; ++value) {
    m_colors[value] = m_pColors[value];
    CString line;
    line.Format(L"%02x", static_cast<unsigned>(value));
    // A sorted list: two lower-case hexadecimal digits sort in value order.
    m_pValueList->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.GetString()));
  }
  CheckDlgButton(IDC_BIN_USE, *m_pbUseColors ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CBinaryColorDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (nIDCtl == IDC_BIN_SWATCH) {
    const int caret = Caret();
    if (caret >= 0 && static_cast<size_t>(caret) < kByteValues) DrawColourSwatch(*lpDrawItemStruct, m_colors[caret]);
  }
  DefWindowProc(WM_DRAWITEM, static_cast<WPARAM>(nIDCtl), reinterpret_cast<LPARAM>(lpDrawItemStruct));
}

void CBinaryColorDlg::OnSelchangeValues() { ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_BIN_SWATCH), nullptr, FALSE); }

void CBinaryColorDlg::OnChooseColour() {
  COLORREF colour = m_colors[ChooserStartValue(Caret())];
  if (!ChooseSwatchColour(this, colour)) return;
  bool selected[kByteValues] = {};
  for (size_t value = 0; value < kByteValues; ++value)
    selected[value] = m_pValueList->SendMessage(LB_GETSEL, value) > 0;
  GiveColour<COLORREF>(m_colors, selected, colour);
  ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_BIN_SWATCH), nullptr, FALSE);
}

void CBinaryColorDlg::OnOK() {
  std::memcpy(m_pColors, m_colors, sizeof m_colors);
  *m_pbUseColors = IsDlgButtonChecked(IDC_BIN_USE);
  CDialog::OnOK();
}

void WINAPI OnBinarycolor(COLORREF* pColors, BOOL* pbUseColors) noexcept {
  ExportBoundary([&] {
    if (!pColors || !pbUseColors) return;
    CBinaryColorDlg dialog;
    dialog.m_pColors = pColors;
    dialog.m_pbUseColors = pbUseColors;
    dialog.DoModal();
  });
}
