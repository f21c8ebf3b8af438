// The CD player through ZvDll.dll against the simulated drives, driven by the
// host's calls and through the window. The worker's one-second wait, random
// play's clock and generator and the window's timer go through the test.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "cd_sim.h"
#include "cdplayer/cdplayer_ids.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"

namespace {

using namespace zvtest;
using HostFn = void(WINAPI*)(int*, int*, int*);

const std::vector<CdTrack> kDisc = {{180}, {20}, {120, false}, {60}};  // 3:00, 0:20, data, 1:00

std::vector<unsigned> g_seeds;  // random play's, on the worker's thread while the test waits
size_t g_drawn = 0;
std::vector<UINT> g_periods;              // of the display timer (id 2), a repeated one written once
std::atomic<bool> g_ticksByHand = false;  // the display timer waits for the test's WM_TIMER
UINT_PTR(WINAPI* g_setTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = nullptr;
DWORD WINAPI ShortWait(HANDLE handle, DWORD ms) { return WaitForSingleObject(handle, ms == 1000 ? 20 : ms); }
__time64_t __cdecl ScriptedNow(__time64_t*) { return 1000005; }  // seeds 1000005 & 0x7FFF = 16965
void __cdecl ScriptedSeed(unsigned seed) { g_seeds.push_back(seed); }
int __cdecl ScriptedDraw() {
  const int draws[] = {111, 8192, 222, 32767};  // the first after each seed is thrown away
  return g_drawn < std::size(draws) ? draws[g_drawn++] : 0;
}
UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
  if (id == 2 && (g_periods.empty() || g_periods.back() != period)) g_periods.push_back(period);
  return g_setTimer(window, id, g_ticksByHand ? USER_TIMER_MAXIMUM : period, proc);
}

HMODULE Library() {
  static const HMODULE library = [] {
    const HMODULE module = LoadLibraryW(L"ZvDll.dll");
    g_setTimer = ReplaceImport(module, "user32.dll", "SetTimer", &RecordingSetTimer);
    const bool hooked = g_setTimer && ReplaceImport(module, "kernel32.dll", "WaitForSingleObject", &ShortWait) &&
                        ReplaceImport(module, "msvcrt.dll", "_time64", &ScriptedNow) &&
                        ReplaceImport(module, "msvcrt.dll", "srand", &ScriptedSeed) &&
                        ReplaceImport(module, "msvcrt.dll", "rand", &ScriptedDraw);
    return hooked ? module : nullptr;
  }();
  return library;
}
void Command(UINT code) { GetExport<void(WINAPI*)(UINT)>(Library(), "OnCdCommand")(code); }
void Close() { GetExport<void(WINAPI*)(void*)>(Library(), "CloseCdPlay")(nullptr); }
void Flip(const char* name, int& flag) { GetExport<void(WINAPI*)(int*)>(Library(), name)(&flag); }
int Flag(int& flag) { return std::atomic_ref<int>(flag).load(); }

std::string PlayLine(const char* from, const char* to, DWORD result = 0) {
  return std::string("E: PLAY flags=NOTIFY|FROM|TO from=") + from + " to=" + to + " -> " + std::to_string(result);
}
const std::string kOpenD = "D: OPEN flags=OPEN_ELEMENT|OPEN_TYPE_ID|OPEN_TYPE type=516 element=D: -> 0";
const std::string kOpenE = "E: OPEN flags=OPEN_ELEMENT|OPEN_TYPE_ID|OPEN_TYPE type=516 element=E: -> 0";
const std::string kCloseD = "D: CLOSE flags=WAIT -> 0", kClose = "E: CLOSE flags=WAIT -> 0";
const std::string kPause = "E: PAUSE flags=WAIT -> 0", kStop = "E: STOP flags=WAIT -> 0";
const std::string kPlay1 = PlayLine("1:00:00:00", "1:03:00:00"), kPlay2 = PlayLine("2:00:00:00", "2:00:20:00");
const std::string kPlay4 = PlayLine("4:00:00:00", "4:01:00:00");
// OnCdplay over the empty D: and kDisc in E:, status queries aside.
const std::vector<std::string> kStart = {
    kOpenD, kCloseD, kOpenE, kClose, kOpenE, "E: SET flags=SET_TIME_FORMAT format=TMSF -> 0", kPlay1};

class CdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetDriveTypeW(L"E:\\") != DRIVE_CDROM) GTEST_SKIP() << "no CD-ROM drive in this prefix";
    ASSERT_TRUE(Library()) << "ZvDll.dll, or its imports";
    ASSERT_TRUE(ResetCdDrives());
    g_seeds.clear();
    g_drawn = 0;
    // Held across the test, so that a mutex the worker abandons is still there to be seen.
    ASSERT_TRUE(mutex_ = CreateMutexW(nullptr, FALSE, L"CCdPlayThreadMutex"));
  }
  void TearDown() override {
    if (!mutex_) return;
    Close();
    EXPECT_EQ(WaitForSingleObject(mutex_, 0), DWORD{WAIT_OBJECT_0}) << "0x80: the worker abandoned the mutex";
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

  void Play() { GetExport<HostFn>(Library(), "OnCdplay")(&random_, &repeat_, &state_); }
  // The log without status queries once it has count lines, or after a bounded wait.
  std::vector<std::string> LogOf(size_t count) {
    std::vector<std::string> lines;
    WaitForCondition([&] { return (lines = CdLogLines()).size() >= count; }, 5000);
    return lines;
  }
  // Lets a running worker poll a few times.
  void LetPoll() {
    const size_t seen = CdLogLines(true).size();
    WaitForCondition([&] { return CdLogLines(true).size() >= seen + 12; }, 1000);
  }

  Watchdog watchdog_{90000};
  HANDLE mutex_ = nullptr;
  int random_ = 0, repeat_ = 0, state_ = 0;
};

