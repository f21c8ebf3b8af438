// The CD player dialog through OnCdPlaydef of ZvDll.dll, driven as a person
// drives it, against the simulated drives.
#include "cd_sim.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "cd_play_dialog.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"
#include "support.h"

namespace {

using namespace zvtest;

const std::vector<CdTrack> kDisc = {{CdFrames(3, 0)}, {CdFrames(0, 20)}, {CdFrames(2, 0), false}, {CdFrames(1, 0)}};
const std::vector<std::wstring> kNoProgram = {L"末尾"};

// The periods the library asks for its display timer (id 2), in order, a
// repeated period written once; seen through its import of SetTimer.
std::mutex g_timerLock;
std::vector<UINT> g_periods;
UINT_PTR(WINAPI* g_setTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = nullptr;
UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
  if (id == 2) {
    std::lock_guard lock(g_timerLock);
    if (g_periods.empty() || g_periods.back() != period) g_periods.push_back(period);
  }
  return g_setTimer(window, id, period, proc);
}

HMODULE Library() {
  static HMODULE library = [] {
    HMODULE module = ::LoadLibraryW(L"ZvDll.dll");
    g_setTimer = ReplaceImport(module, "user32.dll", "SetTimer", &RecordingSetTimer);
    return module;
  }();
  return library;
}
template <class Fn>
Fn Export(const char* name) {
  return GetExport<Fn>(Library(), name);
}

class CdDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Ok()) << Utf8(sim_.Error());
    ASSERT_TRUE(Library()) << "ZvDll.dll: error " << GetLastError();
    ASSERT_TRUE(g_setTimer) << "ZvDll.dll does not import SetTimer";
  }
  void TearDown() override { Export<void(WINAPI*)(void*)>("CloseCdPlay")(nullptr); }

  int State() { return std::atomic_ref<int>(state_).load(); }
  // Runs the dialog while person plays the user on a watcher thread.
  void Show(const std::function<void(HWND)>& person) {
    {
      std::lock_guard lock(g_timerLock);
      g_periods.clear();
    }
    UiScript script([&] { person(RequireDialog(L"CDの再生")); }, 60000);
    Export<void(WINAPI*)(int*, int*, int*)>("OnCdPlaydef")(&random_, &repeat_, &state_);
    EXPECT_TRUE(script.Join()) << script.Failure();
  }
  bool Played(const std::string& from) {
    return WaitForCondition([&] {
      for (const CdLogEntry& e : sim_.Log(GetCurrentProcessId()))
        if (e.command == "PLAY" && e.Param("from") == from) return true;
      return false;
    });
  }

  // The display timer's periods during the last Show.
  std::vector<UINT> Periods() {
    std::lock_guard lock(g_timerLock);
    return g_periods;
  }

  CdSim sim_;
  int random_ = 0, repeat_ = 0, state_ = 0;
};

// The pixels of a bitmap as 32-bit colours.
std::vector<DWORD> Pixels(HBITMAP bitmap) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 15;
  info.bmiHeader.biHeight = -15;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(15 * 15);
  HDC screen = GetDC(nullptr);
  const int rows = bitmap ? GetDIBits(screen, bitmap, 0, 15, pixels.data(), &info, DIB_RGB_COLORS) : 0;
  ReleaseDC(nullptr, screen);
  return rows == 15 ? pixels : std::vector<DWORD>{};
}
// Which of the library's bitmaps each transport button shows, by their pixels.
std::vector<int> ButtonBitmaps(HWND dlg) {
  std::vector<int> shown;
  for (int id : {IDC_CD_PREV, IDC_CD_PLAY, IDC_CD_PAUSE, IDC_CD_STOP, IDC_CD_NEXT}) {
    const auto image = reinterpret_cast<HBITMAP>(SendMessageW(GetDlgItem(dlg, id), BM_GETIMAGE, IMAGE_BITMAP, 0));
    int found = 0;
    for (int resource = 2031; resource <= 2045 && !found; ++resource) {
      HBITMAP own = LoadBitmapW(GetModuleHandleW(L"ZvDll.dll"), MAKEINTRESOURCEW(resource));
      if (own && Pixels(own) == Pixels(image)) found = resource;
      if (own) DeleteObject(own);
    }
    shown.push_back(found);
  }
  return shown;
}

