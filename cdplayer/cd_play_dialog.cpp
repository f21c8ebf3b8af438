#include "cd_play_dialog.h"

#include <afxdllx.h>
#include <io.h>

#include <utility>

#include "cd_play_thread.h"

namespace {

constexpr UINT_PTR kDisplayTimer = 2;
constexpr UINT kWatchMs = 500;
constexpr UINT kPlayingMs = 200;

// The image buttons in the order of m_abmpButton: normal and grey bitmap (0: none).
const struct {
  int nID;
  WORD wNormal, wGrey;
} kImageButtons[7] = {
    {IDC_CD_PREV, 2031, 2032}, {IDC_CD_PLAY, 2038, 2039}, {IDC_CD_PAUSE, 2036, 2037}, {IDC_CD_STOP, 2042, 2043},
    {IDC_CD_NEXT, 2034, 2035}, {IDC_CD_ADD, 2045, 0},     {IDC_CD_REMOVE, 2033, 0},
};

int MsfMinutes(ULONGLONG nMsf) { return static_cast<int>(nMsf & 0xFF); }
int MsfSeconds(ULONGLONG nMsf) { return static_cast<int>((nMsf >> 8) & 0xFF); }

}  // namespace

BEGIN_MESSAGE_MAP(CCdPlayDlg, CDialog)
ON_BN_CLICKED(IDC_CD_ADD, &CCdPlayDlg::OnBnClickedAdd)
ON_BN_CLICKED(IDC_CD_PREV, &CCdPlayDlg::OnBnClickedPrev)
ON_CBN_SELCHANGE(IDC_CD_DRIVE, &CCdPlayDlg::OnCbnSelchangeDrive)
ON_BN_CLICKED(IDC_CD_NEXT, &CCdPlayDlg::OnBnClickedNext)
ON_BN_CLICKED(IDC_CD_PAUSE, &CCdPlayDlg::OnBnClickedPause)
ON_BN_CLICKED(IDC_CD_PLAY, &CCdPlayDlg::OnBnClickedPlay)
ON_BN_CLICKED(IDC_CD_RANDOM, &CCdPlayDlg::OnBnClickedRandom)
ON_BN_CLICKED(IDC_CD_REPEAT, &CCdPlayDlg::OnBnClickedRepeat)
ON_BN_CLICKED(IDC_CD_STOP, &CCdPlayDlg::OnBnClickedStop)
ON_BN_CLICKED(IDC_CD_REMOVE, &CCdPlayDlg::OnBnClickedRemove)
ON_BN_CLICKED(IDC_CD_DOWN, &CCdPlayDlg::OnBnClickedDown)
ON_LBN_DBLCLK(IDC_CD_PROGRAM, &CCdPlayDlg::OnLbnDblclkProgram)
ON_BN_CLICKED(IDC_CD_UP, &CCdPlayDlg::OnBnClickedUp)
ON_WM_TIMER()
END_MESSAGE_MAP()

CCdPlayDlg::CCdPlayDlg() : CDialog(IDD) {}

// The worker is left as it is: playback outlives the window.
CCdPlayDlg::~CCdPlayDlg() {
  if (m_fontDisplay) ::DeleteObject(m_fontDisplay);
  for (HBITMAP hBitmap : m_abmpButton)
    if (hBitmap) ::DeleteObject(hBitmap);
  if (m_hChange != INVALID_HANDLE_VALUE) ::FindCloseChangeNotification(m_hChange);
}

