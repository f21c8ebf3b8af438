// The compare dialog: takes the two files, the report name, the columns and
// the row limit, runs the compare worker with progress and a stop button, and
// closes when the worker ends. One comparison per opening.
#pragma once

#include <afxwin.h>

#include "cmp_thread.h"

// Control ids of dialog 131.
constexpr int IDC_CMP_FILE1 = 1025;
constexpr int IDC_CMP_BROWSE1 = 1026;
constexpr int IDC_CMP_FILE2 = 1027;
constexpr int IDC_CMP_BROWSE2 = 1028;
constexpr int IDC_CMP_OUTFILE = 1029;
constexpr int IDC_CMP_BROWSE_OUT = 1030;
constexpr int IDC_CMP_MAXOUTPUT = 1031;
constexpr int IDC_CMP_NOLIMIT = 1032;
constexpr int IDC_CMP_DECIMAL = 1033;
constexpr int IDC_CMP_HEX = 1034;
constexpr int IDC_CMP_STOP = 1035;
constexpr int IDC_CMP_PROGRESS = 1036;
constexpr int IDC_CMP_PERCENT = 1037;

class CCmpBinaryDlg : public CDialog {
 public:
  enum { IDD = 131 };

  explicit CCmpBinaryDlg(CWnd* pParent = nullptr);
  ~CCmpBinaryDlg() override;

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

  CString m_strFile1;
  CString m_strFile2;
  CString m_strCurDir;
  CmpProgressProc m_pfnProgress = nullptr;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnBrowseFile1();
  void OnBrowseFile2();
  void OnBrowseOutFile();
  void OnStop();

  LRESULT OnShowProgress(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 private:
  static int OnCmpProgress(int nPos, int nRange, CWnd* pOwner);
  void BrowseInto(int nEditId, BOOL bOpen);
  void StopCmpThread();
};

// The one running worker of the process; null when none exists.
extern CCmpThread* g_pCmpThread;

// Shows the compare dialog for two files of the host's current directory.
extern "C" void WINAPI ZvCmpBinaryDlg(LPCWSTR lpszCurDir, LPCWSTR lpszFile1, LPCWSTR lpszFile2) noexcept;
