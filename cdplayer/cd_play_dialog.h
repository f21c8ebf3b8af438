// The CD player window: the drive, the disc's tracks, a program of tracks to
// play, repeat and random, and five image buttons driving the playback worker.
// It shows the worker's track, time and program position; closing it leaves
// the worker playing. Without a worker it watches the selected drive's disc.
#pragma once

#include <afxwin.h>
#include <afxcoll.h>
#include <afxtempl.h>

// Control ids of dialog 113.
constexpr int IDC_CD_PREV = 1112;
constexpr int IDC_CD_PLAY = 1116;
constexpr int IDC_CD_PAUSE = 1115;
constexpr int IDC_CD_STOP = 1122;
constexpr int IDC_CD_NEXT = 1114;
constexpr int IDC_CD_DRIVE = 1113;
constexpr int IDC_CD_REPEAT = 1121;
constexpr int IDC_CD_RANDOM = 1118;
constexpr int IDC_CD_TRACKS = 1957;
constexpr int IDC_CD_ADD = 1015;
constexpr int IDC_CD_REMOVE = 1222;
constexpr int IDC_CD_PROGRAM = 1698;
constexpr int IDC_CD_UP = 1966;
constexpr int IDC_CD_DOWN = 1264;
constexpr int IDC_CD_TRACK = 1642;
constexpr int IDC_CD_TIME = 1635;
constexpr int IDC_CD_POSITION = 1636;

class CCdPlayDlg : public CDialog {
 public:
  enum { IDD = 113 };

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
  void StartPlay(BOOL bRestart);
  void WatchDisc();
  void ProgramChanged(int nSelect);
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
  HANDLE m_hChange = INVALID_HANDLE_VALUE;
};

// Shows the player on the host's random flag, repeat flag and play state.
extern "C" void WINAPI OnCdPlaydef(int* pnRandom, int* pnRepeat, int* pnState) noexcept;