void Select(HWND dlg, int list, int row) { Require(SelectIndex(dlg, list, row), "select row"); }
void Press(HWND dlg, int button) { Require(Click(dlg, button), "click " + std::to_string(button)); }
void ExpectProgram(HWND dlg, const std::vector<std::wstring>& rows, int selected) {
  Require(WaitForCondition([&] { return Items(dlg, IDC_CD_PROGRAM) == rows; }, 3000),
          "program list: " + Utf8(Items(dlg, IDC_CD_PROGRAM).back()));
  EXPECT_EQ(Selection(dlg, IDC_CD_PROGRAM), selected);
}

// Double-clicks a row as a person does: the first click has selected it.
void DoubleClick(HWND dlg, int list, int row) {
  Select(dlg, list, row);
  HWND box = GetDlgItem(dlg, list);
  RECT rect{};
  DWORD_PTR found = 0;
  const auto asked =
      SendMessageTimeoutW(box, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect), SMTO_NORMAL, 3000, &found);
  Require(asked && found != static_cast<DWORD_PTR>(LB_ERR), "no row " + std::to_string(row));
  const POINT at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  Require(PostMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y)), "double-click");
}
// Waits until the three display fields show track, time and program position.
void ExpectDisplay(HWND dlg, const std::wstring& track, const std::wstring& time, const std::wstring& position) {
  const std::vector<std::wstring> expected = {track, time, position};
  std::vector<std::wstring> shown;
  if (WaitForCondition(
          [&] {
            shown = {GetText(dlg, IDC_CD_TRACK), GetText(dlg, IDC_CD_TIME), GetText(dlg, IDC_CD_POSITION)};
            return shown == expected;
          },
          3000))
    return;
  ADD_FAILURE() << "display " << Utf8(shown[0]) << " " << Utf8(shown[1]) << " " << Utf8(shown[2]) << ", expected "
                << Utf8(track) << " " << Utf8(time) << " " << Utf8(position);
}

const std::vector<std::wstring> kTracks = {L"Track 01 [03:00]", L"Track 02 [00:20]", L"Track 03 [02:00]",
                                           L"Track 04 [01:00]"};