BOOL CCdPlayDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  UpdateButtons(TRUE);
  const DWORD dwDrives = ::GetLogicalDrives();
  for (wchar_t chDrive = L'A'; chDrive <= L'Z'; ++chDrive) {
    CString strDrive;
    strDrive.Format(L"%c:", chDrive);
    if ((dwDrives & (1u << (chDrive - L'A'))) && ::GetDriveTypeW(strDrive) == DRIVE_CDROM)
      Send(IDC_CD_DRIVE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strDrive.GetString()));
  }
  const int nDrives = static_cast<int>(Send(IDC_CD_DRIVE, CB_GETCOUNT));
  int nSelect = 0;
  for (int i = 0; g_pCdPlayThread && i < nDrives; ++i) {
    wchar_t szDrive[8] = {};
    if (Send(IDC_CD_DRIVE, CB_GETLBTEXTLEN, i) < 8)
      Send(IDC_CD_DRIVE, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(szDrive));
    if (szDrive[0] == g_pCdPlayThread->m_chDrive) {
      nSelect = i;
      break;
    }
  }
  Send(IDC_CD_DRIVE, CB_SETCURSEL, nSelect);
  if (nDrives == 0) {
    MessageBox(L"有効なCD-ROMドライブが有りません", nullptr, MB_OK);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  CheckDlgButton(IDC_CD_RANDOM, *m_pnRandom ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(IDC_CD_REPEAT, *m_pnRepeat ? BST_CHECKED : BST_UNCHECKED);
  FillTrackList(SelectedDrive(), g_pCdPlayThread == nullptr);
  UpdateButtons(FALSE);

  // The display font fills its field: the system font's shape, fixed pitch, heavy.
  ::GetObjectW(::GetStockObject(SYSTEM_FONT), sizeof m_lfDisplay, &m_lfDisplay);
  RECT rect{};
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_CD_TRACK), &rect);
  m_lfDisplay.lfHeight = (rect.bottom - rect.top) - 10;
  m_lfDisplay.lfWidth = m_lfDisplay.lfHeight / 2;
  m_lfDisplay.lfWeight = 1000;
  m_lfDisplay.lfPitchAndFamily = FIXED_PITCH;
  wcscpy_s(m_lfDisplay.lfFaceName, L"ＭＳ ゴシック");
  m_fontDisplay = ::CreateFontIndirectW(&m_lfDisplay);
  for (int nID : {IDC_CD_TRACK, IDC_CD_TIME, IDC_CD_POSITION})
    Send(nID, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontDisplay), TRUE);

  m_bMediaPresent = 1;
  SetTimer(kDisplayTimer, kWatchMs);
  return TRUE;
}

CString CCdPlayDlg::SelectedDrive() {
  CString strDrive;
  ::GetDlgItemTextW(m_hWnd, IDC_CD_DRIVE, strDrive.GetBuffer(16), 16);
  strDrive.ReleaseBuffer();
  return strDrive;
}

void CCdPlayDlg::AddTrackRow(INT_PTR nTrack) {
  CString strRow;
  strRow.Format(L"Track %02d [%02d:%02d]", static_cast<int>(nTrack + 1), MsfMinutes(m_aLength[nTrack]),
                MsfSeconds(m_aLength[nTrack]));
  Send(IDC_CD_TRACKS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strRow.GetString()));
}

void CCdPlayDlg::FillTrackList(const CString& strDrive, BOOL bReset) {
  Send(IDC_CD_TRACKS, LB_RESETCONTENT);
  if (!bReset && g_pCdPlayThread) {
    // The worker's thread does not change these two: read without the lock.
    m_aProgram.Copy(g_pCdPlayThread->m_aProgram);
    m_aLength.Copy(g_pCdPlayThread->m_aLength);
    for (INT_PTR i = 0; i < m_aLength.GetCount(); ++i) AddTrackRow(i);
    FillProgramList(static_cast<int>(g_pCdPlayThread->m_nListPos.load()));
    return;
  }
  m_aProgram.RemoveAll();
  m_aLength.RemoveAll();
  CdDevice device(strDrive);
  if (!device.IsOpen()) {
    FillProgramList(0);
    return;
  }
  DWORD_PTR dwTracks = 0;
  if (!device.Query(MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, dwTracks)) dwTracks = 0;
  for (DWORD dwTrack = 1; dwTrack <= dwTracks; ++dwTrack) {
    DWORD_PTR dwLength = 0;
    if (!device.Query(MCI_STATUS_LENGTH, MCI_TRACK, dwTrack, dwLength)) break;
    AddTrackRow(m_aLength.Add(dwLength));
    if (bReset) m_aProgram.Add(dwTrack - 1);
  }
  FillProgramList(0);
}