TEST_F(CdTest, CommandsReachTheDriveInOrder) {
  ASSERT_TRUE(InsertCd(L'E', kDisc));
  Play();
  Play();  // the worker is still opening its drive: nothing more happens
  ASSERT_EQ(LogOf(kStart.size()), kStart);

  enum Act { kOnCdplay, kOnCdCommand, kAdvance, kCloseCdPlay, kOnCdrepeat, kOnCdrandom, kInsertCd };
  const std::string refused = PlayLine("3:00:00:00", "3:02:00:00", MCIERR_HARDWARE);
  const struct Step {
    Act act;
    DWORD arg;
    std::vector<std::string> lines;
    int state;
  } steps[] = {
      {kOnCdplay, 0, {}, 1},  // playing: nothing
      {kOnCdCommand, 0, {}, 1},
      {kOnCdCommand, 0xFFFFFFFF, {}, 1},
      {kAdvance, 5000, {}, 1},
      {kOnCdCommand, 3, {kPause}, 3},
      {kAdvance, 3000, {}, 3},  // a paused disc stands still
      {kOnCdplay, 0, {PlayLine("1:00:05:00", "1:03:00:00")}, 1},
      {kOnCdCommand, 5, {kPlay2}, 1},
      {kOnCdCommand, 4, {kPlay1}, 1},
      {kOnCdCommand, 4, {kPlay1}, 1},  // previous on entry 0 without repeat
      {kOnCdCommand, 3, {kPause}, 3},
      {kOnCdCommand, 5, {}, 3},  // paused: to the start of track 2, still paused
      {kOnCdCommand, 3, {kPlay2}, 1},
      {kOnCdCommand, 5, {refused}, 1},        // the data track; track 2 plays on
      {kAdvance, 20000, {kPlay4}, 1},         // track 2 ends: the poll skips the data track
      {kAdvance, 60000, {kStop, kClose}, 2},  // the end of the program without repeat
      {kCloseCdPlay, 0, {}, 2},
      {kOnCdplay, 0, kStart, 1},
      // The disc taken out while the clock stands still: only the poll sees it.
      {kInsertCd, 0, {"E: STOP flags=WAIT -> 276", kClose}, 2},
      {kInsertCd, 1, {}, 2},
      {kOnCdplay, 0, kStart, 1},
      {kOnCdrepeat, 0, {}, 1},
      {kOnCdCommand, 5, {kPlay2}, 1},
      {kOnCdCommand, 5, {refused}, 1},
      {kAdvance, 20000, {kPlay4}, 1},
      {kAdvance, 60000, {kPlay1}, 1},  // the end of the program with repeat
      {kOnCdCommand, 4, {kPlay4}, 1},  // previous on entry 0 with repeat
      {kOnCdCommand, 4, {kPlay2}, 1},  // the data track is never tried again
      {kOnCdrandom, 0, {}, 1},
      {kOnCdCommand, 5, {kPlay2}, 1},         // 4 x 8192 / 32767: entry 1
      {kOnCdCommand, 5, {kPlay4}, 1},         // 4 x 32767 / 32767: the last entry
      {kCloseCdPlay, 0, {kStop, kClose}, 2},  // returns only after stop and close
      {kOnCdCommand, 1, {}, 2},
  };
  size_t seen = kStart.size();
  for (const Step& step : steps) {
    const size_t n = &step - steps + 1;
    if (step.act == kOnCdplay) Play();
    if (step.act == kOnCdCommand) Command(step.arg);
    if (step.act == kAdvance && !SetCdClock(step.arg)) ADD_FAILURE() << n;
    if (step.act == kInsertCd && !InsertCd(L'E', step.arg ? kDisc : std::vector<CdTrack>())) ADD_FAILURE() << n;
    if (step.act == kCloseCdPlay) Close();
    if (step.act == kOnCdrepeat) Flip("OnCdrepeat", repeat_);
    if (step.act == kOnCdrandom) Flip("OnCdrandom", random_);
    if (step.lines.empty()) LetPoll();
    const std::vector<std::string> log = step.act == kCloseCdPlay ? CdLogLines() : LogOf(seen + step.lines.size());
    EXPECT_EQ(std::vector<std::string>(log.begin() + std::min(seen, log.size()), log.end()), step.lines) << n;
    seen = log.size();
    EXPECT_TRUE(WaitForCondition([&] { return Flag(state_) == step.state; }, 3000)) << n << ": " << Flag(state_);
  }
  EXPECT_EQ(g_seeds, (std::vector<unsigned>{16965, 16965}));

  state_ = 1;  // the host's play state alone keeps a new worker from starting
  Play();
  EXPECT_EQ(CdLogLines().size(), seen);
}

