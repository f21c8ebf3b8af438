// The print worker: lays the text out with the paginator and sends the pages to
// the printer through the spooler, one small step per idle call so that the
// dialog's cancel flag is seen between any two steps. It shows no message: the
// dialog reads its exit code (0 finished or failed to start, -1 aborted).
#pragma once

#include <afxwin.h>

#include <atomic>
#include <memory>
#include <vector>

#include "paginator.h"
#include "print_ids.h"

class CTextPrintThread : public CWinThread {
 public:
  CTextPrintThread();
  ~CTextPrintThread() override;

  BOOL InitInstance() override;
  BOOL OnIdle(LONG lCount) override;
  int ExitInstance() override;

  // Filled by the dialog before the thread starts; the DC, the fonts and the
  // text stay the dialog's and the host's. The DC is deleted here after a
  // finished document.
  CDC* m_pDC = nullptr;
  int m_nLineChars = 80;
  int m_nPageLines = 60;
  BOOL m_bTwoColumns = FALSE;
  BOOL m_bPrintFileName = FALSE;
  BOOL m_bPrintPageNumber = FALSE;
  const BYTE* m_pText = nullptr;
  int m_nTextSize = 0;
  int m_nFirstPage = 0;
  int m_nLastPage = 0;
  BOOL m_bPageRange = FALSE;
  CFont* m_pBodyFont = nullptr;
  CFont* m_pHeaderFont = nullptr;
  // Raised by the dialog's thread at any time, polled here without a lock.
  std::atomic<BOOL> m_bCancel{FALSE};
  CString m_strFileName;
  CWnd* m_pDialog = nullptr;
  int m_nTabColumns = 8;
  int m_nPrintWidth = 0;
  int m_nPrintHeight = 0;
  BOOL m_bPrintLineNumbers = FALSE;
  RECT m_rcMargin = {};  // left and top are the origin of everything printed

  DECLARE_MESSAGE_MAP()

 private:
  enum State { kStartDocument, kBeginPage, kPageHeader, kPrintBody, kPageFooter, kFinishPage, kEndDocument };

  [[noreturn]] void Abort();
  void PrintHeader();
  void PrintBody();
  void PrintFooter();
  void FinishPage();
  void DrawRow(const zv::print::LayoutCommand& row);
  void ShowProgress(int nPercent);
  // Reads a font's height plus external leading and average character width.
  void Measure(CFont* pFont, int& nLineHeight, int& nCharWidth);

  DOCINFOW m_docInfo = {};
  State m_nState = kStartDocument;
  std::unique_ptr<zv::print::Paginator> m_pPaginator;
  zv::print::LayoutCommand m_command;  // the page start, or the page end once the body is laid out
  int m_nCellWidth = 0;
  int m_nShownPercent = -1;
  std::vector<wchar_t> m_rowText;  // one row converted, with each character's advance
  std::vector<int> m_rowAdvance;
};