void CCdPlayDlg::FillProgramList(int nSelect) {
  Send(IDC_CD_PROGRAM, LB_RESETCONTENT);
  for (INT_PTR i = 0; i < m_aProgram.GetCount(); ++i) {
    const DWORD nTrack = m_aProgram[i];
    const ULONGLONG nLength = nTrack < static_cast<DWORD>(m_aLength.GetCount()) ? m_aLength[nTrack] : 0;
    CString strRow;
    strRow.Format(L"%02d:Track %02d [%02d:%02d]", static_cast<int>(i + 1), static_cast<int>(nTrack + 1),
                  MsfMinutes(nLength), MsfSeconds(nLength));
    Send(IDC_CD_PROGRAM, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strRow.GetString()));
  }
  Send(IDC_CD_PROGRAM, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"末尾"));
  Send(IDC_CD_PROGRAM, LB_SETCURSEL, static_cast<WPARAM>(nSelect));
}

void CCdPlayDlg::UpdateButtons(BOOL bLoad) {
  if (bLoad) {
    const HINSTANCE hResources = AfxGetResourceHandle();
    for (int i = 0; i < 7; ++i) {
      m_abmpButton[2 * i] = ::LoadBitmapW(hResources, MAKEINTRESOURCEW(kImageButtons[i].wNormal));
      if (kImageButtons[i].wGrey)
        m_abmpButton[2 * i + 1] = ::LoadBitmapW(hResources, MAKEINTRESOURCEW(kImageButtons[i].wGrey));
    }
  }
  // Grey pictures only: every button stays enabled.
  const int nState = m_pnState ? std::atomic_ref<int>(*m_pnState).load() : 0;
  UINT anImage[7] = {};
  if (nState == CDSTATE_STOPPED) {
    const bool bHasRows = Send(IDC_CD_PROGRAM, LB_GETCOUNT) > 0;
    const UINT stopped[5] = {1, bHasRows ? 0u : 1u, 1, 1, 1};
    std::copy(std::begin(stopped), std::end(stopped), anImage);
  } else {
    anImage[1] = nState == CDSTATE_PAUSED ? 0 : 1;
  }
  for (int i = 0; i < 7; ++i) {
    if (!bLoad && anImage[i] == m_anButtonImage[i]) continue;
    Send(kImageButtons[i].nID, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_abmpButton[2 * i + anImage[i]]));
    m_anButtonImage[i] = anImage[i];
  }
}

void CCdPlayDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kDisplayTimer) return;
  if (!g_pCdPlayThread) {
    WatchDisc();
    return;
  }
  // Read while the worker writes them: each is one atomic value.
  const auto nPosition = static_cast<DWORD>(g_pCdPlayThread->m_nPosition.load());
  const long long nListPos = g_pCdPlayThread->m_nListPos.load();
  const long long nTrack = g_pCdPlayThread->m_nTrack.load();
  const ULONGLONG nLength = nTrack >= 0 && nTrack < m_aLength.GetCount() ? m_aLength[nTrack] : 0;
  CString strText;
  strText.Format(L"%02lld", nTrack + 1);
  SetDlgItemText(IDC_CD_TRACK, strText);
  strText.Format(L"%02d:%02d(%02d:%02d)", static_cast<int>((nPosition >> 8) & 0xFF),
                 static_cast<int>((nPosition >> 16) & 0xFF), MsfMinutes(nLength), MsfSeconds(nLength));
  SetDlgItemText(IDC_CD_TIME, strText);
  strText.Format(L"%02lld/%02lld", nListPos + 1, static_cast<long long>(m_aProgram.GetCount()));
  SetDlgItemText(IDC_CD_POSITION, strText);
  UpdateButtons(FALSE);
}

