// The print dialog: picks the printer, shows the largest rows and lines that
// fit the page with the chosen font and margins, checks the settings and runs
// the print worker with progress and a stop button, polling it from a timer.
#pragma once

#include <afxwin.h>

#include "page_limits.h"
#include "print_ids.h"
#include "print_param.h"
#include "print_thread.h"

class CPrintTextDlg : public CDialog {
 public:
  enum { IDD = IDD_PRINT_TEXT };

  explicit CPrintTextDlg(CWnd* pParent = nullptr);
  ~CPrintTextDlg() override;

  PRINTTEXTPARAM m_param = {};

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  void UpdateLimits();
  void OnFont();
  void OnStop();
  void OnTimer(UINT_PTR nIDEvent);

  DECLARE_MESSAGE_MAP()

 private:
  static constexpr UINT_PTR kPollTimer = 3;

  bool ChoosePrinter();
  void MakeHeaderFont();
  // Makes pFont anew from logFont and reads its height plus external leading
  // and its average character width on the printer.
  void MakeFont(CFont*& pFont, const LOGFONTW& logFont, int& nLineHeight, int& nCharWidth);
  // Deletes the worker once it has ended and writes back the printer-choice
  // option; FALSE while the worker still runs.
  BOOL CloseWorker();
  void WriteBackSelectPrinter();
  bool IsChecked(int nId) const { return IsDlgButtonChecked(nId) == BST_CHECKED; }
  int ReadInt(int nId) const;

  LOGFONTW m_lfBody = {};
  LOGFONTW m_lfHeader = {};
  CDC m_dcPrinter;
  zv::print::PageLimits m_limits;  // from the last UpdateLimits
  int m_nPrintState = 0;           // 1 while the worker runs, 2 once the dialog is to close after it
  int m_nFirstPage = 0;
  int m_nLastPage = 0;
  BOOL m_bPageRange = FALSE;
  CFont* m_pBodyFont = nullptr;
  CFont* m_pHeaderFont = nullptr;
  CTextPrintThread* m_pThread = nullptr;
  int m_nPageLines = 1;
  int m_bSelectPrinter = FALSE;
};

// Shows the print dialog for the text in the host's record.
extern "C" void WINAPI ZvPrintTextDlg(PRINTTEXTPARAM* pParam) noexcept;
