#include "cd_play_dialog.h"

#include <afxdllx.h>
#include <io.h>

#include <algorithm>
#include <optional>

#include "cd_play_thread.h"
#include "cd_program.h"
#include "zvutil.h"

using namespace zv::cdplayer;

namespace {

constexpr UINT_PTR kDisplayTimer = 2;
constexpr UINT kWatchMs = 500;
constexpr UINT kPlayingMs = 200;

// The image buttons in the order of kButtonBitmaps.
constexpr int kImageButtons[7] = {IDC_CD_PREV, IDC_CD_PLAY, IDC_CD_PAUSE, IDC_CD_STOP,
                                  IDC_CD_NEXT, IDC_CD_ADD,  IDC_CD_REMOVE};

std::span<const uint64_t> Lengths(const CArray<ULONGLONG, ULONGLONG>& aLength) {
  return {aLength.GetData(), static_cast<size_t>(aLength.GetCount())};
}

// The drive's media-present answer (0 when it gives none), or nothing when it
// cannot be opened. The drive is closed again on return: a drive that is not
// shared refuses the next open while this one is held.
std::optional<LONGLONG> MediaPresent(LPCWSTR lpszDrive) {
  CdDevice device(lpszDrive);
  if (!device.IsOpen()) return std::nullopt;
  DWORD_PTR dwPresent = 0;
  device.Query(MCI_STATUS_MEDIA_PRESENT, 0, 0, dwPresent);
  return static_cast<LONGLONG>(dwPresent);
}

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
  Send(IDC_CD_TRACKS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(TrackRow(nTrack, m_aLength[nTrack]))));
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
    const std::u16string row = ProgramRow(i, m_aProgram[i], Lengths(m_aLength));
    Send(IDC_CD_PROGRAM, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(row)));
  }
  Send(IDC_CD_PROGRAM, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kProgramEndRow));
  Send(IDC_CD_PROGRAM, LB_SETCURSEL, static_cast<WPARAM>(nSelect));
}

void CCdPlayDlg::UpdateButtons(BOOL bLoad) {
  if (bLoad) {
    const HINSTANCE hResources = AfxGetResourceHandle();
    for (int i = 0; i < 7; ++i) {
      m_abmpButton[2 * i] = ::LoadBitmapW(hResources, MAKEINTRESOURCEW(kButtonBitmaps[i].normal));
      if (kButtonBitmaps[i].grey)
        m_abmpButton[2 * i + 1] = ::LoadBitmapW(hResources, MAKEINTRESOURCEW(kButtonBitmaps[i].grey));
    }
  }
  const int nState = m_pnState ? std::atomic_ref<int>(*m_pnState).load() : 0;
  const auto shown = ButtonBitmaps(nState, Send(IDC_CD_PROGRAM, LB_GETCOUNT) > 0);
  for (int i = 0; i < 7; ++i) {
    const UINT nImage = shown[i] == kButtonBitmaps[i].normal ? 0 : 1;
    if (!bLoad && nImage == m_anButtonImage[i]) continue;
    Send(kImageButtons[i], BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_abmpButton[2 * i + nImage]));
    m_anButtonImage[i] = nImage;
  }
}

void CCdPlayDlg::ShowDisplay(const DisplayTexts& texts) {
  SetDlgItemText(IDC_CD_TRACK, AsWide(texts.track));
  SetDlgItemText(IDC_CD_TIME, AsWide(texts.time));
  SetDlgItemText(IDC_CD_POSITION, AsWide(texts.position));
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
  ShowDisplay(PlayingDisplay(nTrack, nPosition, nListPos, m_aProgram.GetCount(), Lengths(m_aLength)));
  UpdateButtons(FALSE);
}

// Without a worker: notices a disc taken out, put in or changed within about
// half a second, by the drive's root, a change notification on it and the
// device's media-present answer.
void CCdPlayDlg::WatchDisc() {
  KillTimer(kDisplayTimer);
  ShowDisplay(IdleDisplay());
  const CString strDrive = SelectedDrive();
  CString strRoot;
  strRoot.Format(L"%s\\", strDrive.GetString());
  if (::_waccess(strRoot, 0) != 0) {
    FillTrackList(strDrive, TRUE);
    SetTimer(kDisplayTimer, kWatchMs);
    return;
  }
  const auto watchRoot = [&] { m_hChange.Reset(::FindFirstChangeNotificationW(strRoot, FALSE, 0x1F)); };
  if (!m_hChange.IsValid()) {
    watchRoot();
    SetTimer(kDisplayTimer, kWatchMs);
    return;
  }
  if (::WaitForSingleObject(m_hChange.Get(), 10) == WAIT_TIMEOUT) {
    ::FindNextChangeNotification(m_hChange.Get());
    if (!m_aLength.IsEmpty()) {
      UpdateButtons(FALSE);
      SetTimer(kDisplayTimer, kWatchMs);
      return;
    }
    FillTrackList(strDrive, TRUE);
  } else {
    m_hChange.Reset();
    watchRoot();
  }
  const std::optional<LONGLONG> present = MediaPresent(strDrive);
  if (!present) {
    m_bMediaPresent = 0;
    m_aProgram.RemoveAll();
    m_aLength.RemoveAll();
  } else {
    if (*present != m_bMediaPresent) FillTrackList(strDrive, TRUE);
    m_bMediaPresent = *present;
  }
  UpdateButtons(FALSE);
  SetTimer(kDisplayTimer, kWatchMs);
}

void CCdPlayDlg::StartPlay(BOOL bRestart) {
  const int nRows = static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCOUNT));
  switch (ChoosePlay(bRestart, std::atomic_ref<int>(*m_pnState).load(), nRows, m_aProgram.GetCount())) {
    case PlayChoice::Resume:
      Post(CDCMD_PAUSE);
      return;
    case PlayChoice::NoProgramRows:
      MessageBox(L"プログラムリストがありません", nullptr, MB_OK);
      return;
    case PlayChoice::NoData:
      MessageBox(L"データがありません", nullptr, MB_OK);
      return;
    case PlayChoice::Start:
      break;
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
  pThread->m_nListPos = StartPosition(static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL)), nRows);
  pThread->m_bAutoDelete = FALSE;
  pThread->CreateThread(0, 0, nullptr);
  SetTimer(kDisplayTimer, kPlayingMs);
}

template <class Edit>
void CCdPlayDlg::EditProgram(Edit edit) {
  std::vector<uint32_t> program(m_aProgram.GetData(), m_aProgram.GetData() + m_aProgram.GetCount());
  const std::optional<int> nSelect = edit(program, static_cast<int>(Send(IDC_CD_PROGRAM, LB_GETCURSEL)));
  if (!nSelect) return;
  m_aProgram.SetSize(static_cast<INT_PTR>(program.size()));
  std::copy(program.begin(), program.end(), m_aProgram.GetData());
  if (g_pCdPlayThread) g_pCdPlayThread->SetPlayList(m_aProgram);
  FillProgramList(*nSelect);
}

void CCdPlayDlg::OnBnClickedAdd() {
  const auto nTrack = static_cast<int>(Send(IDC_CD_TRACKS, LB_GETCURSEL));
  EditProgram([nTrack](std::vector<uint32_t>& program, int nSelect) { return AddToProgram(program, nSelect, nTrack); });
}

void CCdPlayDlg::OnBnClickedRemove() { EditProgram(RemoveFromProgram); }
void CCdPlayDlg::OnBnClickedUp() { EditProgram(MoveUpInProgram); }
void CCdPlayDlg::OnBnClickedDown() { EditProgram(MoveDownInProgram); }

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