// Without a worker: notices a disc taken out, put in or changed within about
// half a second, by the drive's root, a change notification on it and the
// device's media-present answer.
void CCdPlayDlg::WatchDisc() {
  KillTimer(kDisplayTimer);
  SetDlgItemText(IDC_CD_TRACK, L"00");
  SetDlgItemText(IDC_CD_TIME, L"00:00(00:00)");
  SetDlgItemText(IDC_CD_POSITION, L"00/00");
  const CString strDrive = SelectedDrive();
  CString strRoot;
  strRoot.Format(L"%s\\", strDrive.GetString());
  if (::_waccess(strRoot, 0) != 0) {
    FillTrackList(strDrive, TRUE);
    SetTimer(kDisplayTimer, kWatchMs);
    return;
  }
  const auto watchRoot = [&] { m_hChange = ::FindFirstChangeNotificationW(strRoot, FALSE, 0x1F); };
  if (m_hChange == INVALID_HANDLE_VALUE) {
    watchRoot();
    SetTimer(kDisplayTimer, kWatchMs);
    return;
  }
  if (::WaitForSingleObject(m_hChange, 10) == WAIT_TIMEOUT) {
    ::FindNextChangeNotification(m_hChange);
    if (!m_aLength.IsEmpty()) {
      UpdateButtons(FALSE);
      SetTimer(kDisplayTimer, kWatchMs);
      return;
    }
    FillTrackList(strDrive, TRUE);
  } else {
    ::FindCloseChangeNotification(m_hChange);
    watchRoot();
  }
  CdDevice device(strDrive);
  if (!device.IsOpen()) {
    m_bMediaPresent = 0;
    m_aProgram.RemoveAll();
    m_aLength.RemoveAll();
  } else {
    DWORD_PTR dwPresent = 0;
    device.Query(MCI_STATUS_MEDIA_PRESENT, 0, 0, dwPresent);
    if (static_cast<LONGLONG>(dwPresent) != m_bMediaPresent) FillTrackList(strDrive, TRUE);
    m_bMediaPresent = static_cast<LONGLONG>(dwPresent);
  }
  UpdateButtons(FALSE);
  SetTimer(kDisplayTimer, kWatchMs);
}

void CCdPlayDlg::StartPlay(BOOL bRestart) {
  if (!bRestart && std::atomic_ref<int>(*m_pnState).load() == CDSTATE_PAUSED) {
    Post(CDCMD_PAUSE);
    return;
  }
  if (Send(IDC_CD_PROGRAM, LB_GETCOUNT) <= 0) {
    MessageBox(L"プログラムリストがありません", nullptr, MB_OK);
    return;
  }
  if (m_aProgram.IsEmpty()) {
    MessageBox(L"データがありません", nullptr, MB_OK);
    return;
  }
  StopCdPlayThread();
  auto* pThread = new CCdPlayThread;
  g_pCdPlayThread = pThread;
  pThread->m_pnState = m_pnState;
  pThread->m_pnRepeat = m_pnRepeat;
  pThread->m_pnRandom = m_pnRandom;
  pThread->m_aProgram.Copy(m_aProgram);
  pThread->m_aLength.Copy(m_aLength);
  pThread->m_aUnplayable.SetSize(m_aLength.GetCount());
  std::atomic_ref<int>(*m_pnRandom).store(IsDlgButtonChecked(IDC_CD_RANDOM) == BST_CHECKED);
  std::atomic_ref<int>(*m_pnRepeat).store(IsDlgButtonChecked(IDC_CD_REPEAT) == BST_CHECKED);
  pThread->m_chDrive = SelectedDrive()[0];
  const auto nSelect = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL));
  const auto nRows = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCOUNT));
  pThread->m_nListPos = nSelect == LB_ERR || nSelect + 1 == nRows ? 0 : nSelect;
  pThread->m_bAutoDelete = FALSE;
  pThread->CreateThread(0, 0, nullptr);
  SetTimer(kDisplayTimer, kPlayingMs);
}

