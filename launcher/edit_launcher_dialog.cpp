#include "edit_launcher_dialog.h"

#include <afxdlgs.h>

#include <iterator>

#include "zvutil.h"

BEGIN_MESSAGE_MAP(CEditLancherDlg, CDialog)
ON_BN_CLICKED(IDC_EDIT_LAUNCHER_BROWSE_PATH, &CEditLancherDlg::OnBnClickedRefPath)
ON_BN_CLICKED(IDC_EDIT_LAUNCHER_BROWSE_PARAM, &CEditLancherDlg::OnBnClickedRefParam)
ON_BN_CLICKED(IDC_EDIT_LAUNCHER_BROWSE_DIR, &CEditLancherDlg::OnBnClickedRefDir)
END_MESSAGE_MAP()

CEditLancherDlg::CEditLancherDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CEditLancherDlg::~CEditLancherDlg() = default;

BOOL CEditLancherDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_EDIT_LAUNCHER_PATH, m_strPath);
  SetDlgItemText(IDC_EDIT_LAUNCHER_PARAM, m_strParam);
  SetDlgItemText(IDC_EDIT_LAUNCHER_DIR, m_strDir);
  return TRUE;
}

void CEditLancherDlg::OnOK() {
  GetDlgItemText(IDC_EDIT_LAUNCHER_PATH, m_strPath);
  GetDlgItemText(IDC_EDIT_LAUNCHER_PARAM, m_strParam);
  GetDlgItemText(IDC_EDIT_LAUNCHER_DIR, m_strDir);
  // Only an empty name is refused: the program need not exist yet.
  if (m_strPath.IsEmpty()) {
    MessageBox(L"実行ファイル名が入力されていません");
    return;
  }
  EndDialog(IDOK);
}

void CEditLancherDlg::ChooseFileInto(int nID, LPCWSTR lpszFilter) {
  CString strStart;
  GetDlgItemText(nID, strStart);
  CFileDialog dialog(TRUE, nullptr, strStart, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, lpszFilter, this);
  // A shortcut chosen is launched as itself, not replaced by its target.
  dialog.m_ofn.Flags |= OFN_NODEREFERENCELINKS;
  if (dialog.DoModal() == IDOK) SetDlgItemText(nID, dialog.GetPathName());
}

void CEditLancherDlg::OnBnClickedRefPath() {
  ChooseFileInto(IDC_EDIT_LAUNCHER_PATH, L"実行ファイル|*.EXE;*.COM;*.PIF;*.BAT;*.LNK|すべてのファイル|*.*||");
}

void CEditLancherDlg::OnBnClickedRefParam() { ChooseFileInto(IDC_EDIT_LAUNCHER_PARAM, L"すべてのファイル|*.*||"); }

void CEditLancherDlg::OnBnClickedRefDir() {
  wchar_t szDir[520] = L"";
  ::GetDlgItemTextW(m_hWnd, IDC_EDIT_LAUNCHER_DIR, szDir, static_cast<int>(std::size(szDir)));
  BrowseForFolder(szDir, m_hWnd, FALSE);
  SetDlgItemText(IDC_EDIT_LAUNCHER_DIR, szDir);
}
