#include "cmp_dialog.h"

#include <afxdlgs.h>
#include <afxdllx.h>
#include <commctrl.h>

#include <new>

#include "compare_form.h"
#include "zvutil.h"

CCmpThread* g_pCmpThread = nullptr;

namespace {

// A percentage for the dialog's controls, sent by the progress function.
constexpr UINT WM_CMP_SHOWPROGRESS = WM_APP + 1;

CString ControlText(const CWnd& dialog, int nId) {
  CString strText;
  dialog.GetDlgItemText(nId, strText);
  return strText;
}

CString FromUtf16(std::u16string_view text) {
  return CString(reinterpret_cast<LPCWSTR>(text.data()), static_cast<int>(text.size()));
}

// Waits for the worker's thread to end. The worker reports progress with
// synchronous calls into this thread's windows, so a plain wait could block
// both threads for good; calls sent to this thread are served while waiting,
// while posted messages and input stay queued.
void WaitForWorker(HANDLE hThread) {
  DWORD dwExitCode;
  while (::GetExitCodeThread(hThread, &dwExitCode) && dwExitCode != 0 && dwExitCode != static_cast<DWORD>(-1)) {
    // INPUTAVAILABLE: a call that was already pending when the wait began counts too.
    const DWORD dwWait = ::MsgWaitForMultipleObjectsEx(1, &hThread, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (dwWait != WAIT_OBJECT_0 + 1) break;  // the thread ended, or the handle is unusable
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

BEGIN_MESSAGE_MAP(CCmpBinaryDlg, CDialog)
ON_BN_CLICKED(IDC_CMP_BROWSE1, &CCmpBinaryDlg::OnBrowseFile1)
ON_BN_CLICKED(IDC_CMP_BROWSE2, &CCmpBinaryDlg::OnBrowseFile2)
ON_BN_CLICKED(IDC_CMP_BROWSE_OUT, &CCmpBinaryDlg::OnBrowseOutFile)
ON_BN_CLICKED(IDC_CMP_STOP, &CCmpBinaryDlg::OnStop)
ON_MESSAGE(WM_CMP_SHOWPROGRESS, &CCmpBinaryDlg::OnShowProgress)
END_MESSAGE_MAP()

CCmpBinaryDlg::CCmpBinaryDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

// Every way the dialog closes stops the worker first; this covers a window
// destroyed by other means.
CCmpBinaryDlg::~CCmpBinaryDlg() {
  if (g_pCmpThread) StopCmpThread();
}

void CCmpBinaryDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_CMP_FILE1, m_strFile1);
  DDX_Text(pDX, IDC_CMP_FILE2, m_strFile2);
}

BOOL CCmpBinaryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  g_pCmpThread = nullptr;
  m_pfnProgress = nullptr;
  CheckDlgButton(IDC_CMP_DECIMAL, BST_CHECKED);
  CheckDlgButton(IDC_CMP_NOLIMIT, BST_CHECKED);

  // In a long path the file name is what matters: show the end of it.
  const struct {
    int nId;
    const CString& strPath;
  } edits[] = {{IDC_CMP_FILE1, m_strFile1}, {IDC_CMP_FILE2, m_strFile2}};
  for (const auto& edit : edits) {
    const int nLastBackslash = edit.strPath.ReverseFind(L'\\');
    if (nLastBackslash < 0) continue;
    ::SendDlgItemMessageW(m_hWnd, edit.nId, EM_SETSEL, nLastBackslash + 1, nLastBackslash + 1);
    ::SendDlgItemMessageW(m_hWnd, edit.nId, EM_SCROLLCARET, 0, 0);
  }
  return TRUE;
}

void CCmpBinaryDlg::OnOK() {
  const CString strFile1 = ControlText(*this, IDC_CMP_FILE1);
  const CString strFile2 = ControlText(*this, IDC_CMP_FILE2);
  const CString strOutFile = ControlText(*this, IDC_CMP_OUTFILE);
  const BOOL bDecimal = IsDlgButtonChecked(IDC_CMP_DECIMAL) == BST_CHECKED;
  const BOOL bHex = IsDlgButtonChecked(IDC_CMP_HEX) == BST_CHECKED;
  const std::u16string_view refusal = zv::compare::FormRefusal(
      {AsUtf16(strFile1), AsUtf16(strFile2), AsUtf16(strOutFile), bDecimal != FALSE, bHex != FALSE});
  if (!refusal.empty()) {
    MessageBox(FromUtf16(refusal));
    return;
  }

  ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), FALSE);
  g_pCmpThread = new (std::nothrow) CCmpThread;
  if (!g_pCmpThread) {
    MessageBox(L"メモリが足りません");
    EndDialog(IDOK);
    return;
  }
  CCmpThread& worker = *g_pCmpThread;
  worker.m_strFile1 = strFile1;
  worker.m_strFile2 = strFile2;
  worker.m_strOutFile = strOutFile;
  worker.m_bDecimal = bDecimal;
  worker.m_bHex = bHex;
  worker.m_bNoLimit = IsDlgButtonChecked(IDC_CMP_NOLIMIT) == BST_CHECKED;
  worker.m_nMaxOutput = zv::compare::ReadRowLimit(AsUtf16(ControlText(*this, IDC_CMP_MAXOUTPUT)));
  m_pfnProgress = worker.m_pfnProgress = &CCmpBinaryDlg::OnCmpProgress;
  worker.m_pOwner = this;
  worker.m_bAutoDelete = FALSE;
  worker.m_bCancel = FALSE;

  // Bare and relative names in the edits mean files of the host's directory.
  ::SetCurrentDirectoryW(m_strCurDir);
  if (!worker.CreateThread()) {
    MessageBox(L"ファイルの比較に失敗しました");
    StopCmpThread();
    EndDialog(IDOK);
    return;
  }
  ::EnableWindow(::GetDlgItem(m_hWnd, IDCANCEL), FALSE);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_CMP_STOP), TRUE);
  GotoDlgCtrl(GetDlgItem(IDC_CMP_STOP));
}