TEST_F(CdDialogTest, BuildsTheProgramAndDrivesTheWorker) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Show([&](HWND dlg) {
    EXPECT_EQ(Items(dlg, IDC_CD_DRIVE), (std::vector<std::wstring>{L"D:", L"E:"}));
    EXPECT_EQ(Selection(dlg, IDC_CD_DRIVE), 0);
    EXPECT_TRUE(Items(dlg, IDC_CD_TRACKS).empty()) << "D: is empty";
    ExpectProgram(dlg, kNoProgram, 0);
    EXPECT_EQ(GetText(dlg, IDC_CD_TIME), L"00:00(00:00)");
    // Not playing (state 0): play grey, the others black.
    EXPECT_EQ(ButtonBitmaps(dlg), (std::vector<int>{2031, 2039, 2036, 2042, 2034}));

    Require(SelectIndex(dlg, IDC_CD_DRIVE, 1), "choose E:");
    Require(WaitForCondition([&] { return Items(dlg, IDC_CD_TRACKS) == kTracks; }, 3000), "tracks of E:");
    const std::wstring rows[] = {L"01:Track 01 [03:00]", L"02:Track 02 [00:20]", L"03:Track 03 [02:00]",
                                 L"04:Track 04 [01:00]"};
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"末尾"}, 0);

    // With 末尾 selected, Add appends and selects the new entry; the next Add goes before it.
    Select(dlg, IDC_CD_PROGRAM, 4);
    Select(dlg, IDC_CD_TRACKS, 1);
    Press(dlg, IDC_CD_ADD);
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"05:Track 02 [00:20]", L"末尾"}, 4);
    Select(dlg, IDC_CD_TRACKS, 0);
    Press(dlg, IDC_CD_ADD);
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"05:Track 01 [03:00]", L"06:Track 02 [00:20]", L"末尾"},
                  4);
    Press(dlg, IDC_CD_UP);
    ExpectProgram(
        dlg,
        {rows[0], rows[1], rows[2], L"04:Track 01 [03:00]", L"05:Track 04 [01:00]", L"06:Track 02 [00:20]", L"末尾"},
        3);
    Press(dlg, IDC_CD_DOWN);
    Press(dlg, IDC_CD_REMOVE);
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"05:Track 02 [00:20]", L"末尾"}, 4);
    Press(dlg, IDC_CD_REMOVE);  // the last entry: 末尾 stays selected
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"末尾"}, 4);
    Press(dlg, IDC_CD_DOWN);  // nothing below 末尾
    Press(dlg, IDC_CD_UP);    // nor above it
    ExpectProgram(dlg, {rows[0], rows[1], rows[2], rows[3], L"末尾"}, 4);

    // Repeat ticked without a worker reaches the host only when play starts.
    Press(dlg, IDC_CD_REPEAT);
    Require(WaitForCondition([&] { return IsChecked(dlg, IDC_CD_REPEAT); }), "repeat ticked");
    EXPECT_EQ(std::atomic_ref<int>(repeat_).load(), 0);
    Select(dlg, IDC_CD_PROGRAM, 1);
    Press(dlg, IDC_CD_PLAY);
    Require(Played("2:00:00:00"), "play from the selected entry");
    Require(WaitForText(dlg, IDC_CD_POSITION, L"02/04", 3000), "program position");
    EXPECT_EQ(GetText(dlg, IDC_CD_TRACK), L"02");
    EXPECT_EQ(std::atomic_ref<int>(repeat_).load(), 1);

    Press(dlg, IDC_CD_PAUSE);
    Require(WaitForCondition([&] { return State() == 3; }, 3000), "paused");
    Require(WaitForCondition([&] { return ButtonBitmaps(dlg)[1] == 2038; }, 3000), "play resumes: black");
    Press(dlg, IDC_CD_PREV);
    Require(WaitForText(dlg, IDC_CD_POSITION, L"01/04", 3000), "previous while paused");
    Press(dlg, IDC_CD_PAUSE);
    Require(Played("1:00:00:00"), "resumed at the start of the previous entry");

    Press(dlg, IDC_CD_STOP);
    Require(WaitForCondition([&] { return State() == 2; }, 5000), "stopped");
    Require(WaitForText(dlg, IDC_CD_POSITION, L"00/00", 3000), "idle again");
    const std::vector<int> stopped = {2032, 2038, 2037, 2043, 2035};
    Require(WaitForCondition([&] { return ButtonBitmaps(dlg) == stopped; }, 3000), "stopped: only play black");
    Press(dlg, IDC_CD_PLAY);
    Require(WaitForCondition([&] { return State() == 1; }, 5000), "playing again");
    Press(dlg, IDOK);
  });
  EXPECT_EQ(State(), 1) << "closing the dialog leaves the disc playing";
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PLAY});
  EXPECT_EQ(Periods(), (std::vector<UINT>{500, 200, 500, 200})) << "watching, playing, watching after Stop, playing";
}

