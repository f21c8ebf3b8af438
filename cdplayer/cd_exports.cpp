#include "cd_exports.h"

#include <afxdllx.h>

#include <atomic>
#include <memory>

#include "cd_play_thread.h"
#include "cd_volume.h"

namespace {

// Fills a worker with the disc in the drive: the whole disc in order, each
// track's length, no track marked. False when the drive has no readable audio disc.
bool ReadDisc(LPCWSTR lpszDrive, CCdPlayThread& worker) {
  CdDevice device(lpszDrive);
  DWORD_PTR dwTracks = 0;
  if (!device.IsOpen() || !device.Query(MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, dwTracks) || dwTracks == 0) return false;
  worker.m_aProgram.RemoveAll();
  worker.m_aLength.RemoveAll();
  worker.m_aUnplayable.RemoveAll();
  for (DWORD dwTrack = 1; dwTrack <= dwTracks; ++dwTrack) {
    DWORD_PTR dwLength = 0;
    if (!device.Query(MCI_STATUS_LENGTH, MCI_TRACK, dwTrack, dwLength)) return false;
    worker.m_aLength.Add(dwLength);
    worker.m_aProgram.Add(dwTrack - 1);
    worker.m_aUnplayable.Add(0);
  }
  return true;
}

// A worker for the first CD drive, in letter order, that holds a readable disc.
std::unique_ptr<CCdPlayThread> FindDisc(int* pnRandom, int* pnRepeat, int* pnState) {
  const DWORD dwDrives = ::GetLogicalDrives();
  for (wchar_t chDrive = L'A'; chDrive <= L'Z'; ++chDrive) {
    if (!(dwDrives & (1u << (chDrive - L'A')))) continue;
    CString strDrive;
    strDrive.Format(L"%c:", chDrive);
    if (::GetDriveTypeW(strDrive) != DRIVE_CDROM) continue;
    auto worker = std::make_unique<CCdPlayThread>();
    worker->m_pnState = pnState;
    worker->m_pnRandom = pnRandom;
    worker->m_pnRepeat = pnRepeat;
    if (!ReadDisc(strDrive, *worker)) continue;
    worker->m_chDrive = chDrive;
    return worker;
  }
  return nullptr;
}

void FlipFlag(int* pnFlag) {
  if (!pnFlag) return;
  std::atomic_ref<int> flag(*pnFlag);
  flag.store(flag.load() ? 0 : 1);
}

}  // namespace

void WINAPI OnCdplay(int* pnRandom, int* pnRepeat, int* pnState) noexcept {
  ExportBoundary([&] {
    if (!pnRandom || !pnRepeat || !pnState) return;
    const int nState = std::atomic_ref<int>(*pnState).load();
    if (nState == CDSTATE_PLAYING) return;
    if (nState == CDSTATE_PAUSED) {
      if (g_pCdPlayThread) g_pCdPlayThread->PostCommand(CDCMD_PAUSE);
      return;
    }
    // A worker still opening its drive has not set the play state yet: a
    // second call must not start another one, nor delete it under its thread.
    if (g_pCdPlayThread) {
      if (g_pCdPlayThread->ThreadRuns()) return;
      delete g_pCdPlayThread;
      g_pCdPlayThread = nullptr;
    }
    std::unique_ptr<CCdPlayThread> worker = FindDisc(pnRandom, pnRepeat, pnState);
    if (!worker) return;
    worker->m_nListPos = 0;
    worker->m_bAutoDelete = FALSE;
    if (!worker->CreateThread(0, 0, nullptr)) return;
    g_pCdPlayThread = worker.release();
  });
}

void WINAPI OnCdCommand(UINT nCommand) noexcept {
  ExportBoundary([&] {
    if (g_pCdPlayThread) g_pCdPlayThread->PostCommand(nCommand);
  });
}

void WINAPI OnCdrandom(int* pnFlag) noexcept {
  ExportBoundary([&] { FlipFlag(pnFlag); });
}

void WINAPI OnCdrepeat(int* pnFlag) noexcept {
  ExportBoundary([&] { FlipFlag(pnFlag); });
}

// The argument is not read: the player dialog passes its play state there.
void WINAPI CloseCdPlay(void*) noexcept {
  ExportBoundary([] { StopCdPlayThread(); });
}

void WINAPI OnMciCdVolume(int nStep) noexcept {
  ExportBoundary([&] { zv::cdplayer::StepCdVolume(SystemMixer(), nStep); });
}
