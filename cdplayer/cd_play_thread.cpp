#include "cd_play_thread.h"

#include <io.h>

#include <cstdlib>
#include <ctime>

#include "cd_program.h"

using zv::cdplayer::TrackEnd;
using zv::cdplayer::TrackStart;

CCdPlayThread* g_pCdPlayThread = nullptr;

namespace {

constexpr DWORD kThreadFailed = 0xFFFFFFFF;

static_assert(std::atomic<BOOL>::is_always_lock_free && std::atomic<int64_t>::is_always_lock_free &&
              std::atomic<uint64_t>::is_always_lock_free);

constexpr DWORD kPollMs = 1000;  // how often a worker without commands asks the drive how it plays

MCIERROR SendCommand(MCIDEVICEID wDeviceID, UINT uMsg, DWORD dwFlags, void* pParms) {
  return ::mciSendCommandW(wDeviceID, uMsg, dwFlags, reinterpret_cast<DWORD_PTR>(pParms));
}

}  // namespace

MCIERROR OpenCdDevice(LPCWSTR lpszDrive, MCIDEVICEID& wDeviceID) {
  MCI_OPEN_PARMSW open{};
  open.lpstrDeviceType = reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(MCI_DEVTYPE_CD_AUDIO));
  open.lpstrElementName = lpszDrive;
  const MCIERROR error = SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT, &open);
  wDeviceID = error == 0 ? open.wDeviceID : 0;
  return error;
}