// Host commands at random while the worker polls: every one is answered, the
// drive refuses only plays of the data track, and every open is closed.
TEST_F(CdTest, StressRandomHostCommands) {
  ASSERT_TRUE(InsertCd(L'E', {{3}, {2}, {2, false}, {4}, {1}, {2}}));
  std::mt19937 generator(20261206);
  Play();  // the driver's and winmm's handles of first use
  Close();
  const DWORD handles = OpenHandleCount();
  for (int i = 0; i < 300; ++i) {
    const unsigned op = generator() % 13;
    if (op < 7) Command(op < 6 ? op : 6 + generator() % 1000);  // the five commands, a poll and unknown codes
    if (op == 7 || op == 8) Flip(op == 7 ? "OnCdrandom" : "OnCdrepeat", op == 7 ? random_ : repeat_);
    if (op == 9 && !SetCdClock(generator() % 3000)) ADD_FAILURE() << "clock";
    if (op == 10 || op == 11) Play();
    if (op == 12) Close();
    if (op == 12 && Flag(state_) != 0 && Flag(state_) != 2) ADD_FAILURE() << "step " << i << ": " << Flag(state_);
    Sleep(generator() % 8);  // lets the worker's polls fall between commands
  }
  Close();
  EXPECT_EQ(HandlesSettleTo(handles), handles);
  int opens = 0, closes = 0, plays = 0;
  for (const std::string& line : CdLogLines()) {
    opens += line.find(" OPEN ") != std::string::npos;
    closes += line.find(" CLOSE ") != std::string::npos;
    plays += line.find(" PLAY ") != std::string::npos;
    EXPECT_TRUE(line.ends_with(" -> 0") || line.ends_with(" to=3:00:02:00 -> 262")) << line;
  }
  EXPECT_EQ(opens, closes);
  EXPECT_GT(plays, 10);
}

