// The compare dialog: takes the two files, the report name, the columns and
// the row limit, runs the compare worker with progress and a stop button, and
// closes when the worker ends. One comparison per opening.
#pragma once

#include <afxwin.h>

#include "cmp_thread.h"
#include "compare_ids.h"

class CCmpBinaryDlg : public CDialog {
 public:
  enum { IDD = IDD_CMP_BINARY };

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
