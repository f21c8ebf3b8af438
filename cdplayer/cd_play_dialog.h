// The CD player window: the drive, the disc's tracks, a program of tracks to
// play, repeat and random, and five image buttons driving the playback worker.
// It shows the worker's track, time and program position; closing it leaves
// the worker playing. Without a worker it watches the selected drive's disc.
#pragma once

#include <afxwin.h>
#include <afxcoll.h>
#include <afxtempl.h>

#include "cd_program.h"
#include "cdplayer_ids.h"
#include "scoped_handle.h"

class CCdPlayDlg : public CDialog {
 public:
  enum { IDD = IDD_CD_PLAY };

  CCdPlayDlg();
  ~CCdPlayDlg() override;

  int* m_pnState = nullptr;
  int* m_pnRepeat = nullptr;
  int* m_pnRandom = nullptr;

 protected:
  BOOL OnInitDialog() override;

  void OnBnClickedAdd();
  void OnBnClickedRemove();
  void OnBnClickedUp();
  void OnBnClickedDown();
  void OnBnClickedPrev();
  void OnBnClickedPlay();
  void OnBnClickedPause();
  void OnBnClickedStop();
  void OnBnClickedNext();
  void OnBnClickedRandom();
  void OnBnClickedRepeat();
  void OnCbnSelchangeDrive();
  void OnLbnDblclkProgram();
  void OnTimer(UINT_PTR nIDEvent);

  DECLARE_MESSAGE_MAP()

 private:
  void FillTrackList(const CString& strDrive, BOOL bReset);
  void AddTrackRow(INT_PTR nTrack);
  void FillProgramList(int nSelect);
  void UpdateButtons(BOOL bLoad);
  void ShowDisplay(const zv::cdplayer::DisplayTexts& texts);
  void StartPlay(BOOL bRestart);
  void WatchDisc();
  // edit(program, selected row) changes the program and gives the row to select.
  template <class Edit>
  void EditProgram(Edit edit);
  void Post(UINT nCommand);
  CString SelectedDrive();
  LRESULT Send(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
  }

  HBITMAP m_abmpButton[14] = {};
  CDWordArray m_aProgram;
  CArray<ULONGLONG, ULONGLONG> m_aLength;  // MSF per track of the disc
  UINT m_anButtonImage[7] = {};
  HFONT m_fontDisplay = nullptr;
  LOGFONTW m_lfDisplay = {};
  LONGLONG m_bMediaPresent = 0;
  ScopedChangeNotification m_hChange{INVALID_HANDLE_VALUE};
};

// Shows the player on the host's random flag, repeat flag and play state.
extern "C" void WINAPI OnCdPlaydef(int* pnRandom, int* pnRepeat, int* pnState) noexcept;