// zvhost's CD commands, in a process of its own with the library unchanged.
TEST_F(CdTest, HostCommandsThroughZvhost) {
  ASSERT_TRUE(InsertCd(L'E', kDisc));
  const std::wstring host = ProgramDir() + L"zvhost.exe";
  const ProcessResult result = RunProgram(host, L"cd play wait 1000 pause wait 1000 volume -5 stop");
  EXPECT_EQ(result.exitCode, 0u) << result.output;
  for (const char* shown : {"wait 1000: 状態 3", "volume -5: 状態 3", "閉じる: 状態 2"})
    EXPECT_NE(result.output.find(shown), std::string::npos) << result.output;
  std::vector<std::string> expected = kStart;
  expected.insert(expected.end(), {kPause, kStop, kClose});
  EXPECT_EQ(CdLogLines(), expected);
}

void Press(HWND dlg, int button) { Require(Click(dlg, button), "click " + std::to_string(button)); }
void Select(HWND dlg, int list, int row) { Require(SelectIndex(dlg, list, row), "select row " + std::to_string(row)); }
void Tick(HWND dlg) { Require(SendMessageTimeoutW(dlg, WM_TIMER, 2, 0, SMTO_NORMAL, 5000, nullptr), "timer tick"); }
// E: open in another player, which the drive does not share.
struct HeldDrive {
  MCI_OPEN_PARMSW open{0, 0, reinterpret_cast<LPCWSTR>(MCI_DEVTYPE_CD_AUDIO), L"E:", nullptr};
  const MCIERROR error =
      mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT, DWORD_PTR(&open));
  ~HeldDrive() {
    if (!error) mciSendCommandW(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  }
};
void ExpectProgram(HWND dlg, int selected, const std::vector<std::wstring>& rows) {
  EXPECT_TRUE(WaitForCondition([&] { return Items(dlg, IDC_CD_PROGRAM) == rows; }, 3000)) << rows.size() << " rows";
  EXPECT_EQ(Selection(dlg, IDC_CD_PROGRAM), selected);
}
void ExpectDisplay(HWND dlg, const std::wstring& expected) {
  const auto shown = [&] {
    return GetText(dlg, IDC_CD_TRACK) + L" " + GetText(dlg, IDC_CD_TIME) + L" " + GetText(dlg, IDC_CD_POSITION);
  };
  EXPECT_TRUE(WaitForCondition([&] { return shown() == expected; }, 3000)) << Utf8(shown() + L", not " + expected);
}

