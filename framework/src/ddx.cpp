// Dialog data exchange: members to controls on load, controls to members on save.
#include <afxwin.h>

#include <cerrno>
#include <climits>
#include <cwchar>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND control = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
  m_hWndLastControl = control;
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND control = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (!m_bFailed && m_hWndLastControl) {
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  m_bFailed = TRUE;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange exchange(this, bSaveAndValidate);
  DoDataExchange(&exchange);
  return !exchange.m_bFailed;
}

namespace {

CString ControlText(HWND control) {
  CString text;
  const int length = ::GetWindowTextLengthW(control);
  ::GetWindowTextW(control, text.GetBuffer(length + 1), length + 1);
  text.ReleaseBuffer();
  return text;
}

// The whole text must be an int, surrounding blanks allowed.
bool ParseInt(const CString& text, int& value) {
  const wchar_t* begin = text;
  while (*begin == L' ' || *begin == L'\t') ++begin;
  wchar_t* end = nullptr;
  errno = 0;
  const long long parsed = std::wcstoll(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  while (*end == L' ' || *end == L'\t') ++end;
  if (*end != L'\0' || parsed < INT_MIN || parsed > INT_MAX) return false;
  value = static_cast<int>(parsed);
  return true;
}

}  // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  if (pDX->m_bFailed) return;
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = ControlText(control);
  } else {
    ::SetWindowTextW(control, value);
  }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX->m_bFailed) return;
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (!pDX->m_bSaveAndValidate) {
    CString text;
    text.Format(L"%d", value);
    ::SetWindowTextW(control, text);
  } else if (!ParseInt(ControlText(control), value)) {
    AfxMessageBox(L"整数を入力してください。", MB_ICONEXCLAMATION);
    pDX->Fail();
  }
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX->m_bFailed) return;
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX->m_bFailed) return;
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) value = -1;
  // The group runs from nIDC over the following radio buttons up to the next WS_GROUP.
  int index = 0;
  for (HWND button = control; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
    if (button != control && (::GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP)) break;
    const LRESULT code = ::SendMessageW(button, WM_GETDLGCODE, 0, 0);
    if (!(code & DLGC_RADIOBUTTON)) continue;
    if (pDX->m_bSaveAndValidate) {
      if (::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++index;
  }
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;
  pDX->PrepareCtrl(nIDC);
  rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (pDX->m_bFailed) return;
  if (!pDX->m_bSaveAndValidate) {
    if (pDX->m_hWndLastControl && pDX->m_bEditLastControl) {
      ::SendMessageW(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    }
    return;
  }
  if (value.GetLength() > nChars) {
    CString message;
    message.Format(L"%d 文字以内で入力してください。", nChars);
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    pDX->Fail();
  }
}
