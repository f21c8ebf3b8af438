// The open and save dialogs: the system's own, run with the framework's owner
// rules and filter strings.
#include <afxdlgs.h>

#include <algorithm>

#include "internal.h"

namespace {

// Room for the longest path the system takes (with the \\?\ prefix), not MAX_PATH.
constexpr int kFileNameChars = 32768;

}  // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt, LPCWSTR lpszFileName, DWORD dwFlags,
                         LPCWSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(static_cast<UINT>(0), pParentWnd),
      m_ofn(),
      m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(lpszDefExt),
      m_strFilter(lpszFilter),
      m_strFileName(lpszFileName) {
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  if (lpszDefExt) m_ofn.lpstrDefExt = m_strDefExt;

  if (lpszFilter) {
    // One more separator than needed: the list then ends in two NULs even when
    // the caller left out the closing "||".
    m_strFilter += L'|';
    const int length = m_strFilter.GetLength();
    wchar_t* filter = m_strFilter.GetBuffer();
    std::replace(filter, filter + length, L'|', L'\0');
    m_strFilter.ReleaseBuffer(length);
    m_ofn.lpstrFilter = m_strFilter;
  }

  const int capacity = std::max(kFileNameChars, m_strFileName.GetLength() + 1);
  m_ofn.lpstrFile = m_strFileName.GetBuffer(capacity - 1);
  m_ofn.nMaxFile = static_cast<DWORD>(capacity);
}

INT_PTR CFileDialog::DoModal() {
  // The system's loop dispatches to framework windows (the owner among them),
  // whose procedures switch module state; the caller's is current again on return.
  // Nothing here throws, and the window procedures catch their own.
  AFX_MAINTAIN_STATE2 callerState(AfxGetModuleState());
  m_ofn.hwndOwner = zvfw::ModalOwner(m_pParentWnd);
  const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
  return chosen ? IDOK : IDCANCEL;
}

// The parts come from the offsets the system sets when a file is chosen.

CString CFileDialog::GetPathName() const { return CString(m_ofn.lpstrFile); }

CString CFileDialog::GetFileName() const {
  if (!m_ofn.lpstrFile) return CString();
  return CString(m_ofn.lpstrFile + m_ofn.nFileOffset);
}
