// Framework threads: InitInstance on a new thread, then a message loop with idle calls.
#include <afxwin.h>
#include <process.h>

#include "internal.h"

namespace {

// Thrown by AfxEndThread and caught only by the thread's start routine, so the
// thread's stack unwinds and its scoped guards release what they hold.
struct ThreadExit {
  UINT exitCode;
  BOOL deleteObject;
};

}  // namespace

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() {
  if (m_hThread) ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
  m_pStartupModuleState = AfxGetModuleState();
  unsigned threadId = 0;
  // Started suspended so that m_hThread and m_nThreadID are set before the thread runs.
  const uintptr_t handle =
      ::_beginthreadex(lpSecurityAttrs, nStackSize, &CWinThread::ThreadEntry, this, CREATE_SUSPENDED, &threadId);
  if (handle == 0) return FALSE;
  m_hThread = reinterpret_cast<HANDLE>(handle);
  m_nThreadID = threadId;
  if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(m_hThread);
  return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* pParam) {
  auto* thread = static_cast<CWinThread*>(pParam);
  AfxSetModuleState(thread->m_pStartupModuleState);
  zvfw::Slots().thread.Set(thread);
  UINT exitCode = 0;
  BOOL deleteObject = TRUE;
  try {
    exitCode = thread->InitInstance() ? thread->Run() : thread->ExitInstance();
  } catch (const ThreadExit& exit) {
    exitCode = exit.exitCode;
    deleteObject = exit.deleteObject;
  } catch (...) {
    exitCode = static_cast<UINT>(-1);  // nothing thrown may end the process from a thread
  }
  zvfw::Slots().thread.Set(nullptr);
  if (deleteObject) thread->Delete();
  AfxSetModuleState(nullptr);
  return exitCode;
}

void AFXAPI AfxEndThread(UINT nExitCode, BOOL bDelete) {
  if (zvfw::Slots().thread.Get()) throw ThreadExit{nExitCode, bDelete};
  // Not a framework thread: there is no start routine to unwind to.
  ::_endthreadex(nExitCode);
  ::ExitThread(nExitCode);
}

CWinThread* AFXAPI AfxGetThread() {
  CWinThread* pThread = zvfw::Slots().thread.Get();
  return pThread ? pThread : AfxGetApp();
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
BOOL CWinThread::SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostThreadMessageW(m_nThreadID, message, wParam, lParam);
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
  bool idle = true;
  LONG idleCount = 0;
  zvfw::IdleRule idleRule;
  for (;;) {
    while (idle && !::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (idleRule.ResumesIdle(m_msgCur)) {
        idle = true;
        idleCount = 0;
      }
    } while (::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
  }
}

BOOL CWinThread::PumpMessage() {
  if (!::GetMessageW(&m_msgCur, nullptr, 0, 0)) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageW(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) { return zvfw::PreTranslateUpTo(nullptr, pMsg); }

BOOL CWinThread::OnIdle(LONG) {
  AfxLockTempMaps();
  AfxUnlockTempMaps(TRUE);
  return FALSE;
}

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}
