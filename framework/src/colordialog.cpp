// The system's colour dialog behind the framework's class.
#include <afxdlgs.h>

#include "internal.h"

namespace {

// The system calls a hook only when CC_ENABLEHOOK is set, and then it must be
// there. Ours leaves every message to the dialog; TRUE on WM_INITDIALOG lets
// the dialog give the first control the focus.
UINT_PTR CALLBACK ColourHook(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd)
    : CDialog(static_cast<UINT>(0), pParentWnd), m_cc() {
  m_cc.lStructSize = sizeof m_cc;
  m_cc.lpCustColors = GetSavedCustomColors();
  m_cc.Flags = dwFlags | CC_ENABLEHOOK;
  m_cc.lpfnHook = ColourHook;
  m_cc.rgbResult = clrInit;
  if (clrInit != 0) m_cc.Flags |= CC_RGBINIT;
}

COLORREF* PASCAL CColorDialog::GetSavedCustomColors() {
  static COLORREF custom[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
  return custom;
}

INT_PTR CColorDialog::DoModal() {
  // As in CFileDialog::DoModal: the system's loop dispatches to framework windows.
  AFX_MAINTAIN_STATE2 callerState(AfxGetModuleState());
  m_cc.hwndOwner = zvfw::ModalOwner(m_pParentWnd);
  return ::ChooseColorW(&m_cc) ? IDOK : IDCANCEL;
}
