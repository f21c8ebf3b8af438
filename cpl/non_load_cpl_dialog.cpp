#include "non_load_cpl_dialog.h"

#include <afxdlgs.h>
#include <afxdllx.h>

#include "cpl_exports.h"

BEGIN_MESSAGE_MAP(CNonLoadCplDlg, CDialog)
ON_BN_CLICKED(IDC_CPL_REF0, &CNonLoadCplDlg::OnBnClickedRef0)
ON_BN_CLICKED(IDC_CPL_REF1, &CNonLoadCplDlg::OnBnClickedRef1)
ON_BN_CLICKED(IDC_CPL_REF2, &CNonLoadCplDlg::OnBnClickedRef2)
ON_BN_CLICKED(IDC_CPL_REF3, &CNonLoadCplDlg::OnBnClickedRef3)
ON_BN_CLICKED(IDC_CPL_REF4, &CNonLoadCplDlg::OnBnClickedRef4)
ON_BN_CLICKED(IDC_CPL_REF5, &CNonLoadCplDlg::OnBnClickedRef5)
ON_BN_CLICKED(IDC_CPL_REF6, &CNonLoadCplDlg::OnBnClickedRef6)
ON_BN_CLICKED(IDC_CPL_REF7, &CNonLoadCplDlg::OnBnClickedRef7)
ON_BN_CLICKED(IDC_CPL_REF8, &CNonLoadCplDlg::OnBnClickedRef8)
ON_BN_CLICKED(IDC_CPL_REF9, &CNonLoadCplDlg::OnBnClickedRef9)
END_MESSAGE_MAP()

CNonLoadCplDlg::CNonLoadCplDlg(CWnd* pParent) : CDialog(IDD, pParent) {}
CNonLoadCplDlg::~CNonLoadCplDlg() = default;

void CNonLoadCplDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CNonLoadCplDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The host keeps ten entries; a shorter list shows its missing ones empty
  // instead of failing on them, and OK makes it ten.
  for (int i = 0; i < kEntries; ++i) {
    if (i < m_pList->GetCount()) SetDlgItemText(kEntryEdits[i], m_pList->ElementAt(i));
  }
  return TRUE;
}

void CNonLoadCplDlg::OnOK() {
  m_pList->RemoveAll();
  for (const int nEdit : kEntryEdits) {
    CString strName;
    GetDlgItemText(nEdit, strName);
    m_pList->Add(strName);
  }
  CDialog::OnOK();
}

void CNonLoadCplDlg::BrowseCplFile(int nIndex) {
  CString strName;
  GetDlgItemText(kEntryEdits[nIndex], strName);
  CFileDialog dialog(TRUE, nullptr, strName, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, L"CPLファイル|*.CPL||", nullptr);
  WCHAR szSystemDir[520] = {};
  ::GetSystemDirectoryW(szSystemDir, 520);
  dialog.m_ofn.lpstrInitialDir = szSystemDir;
  if (dialog.DoModal() == IDOK) SetDlgItemText(kEntryEdits[nIndex], dialog.GetFileName());
}

void CNonLoadCplDlg::OnBnClickedRef0() { BrowseCplFile(0); }
void CNonLoadCplDlg::OnBnClickedRef1() { BrowseCplFile(1); }
void CNonLoadCplDlg::OnBnClickedRef2() { BrowseCplFile(2); }
void CNonLoadCplDlg::OnBnClickedRef3() { BrowseCplFile(3); }
void CNonLoadCplDlg::OnBnClickedRef4() { BrowseCplFile(4); }
void CNonLoadCplDlg::OnBnClickedRef5() { BrowseCplFile(5); }
void CNonLoadCplDlg::OnBnClickedRef6() { BrowseCplFile(6); }
void CNonLoadCplDlg::OnBnClickedRef7() { BrowseCplFile(7); }
void CNonLoadCplDlg::OnBnClickedRef8() { BrowseCplFile(8); }
void CNonLoadCplDlg::OnBnClickedRef9() { BrowseCplFile(9); }

void WINAPI OnSetNonLoadCpl(CStringArray* pList) noexcept {
  ExportBoundary([&] {
    if (!pList) return;
    CNonLoadCplDlg dialog;
    dialog.m_pList = pList;
    dialog.DoModal();
  });
}