void CCmpBinaryDlg::OnStop() {
  if (g_pCmpThread) g_pCmpThread->m_bCancel = TRUE;
  StopCmpThread();
  EndDialog(IDOK);
}

void CCmpBinaryDlg::StopCmpThread() {
  m_pfnProgress = nullptr;
  if (!g_pCmpThread) return;
  g_pCmpThread->m_bCancel = TRUE;
  WaitForWorker(g_pCmpThread->m_hThread);
  delete g_pCmpThread;
  g_pCmpThread = nullptr;
}

// The worker's end commands are taken here, ahead of the message map.
BOOL CCmpBinaryDlg::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
  if (nCode == CN_COMMAND && pHandlerInfo == nullptr) {
    if (nID == ID_CMP_FINISHED) {
      StopCmpThread();
      EndDialog(IDOK);
      return TRUE;
    }
    if (nID == ID_CMP_FAILED) {
      MessageBox(L"ファイルの比較に失敗しました");
      StopCmpThread();
      EndDialog(IDOK);
      return TRUE;
    }
  }
  return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CCmpBinaryDlg::BrowseInto(int nEditId, BOOL bOpen) {
  CFileDialog dialog(bOpen, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, L"すべてのファイル|*.*||", this);
  if (dialog.DoModal() == IDOK) SetDlgItemText(nEditId, dialog.GetPathName());
}

void CCmpBinaryDlg::OnBrowseFile1() { BrowseInto(IDC_CMP_FILE1, TRUE); }
void CCmpBinaryDlg::OnBrowseFile2() { BrowseInto(IDC_CMP_FILE2, TRUE); }
void CCmpBinaryDlg::OnBrowseOutFile() { BrowseInto(IDC_CMP_OUTFILE, FALSE); }

// Runs on the worker thread: only window calls by handle, no framework objects.
// The percentage goes to the dialog's thread in one call, which changes both
// controls there: a single visit to that thread, and one repaint to show.
int CCmpBinaryDlg::OnCmpProgress(int nPos, int nRange, CWnd* pOwner) {
  const int nDivisor = nRange / 100;
  const int nPercent = nDivisor == 0 ? 100 : nPos / nDivisor;
  ::SendMessageW(pOwner->m_hWnd, WM_CMP_SHOWPROGRESS, static_cast<WPARAM>(nPercent), 0);
  return 0;
}

LRESULT CCmpBinaryDlg::OnShowProgress(WPARAM wParam, LPARAM) {
  const int nPercent = static_cast<int>(wParam);
  CString strPercent;
  strPercent.Format(L"%d%c", nPercent, L'%');
  ::SetWindowTextW(::GetDlgItem(m_hWnd, IDC_CMP_PERCENT), strPercent);
  ::SendDlgItemMessageW(m_hWnd, IDC_CMP_PROGRESS, PBM_SETPOS, nPercent, 0);
  return 0;
}

void WINAPI ZvCmpBinaryDlg(LPCWSTR lpszCurDir, LPCWSTR lpszFile1, LPCWSTR lpszFile2) noexcept {
  ExportBoundary([&] {
    const LPCWSTR lpszDir = lpszCurDir ? lpszCurDir : L"";
    CCmpBinaryDlg dialog;
    dialog.m_strCurDir = lpszDir;
    const auto shown = [lpszDir](LPCWSTR lpszPath) {
      return FromUtf16(zv::compare::NameInDirectory(AsUtf16(lpszDir), AsUtf16(lpszPath ? lpszPath : L"")));
    };
    dialog.m_strFile1 = shown(lpszFile1);
    dialog.m_strFile2 = shown(lpszFile2);
    dialog.DoModal();
  });
}