void CCdPlayDlg::ProgramChanged(int nSelect) {
  if (g_pCdPlayThread) g_pCdPlayThread->SetPlayList(m_aProgram);
  FillProgramList(nSelect);
}

void CCdPlayDlg::OnBnClickedAdd() {
  const auto nTrack = static_cast<int>(Send(IDC_CD_TRACKS, LB_GETCURSEL));
  if (nTrack == LB_ERR) return;
  const auto nSelect = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL));
  if (nSelect != LB_ERR && nSelect < m_aProgram.GetCount())
    m_aProgram.InsertAt(nSelect, static_cast<DWORD>(nTrack));
  else
    m_aProgram.Add(static_cast<DWORD>(nTrack));
  ProgramChanged(nSelect);
}

void CCdPlayDlg::OnBnClickedRemove() {
  const auto nSelect = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL));
  if (nSelect == LB_ERR || nSelect >= m_aProgram.GetCount()) return;
  m_aProgram.RemoveAt(nSelect);
  ProgramChanged(nSelect);
}

void CCdPlayDlg::OnBnClickedUp() {
  const auto nSelect = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL));
  if (nSelect < 1 || nSelect >= m_aProgram.GetCount()) return;
  std::swap(m_aProgram[nSelect - 1], m_aProgram[nSelect]);
  ProgramChanged(nSelect - 1);
}

void CCdPlayDlg::OnBnClickedDown() {
  const auto nSelect = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL));
  if (nSelect < 0 || nSelect >= m_aProgram.GetCount() - 1) return;
  std::swap(m_aProgram[nSelect], m_aProgram[nSelect + 1]);
  ProgramChanged(nSelect + 1);
}

void CCdPlayDlg::Post(UINT nCommand) {
  if (g_pCdPlayThread) g_pCdPlayThread->PostCommand(nCommand);
}

void CCdPlayDlg::OnBnClickedPrev() { Post(CDCMD_PREV); }
void CCdPlayDlg::OnBnClickedPause() { Post(CDCMD_PAUSE); }
void CCdPlayDlg::OnBnClickedNext() { Post(CDCMD_NEXT); }
void CCdPlayDlg::OnBnClickedPlay() { StartPlay(FALSE); }
void CCdPlayDlg::OnLbnDblclkProgram() { StartPlay(TRUE); }
// The next tick finds no worker and goes back to watching the disc.
void CCdPlayDlg::OnBnClickedStop() { StopCdPlayThread(); }

// Without a worker the flags are written when play starts.
void CCdPlayDlg::OnBnClickedRandom() {
  if (g_pCdPlayThread)
    std::atomic_ref<int>(*g_pCdPlayThread->m_pnRandom).store(IsDlgButtonChecked(IDC_CD_RANDOM) == BST_CHECKED);
}

void CCdPlayDlg::OnBnClickedRepeat() {
  if (g_pCdPlayThread)
    std::atomic_ref<int>(*g_pCdPlayThread->m_pnRepeat).store(IsDlgButtonChecked(IDC_CD_REPEAT) == BST_CHECKED);
}

void CCdPlayDlg::OnCbnSelchangeDrive() {
  StopCdPlayThread();
  FillTrackList(SelectedDrive(), TRUE);
}

void WINAPI OnCdPlaydef(int* pnRandom, int* pnRepeat, int* pnState) noexcept {
  ExportBoundary([&] {
    if (!pnRandom || !pnRepeat || !pnState) return;
    CCdPlayDlg dialog;
    dialog.m_pnRandom = pnRandom;
    dialog.m_pnRepeat = pnRepeat;
    dialog.m_pnState = pnState;
    dialog.DoModal();
  });
}
