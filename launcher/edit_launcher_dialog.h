// The launcher's entry editor: one entry's program, parameters and working
// folder, each with a 参照 that picks it.
#pragma once

#include <afxwin.h>

#include "launcher_ids.h"

class CEditLancherDlg : public CDialog {
 public:
  enum { IDD = IDD_EDIT_LAUNCHER };

  explicit CEditLancherDlg(CWnd* pParent = nullptr);
  ~CEditLancherDlg() override;

  CString m_strPath;
  CString m_strParam;
  CString m_strDir;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnBnClickedRefPath();
  void OnBnClickedRefParam();
  void OnBnClickedRefDir();

  DECLARE_MESSAGE_MAP()

 private:
  // A file chosen in the open dialog, starting from the field's text, into the field.
  void ChooseFileInto(int nID, LPCWSTR lpszFilter);
};
