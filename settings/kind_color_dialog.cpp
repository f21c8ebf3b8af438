#include "kind_color_dialog.h"

#include <afxdllx.h>

#include <cstring>
#include <iterator>

#include "colour_swatch.h"

using namespace zv::settings;

BEGIN_MESSAGE_MAP(CFileKindColorDlg, CDialog)
ON_BN_CLICKED(IDC_KIND_BEFORE, &CFileKindColorDlg::OnBefore)
ON_BN_CLICKED(IDC_KIND_NEXT, &CFileKindColorDlg::OnNext)
// The ten swatches' ids run from slot 0's to slot 8's (slot 9's lies between).
ON_COMMAND_RANGE(IDC_KIND_SWATCH0, IDC_KIND_SWATCH8, &CFileKindColorDlg::OnSwatch)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

void CFileKindColorDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CFileKindColorDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  std::memcpy(m_kinds, m_pKinds, sizeof m_kinds);
  // A host text without its terminator would run into the colour and on.
  for (KindColour& kind : m_kinds) kind.szExt[std::size(kind.szExt) - 1] = u'\0';
  m_nTop = 0;
  ShowPage();
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_KIND_BEFORE), FALSE);
  CheckDlgButton(IDC_KIND_USE, *m_pbUseKindColors ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CFileKindColorDlg::ShowPage() {
  for (int slot = 0; slot < kKindSlots; ++slot)
    ::SetDlgItemTextW(m_hWnd, kKindSlotIds[slot].edit, reinterpret_cast<LPCWSTR>(m_kinds[m_nTop + slot].szExt));
}

// The system's copy takes at most 259 characters and the terminator.
void CFileKindColorDlg::StorePage() {
  for (int slot = 0; slot < kKindSlots; ++slot) {
    KindColour& kind = m_kinds[m_nTop + slot];
    ::GetDlgItemTextW(m_hWnd, kKindSlotIds[slot].edit, reinterpret_cast<LPWSTR>(kind.szExt),
                      static_cast<int>(std::size(kind.szExt)));
  }
}

void CFileKindColorDlg::Turn(int step) {
  StorePage();
  const KindPage page = TurnKindPage(m_nTop, step);
  m_nTop = page.top;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_KIND_BEFORE), page.before);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_KIND_NEXT), page.next);
  ShowPage();
  Invalidate(FALSE);  // the swatches redraw with the new page's colours
}

void CFileKindColorDlg::OnSwatch(UINT nID) {
  const auto slot = KindSlotOfSwatch(static_cast<int>(nID));
  if (!slot) return;
  COLORREF colour = m_kinds[m_nTop + *slot].crColor;
  if (!ChooseSwatchColour(this, colour)) return;
  m_kinds[m_nTop + *slot].crColor = colour;
  ::InvalidateRect(::GetDlgItem(m_hWnd, static_cast<int>(nID)), nullptr, FALSE);
}

void CFileKindColorDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (const auto slot = KindSlotOfSwatch(nIDCtl)) DrawColourSwatch(*lpDrawItemStruct, m_kinds[m_nTop + *slot].crColor);
  DefWindowProc(WM_DRAWITEM, static_cast<WPARAM>(nIDCtl), reinterpret_cast<LPARAM>(lpDrawItemStruct));
}

void CFileKindColorDlg::OnOK() {
  StorePage();
  std::memcpy(m_pKinds, m_kinds, sizeof m_kinds);
  *m_pbUseKindColors = IsDlgButtonChecked(IDC_KIND_USE);
  CDialog::OnOK();
}

void WINAPI OnKindcolor(KindColour* pKinds, BOOL* pbUseKindColors) noexcept {
  ExportBoundary([&] {
    if (!pKinds || !pbUseKindColors) return;
    CFileKindColorDlg dialog;
    dialog.m_pKinds = pKinds;
    dialog.m_pbUseKindColors = pbUseKindColors;
    dialog.DoModal();
  });
}