// The worker's named mutex, held for a scope. It is re-entrant for its owner,
// and released however the scope is left, the end of the thread included.
class CCdPlayThread::Lock {
 public:
  explicit Lock(HANDLE hMutex) : m_hMutex(hMutex) {
    // A mutex abandoned by a thread that died holding it is owned all the same.
    const DWORD dwWait = ::WaitForSingleObject(m_hMutex, INFINITE);
    m_bOwned = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
  }
  ~Lock() {
    if (m_bOwned) ::ReleaseMutex(m_hMutex);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  HANDLE m_hMutex;
  bool m_bOwned;
};

BEGIN_MESSAGE_MAP(CCdPlayThread, CWinThread)
END_MESSAGE_MAP()

CCdPlayThread::CCdPlayThread()
    : m_hMutex(::CreateMutexW(nullptr, FALSE, L"CCdPlayThreadMutex")),
      m_hEvent(::CreateEventW(nullptr, FALSE, FALSE, L"CCdPlayThreadEvent")) {}

// The host's variables are plain ints that this thread writes and the host's reads.
int CCdPlayThread::State() const { return std::atomic_ref<int>(*m_pnState).load(); }
void CCdPlayThread::SetState(int nState) const { std::atomic_ref<int>(*m_pnState).store(nState); }

bool CCdPlayThread::ThreadRuns() const {
  DWORD dwExitCode = 0;
  return m_hThread && ::GetExitCodeThread(m_hThread, &dwExitCode) && dwExitCode == STILL_ACTIVE;
}

void CCdPlayThread::PostCommand(UINT nCommand) {
  {
    Lock lock(m_hMutex.Get());
    m_nCommand = nCommand;
  }
  ::SetEvent(m_hEvent.Get());
}

void CCdPlayThread::SetPlayList(const CDWordArray& aProgram) {
  Lock lock(m_hMutex.Get());
  m_aProgram.Copy(aProgram);
}

BOOL CCdPlayThread::InitInstance() {
  if (!m_hMutex.IsValid() || !m_hEvent.IsValid()) AfxEndThread(kThreadFailed, FALSE);
  m_strDrive.Format(L"%c:", m_chDrive);
  if (OpenCdDevice(m_strDrive, m_wDeviceID) != 0) AfxEndThread(kThreadFailed, FALSE);
  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  if (SendCommand(m_wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT, &set) != 0) {
    SendCommand(m_wDeviceID, MCI_CLOSE, 0, nullptr);
    AfxEndThread(kThreadFailed, FALSE);
  }

  m_nPosition = 0;
  SetState(CDSTATE_PLAYING);
  ExecCommand(CDCMD_PLAY);
  for (bool bRunning = true; bRunning;) {
    if (m_bStop) bRunning = false;  // this pass still waits once more
    if (::WaitForSingleObject(m_hEvent.Get(), kPollMs) == WAIT_OBJECT_0) {
      UINT nCommand;
      {
        Lock lock(m_hMutex.Get());
        nCommand = m_nCommand;
        m_nCommand = 0;
      }
      if (nCommand != 0) ExecCommand(nCommand);
    } else {
      ExecCommand(bRunning ? CDCMD_POLL : CDCMD_STOP);
    }
  }
  // A command came in the last wait after the stop request: it was carried
  // out, and the device is not left open for the next worker of this process.
  {
    Lock lock(m_hMutex.Get());
    SendCommand(m_wDeviceID, MCI_STOP, MCI_WAIT, nullptr);
    SendCommand(m_wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr);
    SetState(CDSTATE_STOPPED);
  }
  AfxEndThread(0, FALSE);
}

DWORD_PTR CCdPlayThread::QueryStatus(DWORD dwItem, MCIERROR* pError) const {
  MCI_STATUS_PARMS status{};
  status.dwItem = dwItem;
  const MCIERROR error = SendCommand(m_wDeviceID, MCI_STATUS, MCI_STATUS_ITEM, &status);
  if (pError) *pError = error;
  return error == 0 ? status.dwReturn : 0;
}

bool CCdPlayThread::GetEntry(INT_PTR nPosition, DWORD& nTrack, ULONGLONG& nLength) const {
  nLength = 0;
  if (nPosition < 0 || nPosition >= m_aProgram.GetCount()) return false;
  nTrack = m_aProgram[nPosition];
  if (nTrack >= static_cast<DWORD>(m_aLength.GetCount())) return false;
  nLength = m_aLength[nTrack];
  return true;
}

bool CCdPlayThread::MoveNext(int nDirection) {
  zv::cdplayer::MoveChoices choices;
  choices.random = [this] { return std::atomic_ref<int>(*m_pnRandom).load() != 0; };
  choices.repeat = [this] { return std::atomic_ref<int>(*m_pnRepeat).load() != 0; };
  choices.draw = [this] {
    std::srand(zv::cdplayer::RandomSeed(_time64(nullptr)));
    std::rand();  // the first draw after seeding follows the seed too closely
    return static_cast<uint32_t>(std::rand());
  };
  const zv::cdplayer::ProgramView view{
      static_cast<size_t>(m_aProgram.GetCount()),
      [this](size_t nPosition) { return static_cast<uint32_t>(m_aProgram[static_cast<INT_PTR>(nPosition)]); },
      {m_aUnplayable.GetData(), static_cast<size_t>(m_aUnplayable.GetCount())}};
  int64_t nPosition = m_nListPos;
  const bool bMoved = zv::cdplayer::MoveToPlayable(view, nPosition, nDirection, choices);
  m_nListPos = nPosition;
  return bMoved;
}

// Plays the entry at m_nListPos to the end of its track, from the track's
// start or from the kept position, without waiting (no window is notified).
// The drive's error; 0 also when there is no such entry.
MCIERROR CCdPlayThread::PlayEntry(bool bFromKeptPosition) {
  DWORD nTrack = 0;
  ULONGLONG nLength = 0;
  if (!GetEntry(static_cast<INT_PTR>(m_nListPos), nTrack, nLength)) return 0;
  m_nTrack = nTrack;
  MCI_PLAY_PARMS play{};
  play.dwFrom = bFromKeptPosition ? static_cast<DWORD>(m_nPosition.load()) : TrackStart(nTrack);
  play.dwTo = TrackEnd(nTrack, nLength);
  return SendCommand(m_wDeviceID, MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, &play);
}

void CCdPlayThread::StopAndEnd(UINT nExitCode) {
  SendCommand(m_wDeviceID, MCI_STOP, MCI_WAIT, nullptr);
  SendCommand(m_wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr);
  SetState(CDSTATE_STOPPED);
  AfxEndThread(nExitCode, FALSE);
}

// A disc taken out, or a drive root gone, stops the worker.
void CCdPlayThread::CheckDisc(UINT nCommand) {
  if (State() == CDSTATE_PLAYING) {
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_POSITION;
    if (SendCommand(m_wDeviceID, MCI_STATUS, MCI_STATUS_ITEM, &status) == 0) m_nPosition = status.dwReturn;
  }
  if (QueryStatus(MCI_STATUS_MEDIA_PRESENT) == 0 && nCommand != CDCMD_STOP) ExecCommand(CDCMD_STOP);
  CString strRoot;
  strRoot.Format(L"%s\\", m_strDrive.GetString());
  if (::_waccess(strRoot, 0) != 0 && nCommand != CDCMD_STOP) ExecCommand(CDCMD_STOP);
}

void CCdPlayThread::ExecCommand(UINT nCommand) {
  Lock lock(m_hMutex.Get());
  CheckDisc(nCommand);
  switch (nCommand) {
    case CDCMD_POLL:
      OnPoll();
      break;
    case CDCMD_PLAY:
      if (State() != CDSTATE_PAUSED && PlayEntry(false) != 0) {
        const int64_t nTrack = m_nTrack;
        if (nTrack >= 0 && nTrack < m_aUnplayable.GetCount()) m_aUnplayable[nTrack] = 1;
      }
      break;
    case CDCMD_STOP:
      StopAndEnd(kThreadFailed);
    case CDCMD_PAUSE:
      OnPause();
      break;
    case CDCMD_PREV:
      OnMove(-1);
      break;
    case CDCMD_NEXT:
      OnMove(+1);
      break;
    default:
      break;
  }
}

void CCdPlayThread::OnPoll() {
  // A stopped drive that is not paused has played its track to the end.
  if (State() != CDSTATE_PAUSED && QueryStatus(MCI_STATUS_MODE) == MCI_MODE_STOP) ExecCommand(CDCMD_NEXT);
}

void CCdPlayThread::OnPause() {
  const DWORD_PTR dwMode = QueryStatus(MCI_STATUS_MODE);
  if (dwMode == MCI_MODE_PAUSE || dwMode == MCI_MODE_STOP) {
    SetState(CDSTATE_PLAYING);
    PlayEntry(true);  // a refusal here marks nothing
  } else if (dwMode == MCI_MODE_PLAY) {
    SendCommand(m_wDeviceID, MCI_PAUSE, MCI_WAIT, nullptr);
    SetState(CDSTATE_PAUSED);
  }
}

void CCdPlayThread::OnMove(int nDirection) {
  if (!MoveNext(nDirection)) ExecCommand(CDCMD_STOP);
  if (State() == CDSTATE_PAUSED) {
    // Stays paused at the start of the new entry's track; resuming plays from there.
    DWORD nTrack = 0;
    ULONGLONG nLength = 0;
    if (GetEntry(static_cast<INT_PTR>(m_nListPos), nTrack, nLength)) {
      m_nTrack = nTrack;
      m_nPosition = TrackStart(nTrack);
    }
  }
  ExecCommand(CDCMD_PLAY);
}

void StopCdPlayThread() {
  CCdPlayThread* pThread = g_pCdPlayThread;
  if (!pThread) return;
  pThread->m_bStop = TRUE;
  DWORD dwExitCode = 0;
  while (pThread->m_hThread && ::GetExitCodeThread(pThread->m_hThread, &dwExitCode) && dwExitCode != 0 &&
         dwExitCode != kThreadFailed) {
    ::WaitForSingleObject(pThread->m_hThread, INFINITE);
  }
  delete pThread;
  g_pCdPlayThread = nullptr;
}
