// The dialog of applet files the applet list neither lists nor loads: ten
// names, each with a 参照 button, written back into the host's list on OK.
#pragma once

#include <afxcoll.h>
#include <afxwin.h>

#include "cpl_ids.h"

class CNonLoadCplDlg : public CDialog {
 public:
  enum { IDD = IDD_NON_LOAD_CPL };
  static constexpr int kEntries = 10;
  // Entry index to its edit.
  static constexpr int kEntryEdits[kEntries] = {IDC_CPL_FILE0, IDC_CPL_FILE1, IDC_CPL_FILE2, IDC_CPL_FILE3,
                                                IDC_CPL_FILE4, IDC_CPL_FILE5, IDC_CPL_FILE6, IDC_CPL_FILE7,
                                                IDC_CPL_FILE8, IDC_CPL_FILE9};

  explicit CNonLoadCplDlg(CWnd* pParent = nullptr);
  ~CNonLoadCplDlg() override;

  CStringArray* m_pList = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnBnClickedRef0();
  void OnBnClickedRef1();
  void OnBnClickedRef2();
  void OnBnClickedRef3();
  void OnBnClickedRef4();
  void OnBnClickedRef5();
  void OnBnClickedRef6();
  void OnBnClickedRef7();
  void OnBnClickedRef8();
  void OnBnClickedRef9();

  DECLARE_MESSAGE_MAP()

 private:
  void BrowseCplFile(int nIndex);
};
