// Modal dialogs from templates found through the module state, run in the
// framework's own loop so that PreTranslateMessage, idle messages and posted
// commands reach the dialog object.
#include <afxwin.h>

#include "internal.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_nIDHelp(0), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

INT_PTR CDialog::DoModal() {
  HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
  HRSRC resource = hInst ? ::FindResourceW(hInst, m_lpszTemplateName, RT_DIALOG) : nullptr;
  HGLOBAL loaded = resource ? ::LoadResource(hInst, resource) : nullptr;
  const auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEW>(::LockResource(loaded)) : nullptr;
  if (!dialogTemplate) return -1;

  HWND owner = zvfw::ModalOwner(m_pParentWnd);
  const bool disableOwner = owner && owner != ::GetDesktopWindow() && ::IsWindowEnabled(owner);
  if (disableOwner) ::EnableWindow(owner, FALSE);

  m_bContinueModal = TRUE;
  m_nModalResult = -1;
  AfxLockTempMaps();
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateDialogIndirectParamW(hInst, dialogTemplate, owner, AfxDlgProc, 0);
  AfxUnhookWindowCreate();
  if (hWnd && !m_hWnd) ::DestroyWindow(hWnd);  // not subclassed: nothing of ours would end it
  if (m_hWnd && m_bContinueModal) RunModalLoop();

  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
  }
  if (disableOwner) ::EnableWindow(owner, TRUE);
  if (owner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
  DestroyWindow();
  AfxUnlockTempMaps(FALSE);
  zvfw::PruneTemporaries();
  return m_nModalResult;
}

void CDialog::RunModalLoop() {
  if (!::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
  LONG idleCount = 0;
  bool idle = true;
  zvfw::IdleRule idleRule;
  MSG msg = {};
  while (m_bContinueModal) {
    while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // A dialog that handles WM_KICKIDLE returns non-zero while it wants more idle time.
      if (!::SendMessageW(m_hWnd, WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++)) idle = false;
      if (!m_bContinueModal) return;
    }
    if (!::GetMessageW(&msg, nullptr, 0, 0)) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT to the outer loop
      m_bContinueModal = FALSE;
      return;
    }
    if (!zvfw::PreTranslateUpTo(m_hWnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (idleRule.ResumesIdle(msg)) {
      idle = true;
      idleCount = 0;
    }
  }
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  if (m_bContinueModal) {
    m_bContinueModal = FALSE;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop if it waits
  }
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl) ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  const bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                     (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
  return input && m_hWnd && ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  // Esc and the close box arrive as IDCANCEL: while the Cancel button is
  // disabled (a job is running) they must do nothing.
  if (LOWORD(wParam) == IDCANCEL) {
    HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
    if (cancel && !::IsWindowEnabled(cancel)) return TRUE;
  }
  return CWnd::OnCommand(wParam, lParam);
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* pDialog = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
  if (!pDialog) return TRUE;
  try {
    return pDialog->OnInitDialog();
  } catch (...) {
    pDialog->EndDialog(-1);
    return FALSE;
  }
}
