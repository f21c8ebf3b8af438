// The compare worker: compares two files on a thread of its own and writes a
// row for each differing byte into a UTF-16 report file, then posts one of two
// end commands to its owner window.
#pragma once

#include <afxwin.h>

#include <atomic>

#include "scoped_handle.h"

// Called on the worker thread with a percentage (position 0..100, range 100).
// The result is not used.
typedef int (*CmpProgressProc)(int nPos, int nRange, CWnd* pOwner);

// End commands, posted as WM_COMMAND with lParam 0.
constexpr UINT ID_CMP_FAILED = 1038;    // a file not found, or an open, read or write failed
constexpr UINT ID_CMP_FINISHED = 1039;  // end of data, row limit reached or cancelled

class CCmpThread : public CWinThread {
 public:
  CCmpThread();
  ~CCmpThread() override;

  // The whole comparison. Never returns: every way out posts an end command
  // and ends the thread (exit code 0 finished, -1 failed).
  BOOL InitInstance() override;
  int ExitInstance() override;

  CWnd* m_pOwner = nullptr;
  // Set by the owner's thread to stop the worker, polled by the worker.
  std::atomic<BOOL> m_bCancel{FALSE};
  CString m_strFile1;
  CString m_strFile2;
  CString m_strOutFile;
  int m_nMaxOutput = 0;
  CmpProgressProc m_pfnProgress = nullptr;
  BOOL m_bDecimal = TRUE;
  BOOL m_bHex = FALSE;
  BOOL m_bNoLimit = TRUE;
  ScopedHandle m_hFile1;
  ScopedHandle m_hFile2;
  ScopedHandle m_hOutFile;

  DECLARE_MESSAGE_MAP()

 private:
  // Both return false on a failure.
  bool OpenAndCompare();
  bool Compare(ULONGLONG nLength);
  void CloseCmpFiles();
};