// The host plays the disc with its commands, then opens the player twice: it
// shows that worker, takes its program and position, hands it an edited
// program, and closing it leaves the disc as it was.
TEST_F(CdDialogTest, OpensOverTheRunningWorker) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  repeat_ = 1;
  Export<void(WINAPI*)(int*, int*, int*)>("OnCdplay")(&random_, &repeat_, &state_);
  ASSERT_TRUE(Played("1:00:00:00"));
  const auto command = Export<void(WINAPI*)(UINT)>("OnCdCommand");
  command(5);
  ASSERT_TRUE(Played("2:00:00:00"));
  ASSERT_TRUE(sim_.Advance(12000));
  const std::vector<int> playing = {2031, 2039, 2036, 2042, 2034};
  const std::vector<std::wstring> edited = {L"01:Track 01 [03:00]", L"02:Track 02 [00:20]", L"03:Track 01 [03:00]",
                                            L"04:Track 03 [02:00]", L"05:Track 04 [01:00]", L"末尾"};
  Show([&](HWND dlg) {
    EXPECT_EQ(Selection(dlg, IDC_CD_DRIVE), 1) << "the worker's drive, E:";
    EXPECT_EQ(Items(dlg, IDC_CD_TRACKS), kTracks);
    ExpectProgram(
        dlg, {L"01:Track 01 [03:00]", L"02:Track 02 [00:20]", L"03:Track 03 [02:00]", L"04:Track 04 [01:00]", L"末尾"},
        1);
    EXPECT_TRUE(IsChecked(dlg, IDC_CD_REPEAT));
    EXPECT_FALSE(IsChecked(dlg, IDC_CD_RANDOM));
    ExpectDisplay(dlg, L"02", L"00:12(00:20)", L"02/04");
    EXPECT_EQ(State(), 1);
    EXPECT_EQ(ButtonBitmaps(dlg), playing);

    // Over a worker, random goes to the host's flag at once.
    Press(dlg, IDC_CD_RANDOM);
    Require(WaitForCondition([&] { return std::atomic_ref<int>(random_).load() == 1; }, 3000), "random on");
    Press(dlg, IDC_CD_RANDOM);
    Require(WaitForCondition([&] { return std::atomic_ref<int>(random_).load() == 0; }, 3000), "random off");

    // Track 1 again before entry 3: the worker keeps its position number 2.
    Select(dlg, IDC_CD_TRACKS, 0);
    Select(dlg, IDC_CD_PROGRAM, 2);
    Press(dlg, IDC_CD_ADD);
    ExpectProgram(dlg, edited, 2);
    ExpectDisplay(dlg, L"02", L"00:12(00:20)", L"02/05");
    Press(dlg, IDOK);
  });
  EXPECT_EQ(State(), 1) << "closing the dialog leaves the disc playing";
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PLAY});
  EXPECT_EQ(Periods(), std::vector<UINT>{500}) << "no Play pressed";

  command(3);
  ASSERT_TRUE(WaitForCondition([&] { return State() == 3; }, 5000));
  Show([&](HWND dlg) {
    ExpectProgram(dlg, edited, 1);
    ExpectDisplay(dlg, L"02", L"00:12(00:20)", L"02/05");
    EXPECT_EQ(ButtonBitmaps(dlg), (std::vector<int>{2031, 2038, 2036, 2042, 2034})) << "paused: play resumes";

    // Next while paused: the edited program's entry 3, track 1, from its start.
    Press(dlg, IDC_CD_NEXT);
    ExpectDisplay(dlg, L"01", L"00:00(03:00)", L"03/05");
    EXPECT_EQ(State(), 3);

    // A double-click restarts from that row even while paused.
    DoubleClick(dlg, IDC_CD_PROGRAM, 4);
    Require(Played("4:00:00:00"), "restarted from entry 5");
    Require(WaitForCondition([&] { return State() == 1; }, 5000), "playing");
    ExpectDisplay(dlg, L"04", L"00:00(01:00)", L"05/05");
    Press(dlg, IDOK);
  });
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(Periods(), (std::vector<UINT>{500, 200}));
}

TEST_F(CdDialogTest, WatchesTheDiscWithoutAWorker) {
  Show([&](HWND dlg) {
    Require(SelectIndex(dlg, IDC_CD_DRIVE, 1), "choose E:");
    Press(dlg, IDC_CD_PLAY);
    const auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "no message box");
    EXPECT_EQ(box->text, L"データがありません");
    EXPECT_EQ(box->caption, L"ZvDll");

    Require(sim_.Insert(L'E', {{CdFrames(0, 30)}, {CdFrames(1, 0)}}), "insert");
    Require(WaitForCondition([&] { return Items(dlg, IDC_CD_TRACKS).size() == 2; }, 3000), "disc seen");
    ExpectProgram(dlg, {L"01:Track 01 [00:30]", L"02:Track 02 [01:00]", L"末尾"}, 0);
    Require(sim_.Eject(L'E'), "eject");
    Require(WaitForCondition([&] { return Items(dlg, IDC_CD_TRACKS).empty(); }, 3000), "disc gone");
    ExpectProgram(dlg, kNoProgram, 0);
    Press(dlg, IDOK);
  });
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(Periods(), std::vector<UINT>{500});
}

}  // namespace
