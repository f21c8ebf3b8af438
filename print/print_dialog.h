// The print dialog: picks the printer, shows the largest rows and lines that
// fit the page with the chosen font and margins, checks the settings and runs
// the print worker with progress and a stop button, polling it from a timer.
#pragma once

#include <afxwin.h>

#include "print_param.h"
#include "print_thread.h"

// Control ids of dialog 129 (1017 and 1018, the progress, are the worker's).
constexpr int IDC_PRINT_LINE_CHARS = 1000;
constexpr int IDC_PRINT_PAGE_LINES = 1001;
constexpr int IDC_PRINT_TAB_COLUMNS = 1002;
constexpr int IDC_PRINT_FONT = 1003;
constexpr int IDC_PRINT_FILE_NAME = 1004;
constexpr int IDC_PRINT_PAGE_NUMBER = 1005;
constexpr int IDC_PRINT_TWO_COLUMNS = 1006;
constexpr int IDC_PRINT_LINE_NUMBERS = 1007;
constexpr int IDC_PRINT_SELECT_PRINTER = 1008;
constexpr int IDC_PRINT_ALL = 1009;
constexpr int IDC_PRINT_RANGE = 1010;
constexpr int IDC_PRINT_FIRST_PAGE = 1011;
constexpr int IDC_PRINT_LAST_PAGE = 1012;
constexpr int IDC_PRINT_STOP = 1013;
constexpr int IDC_PRINT_MAX_CHARS = 1014;
constexpr int IDC_PRINT_MAX_LINES = 1015;
constexpr int IDC_PRINT_SHOW_FILE = 1016;
constexpr int IDC_PRINT_PRINTER = 1019;
constexpr int IDC_PRINT_MARGIN_TOP = 1020;
constexpr int IDC_PRINT_MARGIN_BOTTOM = 1021;
constexpr int IDC_PRINT_MARGIN_LEFT = 1022;
constexpr int IDC_PRINT_MARGIN_RIGHT = 1023;

class CPrintTextDlg : public CDialog {
 public:
  enum { IDD = 129 };

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
  // Deletes the worker once it has ended and writes back the printer-choice
  // option; FALSE while the worker still runs.
  BOOL CloseWorker();
  void WriteBackSelectPrinter();
  bool IsChecked(int nId) const { return IsDlgButtonChecked(nId) == BST_CHECKED; }
  int ReadInt(int nId) const;

  LOGFONTW m_lfBody = {};
  LOGFONTW m_lfHeader = {};
  CDC m_dcPrinter;
  int m_nPrintWidth = 0;
  int m_nPrintHeight = 0;
  int m_nMaxLineChars = 0;
  int m_nMaxPageLines = 0;
  int m_nPrintState = 0;  // 1 while the worker runs, 2 once the dialog is to close after it
  int m_nFirstPage = 0;
  int m_nLastPage = 0;
  BOOL m_bPageRange = FALSE;
  CFont* m_pBodyFont = nullptr;
  CFont* m_pHeaderFont = nullptr;
  CTextPrintThread* m_pThread = nullptr;
  RECT m_rcMargin = {};  // logical units
  int m_nPageLines = 1;
  int m_bSelectPrinter = FALSE;
};

// Shows the print dialog for the text in the host's record.
extern "C" void WINAPI ZvPrintTextDlg(PRINTTEXTPARAM* pParam) noexcept;
