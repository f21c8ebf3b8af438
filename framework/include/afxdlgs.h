// The system's common dialogs behind the framework's classes.
#pragma once

#include "afxwin.h"

#include <commdlg.h>

// The open and save dialogs. Callers may change m_ofn (initial folder, title,
// flags) between construction and DoModal.
class ZVFW_API CFileDialog : public CDialog {
 public:
  // lpszFilter in the framework's form: "説明|パターン|…||".
  explicit CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt = nullptr, LPCWSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr);

  // IDOK when a file was chosen, IDCANCEL when the dialog was cancelled or failed.
  INT_PTR DoModal() override;

  // The chosen file: full path, name with extension, extension without the
  // period, name without extension, and its folder.
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;
  CString GetFolderPath() const;

  OPENFILENAMEW m_ofn;

 protected:
  BOOL m_bOpenFileDialog;

 private:
  CString m_strDefExt;
  CString m_strFilter;    // NUL-separated, as the system reads it
  CString m_strFileName;  // m_ofn.lpstrFile points into this buffer
};
