// The CD playback worker: opens the drive through MCI on its own thread, plays
// the program's entries one after another and carries out the commands that
// the host hands it. It sends nothing to any window; the host's play-state
// variable and the fields below are what others read.
#pragma once

#include <afxwin.h>
#include <afxcoll.h>
#include <afxtempl.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "cd_program.h"
#include "scoped_handle.h"

// Command codes of OnCdCommand and PostCommand.
constexpr UINT CDCMD_POLL = 0;
constexpr UINT CDCMD_PLAY = 1;
constexpr UINT CDCMD_STOP = 2;
constexpr UINT CDCMD_PAUSE = 3;
constexpr UINT CDCMD_PREV = 4;
constexpr UINT CDCMD_NEXT = 5;

class CCdPlayThread : public CWinThread {
 public:
  CCdPlayThread();

  // The whole life of the worker; it ends its thread and never returns.
  BOOL InitInstance() override;

  // Both callable from any thread.
  void PostCommand(UINT nCommand);
  void SetPlayList(const CDWordArray& aProgram);
  bool ThreadRuns() const;

  std::atomic<BOOL> m_bStop{FALSE};
  wchar_t m_chDrive = L'\0';
  int* m_pnRepeat = nullptr;
  int* m_pnRandom = nullptr;
  // Read by other threads while the worker writes them.
  alignas(8) std::atomic<int64_t> m_nListPos{-1};
  alignas(8) std::atomic<int64_t> m_nTrack{-1};
  alignas(8) std::atomic<uint64_t> m_nPosition{0};  // the last play position, TMSF in the low 32 bits
  CDWordArray m_aProgram;
  CArray<ULONGLONG, ULONGLONG> m_aLength;  // MSF per track of the disc
  CByteArray m_aUnplayable;
  int* m_pnState = nullptr;
  UINT m_nCommand = 0;
  CString m_strDrive;
  MCIDEVICEID m_wDeviceID = 0;
  ScopedHandle m_hMutex;
  ScopedHandle m_hEvent;

  DECLARE_MESSAGE_MAP()

 private:
  class Lock;

  void ExecCommand(UINT nCommand);
  bool GetEntry(INT_PTR nPosition, DWORD& nTrack, ULONGLONG& nLength) const;
  bool MoveNext(int nDirection);
  MCIERROR PlayEntry(bool bFromKeptPosition);
  void CheckDisc(UINT nCommand);
  void OnPoll();
  void OnPause();
  void OnMove(int nDirection);
  [[noreturn]] void StopAndEnd(UINT nExitCode);
  DWORD_PTR QueryStatus(DWORD dwItem, MCIERROR* pError = nullptr) const;
  int State() const;
  void SetState(int nState) const;
};

// Opens the CD audio device of a drive named "D:"; 0 or the MCI error.
MCIERROR OpenCdDevice(LPCWSTR lpszDrive, MCIDEVICEID& wDeviceID);

// An open CD device, closed on every way out.
class CdDevice {
 public:
  explicit CdDevice(LPCWSTR lpszDrive) : m_error(OpenCdDevice(lpszDrive, m_wDeviceID)) {}
  ~CdDevice() {
    if (m_error == 0) ::mciSendCommandW(m_wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  }
  CdDevice(const CdDevice&) = delete;
  CdDevice& operator=(const CdDevice&) = delete;

  bool IsOpen() const { return m_error == 0; }
  // The answer to a status query, or false when the drive gives none.
  bool Query(DWORD dwItem, DWORD dwFlags, DWORD dwTrack, DWORD_PTR& dwReturn) const {
    MCI_STATUS_PARMS status{};
    status.dwItem = dwItem;
    status.dwTrack = dwTrack;
    if (::mciSendCommandW(m_wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT | dwFlags,
                          reinterpret_cast<DWORD_PTR>(&status)) != 0)
      return false;
    dwReturn = status.dwReturn;
    return true;
  }

 private:
  MCIDEVICEID m_wDeviceID = 0;
  MCIERROR m_error;
};

// The one worker of the module; null when there is none.
extern CCdPlayThread* g_pCdPlayThread;

// Sets the stop request, waits for the worker's thread to end and deletes it.
void StopCdPlayThread();
