// The system's font and print dialogs behind the framework's classes.
#include <afxdlgs.h>

#include "internal.h"

CFontDialog::CFontDialog(LPLOGFONTW lplfInitial, DWORD dwFlags, CDC* pdcPrinter, CWnd* pParentWnd)
    : CDialog(static_cast<UINT>(0), pParentWnd), m_cf(), m_lf() {
  m_cf.lStructSize = sizeof m_cf;
  m_cf.lpLogFont = lplfInitial ? lplfInitial : &m_lf;
  m_cf.Flags = dwFlags | (lplfInitial ? CF_INITTOLOGFONTSTRUCT : 0);
  if (pdcPrinter) {
    m_cf.hDC = pdcPrinter->m_hAttribDC;
    m_cf.Flags |= CF_PRINTERFONTS;
  }
}

INT_PTR CFontDialog::DoModal() {
  // As in CFileDialog::DoModal: the system's loop dispatches to framework windows.
  AFX_MAINTAIN_STATE2 callerState(AfxGetModuleState());
  m_cf.hwndOwner = zvfw::ModalOwner(m_pParentWnd);
  // Wine's dialog writes every face and size the user picks into the LOGFONTW
  // at once, and a cancel leaves them there: it works on a copy, and the
  // caller's font changes only on OK.
  LOGFONTW* const pCallerFont = m_cf.lpLogFont;
  LOGFONTW chosen = *pCallerFont;
  m_cf.lpLogFont = &chosen;
  const BOOL bChosen = ::ChooseFontW(&m_cf);
  m_cf.lpLogFont = pCallerFont;
  if (!bChosen) return IDCANCEL;
  *pCallerFont = chosen;
  return IDOK;
}

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
    : CDialog(static_cast<UINT>(0), pParentWnd), m_pd() {
  m_pd.lStructSize = sizeof m_pd;
  m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : PD_RETURNDC);
  m_pd.nCopies = 1;
}

// The printer's settings blocks are ours; the DC went to the caller.
CPrintDialog::~CPrintDialog() {
  if (m_pd.hDevMode) ::GlobalFree(m_pd.hDevMode);
  if (m_pd.hDevNames) ::GlobalFree(m_pd.hDevNames);
}

INT_PTR CPrintDialog::DoModal() {
  AFX_MAINTAIN_STATE2 callerState(AfxGetModuleState());
  m_pd.hwndOwner = zvfw::ModalOwner(m_pParentWnd);
  return ::PrintDlgW(&m_pd) ? IDOK : IDCANCEL;
}

BOOL CPrintDialog::GetDefaults() {
  m_pd.Flags |= PD_RETURNDEFAULT;
  const BOOL found = ::PrintDlgW(&m_pd);
  m_pd.Flags &= ~PD_RETURNDEFAULT;
  return found;
}

CString CPrintDialog::GetDeviceName() const {
  if (!m_pd.hDevNames) return CString();
  const auto* names = static_cast<const DEVNAMES*>(::GlobalLock(m_pd.hDevNames));
  CString device(reinterpret_cast<LPCWSTR>(names) + names->wDeviceOffset);
  ::GlobalUnlock(m_pd.hDevNames);
  return device;
}