// The host plays a disc and opens the window over it, which shows that worker,
// hands it an edited program, drives it and stops it; sees a disc changed;
// refuses to play an empty drive; edits a program and plays it. Closing leaves
// it playing.
TEST_F(CdTest, WindowDrivesTheHostsWorkerAndItsOwn) {
  ASSERT_TRUE(InsertCd(L'E', kDisc));
  Play();
  Command(5);
  ASSERT_EQ(LogOf(kStart.size() + 1).back(), kPlay2);
  ASSERT_TRUE(SetCdClock(12000));
  const std::vector<std::wstring> rows = {L"01:Track 01 [03:00]", L"02:Track 02 [00:20]", L"03:Track 03 [02:00]",
                                          L"04:Track 04 [01:00]", L"末尾"};
  g_periods.clear();
  UiScript script(
      [&] {
        const HWND dlg = RequireDialog(L"CDの再生");
        ExpectProgram(dlg, 1, rows);
        ExpectDisplay(dlg, L"02 00:12(00:20) 02/04");
        // Track 1 again at the end: the worker takes the program and keeps its position.
        Select(dlg, IDC_CD_TRACKS, 0);
        Select(dlg, IDC_CD_PROGRAM, 4);
        Press(dlg, IDC_CD_ADD);
        ExpectProgram(dlg, 4, {rows[0], rows[1], rows[2], rows[3], L"05:Track 01 [03:00]", rows[4]});
        ExpectDisplay(dlg, L"02 00:12(00:20) 02/05");
        Press(dlg, IDC_CD_PAUSE);
        Require(WaitForCondition([&] { return Flag(state_) == 3; }), "paused");
        Press(dlg, IDC_CD_PREV);
        ExpectDisplay(dlg, L"01 00:00(03:00) 01/05");
        Press(dlg, IDC_CD_PAUSE);
        Require(WaitForCondition([&] { return Flag(state_) == 1; }), "resumed");
        Press(dlg, IDC_CD_PLAY);  // from the selected entry 5
        ExpectDisplay(dlg, L"01 00:00(03:00) 05/05");
        Press(dlg, IDC_CD_STOP);
        ExpectDisplay(dlg, L"00 00:00(00:00) 00/00");
        // Another player has the drive while the disc is changed; once it lets go,
        // one tick shows the new disc, though the drive takes one opener at a time.
        g_ticksByHand = true;
        Tick(dlg);
        {
          HeldDrive held;
          Require(!held.error, "open");
          for (const auto& disc : {std::vector<CdTrack>(), std::vector<CdTrack>{{30}, {45}}}) {
            Require(InsertCd(L'E', disc), "disc");
            Tick(dlg);
          }
        }
        Tick(dlg);
        ExpectProgram(dlg, 0, {L"01:Track 01 [00:30]", L"02:Track 02 [00:45]", L"末尾"});
        g_ticksByHand = false;
        Require(InsertCd(L'E', kDisc), "disc");

        Select(dlg, IDC_CD_DRIVE, 0);  // D: is empty
        Press(dlg, IDC_CD_PLAY);
        const auto box = AnswerMessageBox(IDOK);
        Require(box.has_value(), "no message box");
        EXPECT_EQ(box->text, L"データがありません");
        EXPECT_EQ(box->caption, L"ZvDll");
        // Up, out and down, then play from the selected entry.
        Select(dlg, IDC_CD_DRIVE, 1);
        ExpectProgram(dlg, 0, rows);
        Select(dlg, IDC_CD_PROGRAM, 2);
        Press(dlg, IDC_CD_UP);
        Press(dlg, IDC_CD_REMOVE);
        Press(dlg, IDC_CD_DOWN);
        ExpectProgram(dlg, 2, {rows[0], L"02:Track 04 [01:00]", L"03:Track 02 [00:20]", rows[4]});
        Press(dlg, IDC_CD_PLAY);
        ExpectDisplay(dlg, L"02 00:00(00:20) 03/03");
        Press(dlg, IDOK);
      },
      60000);
  GetExport<HostFn>(Library(), "OnCdPlaydef")(&random_, &repeat_, &state_);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(Flag(state_), 1) << "closing the dialog leaves the disc playing";
  EXPECT_EQ(g_periods, (std::vector<UINT>{500, 200, 500, 200})) << "watching, playing, watching after Stop, playing";
}

TEST(CdWindow, WithoutDriveSaysSoAndEndsAtOnce) {
  if (GetDriveTypeW(L"E:\\") == DRIVE_CDROM) GTEST_SKIP() << "run by scripts/wine-bare";
  ASSERT_TRUE(Library());
  int random = 1, repeat = 5, state = 3;
  UiScript script(
      [&] {
        const auto box = AnswerMessageBox(IDOK);
        Require(box.has_value(), "no message");
        EXPECT_EQ(box->caption, L"ZvDll");
        EXPECT_EQ(box->text, L"有効なCD-ROMドライブが有りません");
      },
      20000);  // the window ends behind the box: a call still open then fails
  GetExport<HostFn>(Library(), "OnCdPlaydef")(&random, &repeat, &state);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_TRUE(random == 1 && repeat == 5 && state == 3) << "the host's variables untouched";
}

}  // namespace
