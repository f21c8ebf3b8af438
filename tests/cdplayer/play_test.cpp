// The host's CD commands against the simulated drives, through zvcdtest.dll:
// the player's code as shipped, with the poll shortened and the clock and
// generator scripted. What reached the drive is read back from its command log.
#include "cd_sim.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "cd_test_dll.h"
#include "support.h"
#include "support.h"

namespace {

using zvtest::CdFrames;
using zvtest::CdTrack;

constexpr DWORD kPollMs = 20;
constexpr DWORD kWaitMs = 5000;
// Log lines, status queries aside, once a worker plays: D: opened and closed,
// E: opened, read and closed, then the worker's open, time format and play.
constexpr size_t kStarted = 7;

// Three minutes, twenty seconds, a data track, one minute.
const std::vector<CdTrack> kDisc = {{CdFrames(3, 0)}, {CdFrames(0, 20)}, {CdFrames(2, 0), false}, {CdFrames(1, 0)}};

using FlagFn = void(WINAPI*)(int*);

HMODULE Library() {
  static HMODULE library = ::LoadLibraryW(L"zvcdtest.dll");
  return library;
}
template <class Fn>
Fn Export(const char* name) {
  return zvtest::GetExport<Fn>(Library(), name);
}
void OnCdCommand(UINT code) { Export<void(WINAPI*)(UINT)>("OnCdCommand")(code); }
void CloseCdPlay(void* unused) { Export<void(WINAPI*)(void*)>("CloseCdPlay")(unused); }

// The scripted clock and generator that random play seeds and draws from.
std::mutex g_randomLock;
std::vector<unsigned> g_seeds;
std::vector<int> g_draws;
size_t g_drawn = 0;
__time64_t ScriptedNow() { return 1000005; }  // seeds 1000005 & 0x7FFF = 16965
void ScriptedSeed(unsigned seed) {
  std::lock_guard lock(g_randomLock);
  g_seeds.push_back(seed);
}
int ScriptedDraw() {
  std::lock_guard lock(g_randomLock);
  return g_drawn < g_draws.size() ? g_draws[g_drawn++] : 0;
}

// Ends the process when a test hangs, naming it, so that CI sees a failure.
class Watchdog {
 public:
  explicit Watchdog(DWORD limitMs) : limitMs_(limitMs) { thread_ = CreateThread(nullptr, 0, &Watch, this, 0, nullptr); }
  ~Watchdog() {
    SetEvent(done_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
  }

 private:
  static DWORD WINAPI Watch(void* self) {
    auto* dog = static_cast<Watchdog*>(self);
    if (WaitForSingleObject(dog->done_, dog->limitMs_) == WAIT_OBJECT_0) return 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "HUNG: %s did not end within %lu ms\n", test ? test->name() : "?", dog->limitMs_);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
  }
  DWORD limitMs_;
  HANDLE done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread_;
};

class CdPlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Library()) << "zvcdtest.dll: error " << GetLastError();
    ASSERT_TRUE(sim_.Ok()) << zvtest::Utf8(sim_.Error());
    Export<decltype(&ZvCdTestTiming)>("ZvCdTestTiming")(kPollMs, &ScriptedNow, &ScriptedSeed, &ScriptedDraw);
    // Held across the test, so a mutex that a worker abandons is still there to be seen.
    mutex_ = CreateMutexW(nullptr, FALSE, L"CCdPlayThreadMutex");
    ASSERT_TRUE(mutex_);
  }
  void TearDown() override {
    CloseCdPlay(nullptr);
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    EXPECT_EQ(wait, DWORD{WAIT_OBJECT_0}) << (wait == WAIT_ABANDONED ? "the worker abandoned its mutex" : "held");
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

  int State() { return std::atomic_ref<int>(state_).load(); }
  void Play() { Export<void(WINAPI*)(int*, int*, int*)>("OnCdplay")(&random_, &repeat_, &state_); }

  // The log of this process from the drive's letter on, e.g.
  // "E: PLAY flags=NOTIFY|FROM|TO from=1:00:00:00 to=1:03:00:00 -> 0"; without
  // status queries unless asked for.
  std::vector<std::string> Log(bool withStatus = false) {
    std::vector<std::string> lines;
    for (const zvtest::CdLogEntry& e : sim_.Log(GetCurrentProcessId()))
      if (withStatus || e.command != "STATUS") lines.push_back(e.line.substr(e.line.find(e.drive ? ':' : '-') - 1));
    return lines;
  }
  bool WaitUntil(const std::function<bool()>& done, DWORD ms = kWaitMs) {
    for (const ULONGLONG limit = GetTickCount64() + ms; !done(); Sleep(5))
      if (GetTickCount64() >= limit) return false;
    return true;
  }
  // Waits, bounded, until the log without status queries has at least count lines.
  std::vector<std::string> LogOf(size_t count) {
    std::vector<std::string> lines;
    WaitUntil([&] { return (lines = Log()).size() >= count; });
    return lines;
  }
  // Lets the worker poll a few times more.
  void LetPoll() {
    const size_t seen = Log(true).size();
    EXPECT_TRUE(WaitUntil([&] { return Log(true).size() >= seen + 12; }));
  }

  zvtest::CdSim sim_;
  Watchdog watchdog_{90000};
  HANDLE mutex_ = nullptr;
  int random_ = 0, repeat_ = 0, state_ = 0;
};

std::string PlayLine(const char* from, const char* to, DWORD result = 0) {
  return std::string("E: PLAY flags=NOTIFY|FROM|TO from=") + from + " to=" + to + " -> " + std::to_string(result);
}
const std::string kOpenE = "E: OPEN flags=OPEN_ELEMENT|OPEN_TYPE_ID|OPEN_TYPE type=516 element=E: -> 0";
const std::string kSetTmsf = "E: SET flags=SET_TIME_FORMAT format=TMSF -> 0";
const std::string kStop = "E: STOP flags=WAIT -> 0";
const std::string kClose = "E: CLOSE flags=WAIT -> 0";

TEST_F(CdPlayTest, WalksTheDrivesAndPlaysTheDiscFromTrackOne) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Play();
  Play();  // the first worker is still opening its drive: nothing more happens
  ASSERT_EQ(LogOf(kStarted).size(), kStarted);
  const std::string notReady = " -> " + std::to_string(MCIERR_DEVICE_NOT_READY);
  const std::vector<std::string> expected = {
      "D: OPEN flags=OPEN_ELEMENT|OPEN_TYPE_ID|OPEN_TYPE type=516 element=D: -> 0",
      "D: STATUS flags=WAIT|STATUS_ITEM item=NUMBER_OF_TRACKS" + notReady,
      "D: CLOSE flags=WAIT -> 0",
      kOpenE,
      "E: STATUS flags=WAIT|STATUS_ITEM item=NUMBER_OF_TRACKS -> 0 return=4",
      "E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=1 -> 0 return=03:00:00",
      "E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=2 -> 0 return=00:20:00",
      "E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=3 -> 0 return=02:00:00",
      "E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=4 -> 0 return=01:00:00",
      kClose,
      kOpenE,
      kSetTmsf,
      "E: STATUS flags=STATUS_ITEM item=POSITION -> 0 return=1:00:00:00",
      "E: STATUS flags=STATUS_ITEM item=MEDIA_PRESENT -> 0 return=1",
      PlayLine("1:00:00:00", "1:03:00:00"),
  };
  const std::vector<std::string> log = Log(true);
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + expected.size()), expected);
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PLAY});

  // While playing, play does nothing; the poll asks the position, the disc and the mode.
  Play();
  LetPoll();
  EXPECT_EQ(Log().size(), kStarted);
  const std::vector<std::string> all = Log(true);
  EXPECT_EQ(std::vector<std::string>(all.end() - 3, all.end()),
            (std::vector<std::string>{"E: STATUS flags=STATUS_ITEM item=POSITION -> 0 return=1:00:00:00",
                                      "E: STATUS flags=STATUS_ITEM item=MEDIA_PRESENT -> 0 return=1",
                                      "E: STATUS flags=STATUS_ITEM item=MODE -> 0 return=526"}));
}

TEST_F(CdPlayTest, PausesAndResumesFromThePausedPoint) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Play();
  ASSERT_EQ(LogOf(kStarted).size(), kStarted);
  ASSERT_TRUE(sim_.Advance(5000));
  OnCdCommand(3);
  EXPECT_EQ(LogOf(8).back(), "E: PAUSE flags=WAIT -> 0");
  EXPECT_TRUE(WaitUntil([&] { return State() == 3; }));
  ASSERT_TRUE(sim_.Advance(3000));  // a paused disc stands still
  Play();                           // resumes, as the pause command does
  EXPECT_EQ(LogOf(9).back(), PlayLine("1:00:05:00", "1:03:00:00"));
  EXPECT_TRUE(WaitUntil([&] { return State() == 1; }));
  ASSERT_TRUE(sim_.Advance(2000));
  OnCdCommand(3);
  LogOf(10);
  OnCdCommand(3);
  EXPECT_EQ(LogOf(11).back(), PlayLine("1:00:07:00", "1:03:00:00"));
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PLAY});
}

TEST_F(CdPlayTest, PreviousAndNextAlsoWhilePaused) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Play();
  LogOf(kStarted);
  const struct {
    UINT command;
    std::string line;
  } steps[] = {
      {5, PlayLine("2:00:00:00", "2:00:20:00")},
      {4, PlayLine("1:00:00:00", "1:03:00:00")},
      {4, PlayLine("1:00:00:00", "1:03:00:00")},  // previous on entry 0 without repeat
      {3, "E: PAUSE flags=WAIT -> 0"},
      {5, ""},  // paused: moves to the start of track 2 and stays paused
      {3, PlayLine("2:00:00:00", "2:00:20:00")},
      {3, "E: PAUSE flags=WAIT -> 0"},
      {4, ""},
      {3, PlayLine("1:00:00:00", "1:03:00:00")},
  };
  size_t count = kStarted;
  for (const auto& step : steps) {
    OnCdCommand(step.command);
    if (step.line.empty()) {
      LetPoll();
      EXPECT_EQ(Log().size(), count) << "while paused, a move plays nothing";
      EXPECT_EQ(State(), 3);
      EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PAUSE});
      continue;
    }
    EXPECT_EQ(LogOf(++count).back(), step.line) << "after command " << step.command;
  }
}

// The end of a track is noticed by the poll, which plays the next entry; after
// the last entry, repeat starts over and no repeat stops the worker.
TEST_F(CdPlayTest, EndOfProgramWithAndWithoutRepeat) {
  for (int repeat : {0, 1}) {
    ASSERT_TRUE(sim_.ClearLog());
    ASSERT_TRUE(sim_.Insert(L'E', {{CdFrames(0, 10)}, {CdFrames(0, 5)}}));
    repeat_ = repeat;
    state_ = 0;
    Play();
    LogOf(kStarted);
    ASSERT_TRUE(sim_.Advance(10000));
    EXPECT_EQ(LogOf(8).back(), PlayLine("2:00:00:00", "2:00:05:00"));
    ASSERT_TRUE(sim_.Advance(5000));
    const std::vector<std::string> tail = repeat ? std::vector<std::string>{PlayLine("1:00:00:00", "1:00:10:00")}
                                                 : std::vector<std::string>{kStop, kClose};
    const std::vector<std::string> log = LogOf(8 + tail.size());
    EXPECT_EQ(std::vector<std::string>(log.begin() + 8, log.end()), tail) << "repeat " << repeat;
    EXPECT_TRUE(WaitUntil([&] { return State() == (repeat ? 1 : 2); })) << "repeat " << repeat;
    CloseCdPlay(nullptr);
  }
  // A worker that has ended is replaced by the next play.
  ASSERT_TRUE(sim_.ClearLog());
  Play();
  EXPECT_EQ(LogOf(kStarted).back(), PlayLine("1:00:00:00", "1:00:10:00"));
}

TEST_F(CdPlayTest, RandomNextPicksFromTheSeededGenerator) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  {
    std::lock_guard lock(g_randomLock);
    g_seeds.clear();
    g_draws = {111, 8192, 222, 32767};  // the first draw after each seed is thrown away
    g_drawn = 0;
  }
  random_ = 1;
  Play();
  LogOf(kStarted);
  OnCdCommand(5);
  EXPECT_EQ(LogOf(8).back(), PlayLine("2:00:00:00", "2:00:20:00")) << "4 x 8192 / 32767 is entry 1";
  OnCdCommand(5);
  EXPECT_EQ(LogOf(9).back(), PlayLine("4:00:00:00", "4:01:00:00")) << "a pick of 4 becomes the last entry";
  std::lock_guard lock(g_randomLock);
  EXPECT_EQ(g_seeds, (std::vector<unsigned>{16965, 16965}));
}

TEST_F(CdPlayTest, DataTrackIsSkippedOnceAndNeverAgain) {
  ASSERT_TRUE(sim_.Insert(L'E', {{CdFrames(0, 10)}, {CdFrames(0, 10), false}, {CdFrames(0, 10)}}));
  repeat_ = 1;
  Play();
  LogOf(kStarted);
  const std::string refused = " -> " + std::to_string(MCIERR_HARDWARE);
  const char* expected[] = {"2:00:00:00 to=2:00:10:00" /* refused */, "3:00:00:00 to=3:00:10:00",
                            "1:00:00:00 to=1:00:10:00", "3:00:00:00 to=3:00:10:00", "1:00:00:00 to=1:00:10:00"};
  for (size_t i = 0; i < std::size(expected); ++i) {
    if (i != 1) {
      ASSERT_TRUE(sim_.Advance(10000));  // the refused play left the drive stopped
    }
    EXPECT_EQ(LogOf(kStarted + 1 + i).back(),
              "E: PLAY flags=NOTIFY|FROM|TO from=" + std::string(expected[i]) + (i == 0 ? refused : " -> 0"));
  }
}

TEST_F(CdPlayTest, DiscOfDataTracksOnlyStopsTheWorker) {
  ASSERT_TRUE(sim_.Insert(L'E', {{CdFrames(0, 10), false}, {CdFrames(0, 10), false}}));
  repeat_ = 1;
  Play();
  const std::string refused = " -> " + std::to_string(MCIERR_HARDWARE);
  const std::vector<std::string> log = LogOf(10);
  EXPECT_EQ(
      std::vector<std::string>(log.begin() + 2, log.end()),
      (std::vector<std::string>{kOpenE, kClose, kOpenE, kSetTmsf, PlayLine("1:00:00:00", "1:00:10:00", MCIERR_HARDWARE),
                                PlayLine("2:00:00:00", "2:00:10:00", MCIERR_HARDWARE), kStop, kClose}));
  EXPECT_TRUE(WaitUntil([&] { return State() == 2; }));
}

// With the shipped one-second poll.
TEST_F(CdPlayTest, DiscTakenOutStopsTheWorkerWithinASecond) {
  Export<decltype(&ZvCdTestTiming)>("ZvCdTestTiming")(0, nullptr, nullptr, nullptr);
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Play();
  LogOf(kStarted);
  ASSERT_TRUE(sim_.Eject(L'E'));
  const ULONGLONG ejected = GetTickCount64();
  EXPECT_TRUE(WaitUntil([&] { return State() == 2; }, 3000)) << "state " << State();
  EXPECT_LT(GetTickCount64() - ejected, 1500u);
  const std::vector<std::string> log = LogOf(kStarted + 2);
  EXPECT_EQ(std::vector<std::string>(log.begin() + kStarted, log.end()),
            (std::vector<std::string>{"E: STOP flags=WAIT -> " + std::to_string(MCIERR_DEVICE_NOT_READY), kClose}));
}

TEST_F(CdPlayTest, CloseReturnsOnlyAfterStopAndClose) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Play();
  LogOf(kStarted);
  CloseCdPlay(&state_);
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), kStarted);
  EXPECT_EQ(std::vector<std::string>(log.begin() + kStarted, log.end()), (std::vector<std::string>{kStop, kClose}));
  EXPECT_EQ(State(), 2);
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_STOP});
  CloseCdPlay(nullptr);  // twice: no worker, nothing to do
  OnCdCommand(1);
  EXPECT_EQ(Log().size(), kStarted + 2);
}

TEST_F(CdPlayTest, CommandsThatDoNothing) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  for (UINT code : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) OnCdCommand(code);  // no worker
  CloseCdPlay(nullptr);
  EXPECT_TRUE(Log(true).empty());
  Play();
  LogOf(kStarted);
  for (UINT code : {0u, 6u, 99u, 0xFFFFFFFFu}) {
    OnCdCommand(code);
    LetPoll();
  }
  EXPECT_EQ(Log().size(), kStarted);
  EXPECT_EQ(State(), 1);
}

TEST_F(CdPlayTest, NoDiscInAnyDrivePlaysNothing) {
  Play();
  EXPECT_EQ(Log().size(), 4u);
  EXPECT_EQ(Log(true).size(), 6u) << "two drives opened, asked and closed, no worker";
  OnCdCommand(1);
  EXPECT_EQ(Log(true).size(), 6u);
  EXPECT_EQ(State(), 0);
}

TEST_F(CdPlayTest, RandomAndRepeatExportsFlipTheFlag) {
  for (const char* name : {"OnCdrandom", "OnCdrepeat"}) {
    const FlagFn flip = Export<FlagFn>(name);
    for (const auto& [before, after] : {std::pair{0, 1}, {1, 0}, {5, 0}, {-1, 0}}) {
      int flag = before;
      flip(&flag);
      EXPECT_EQ(flag, after) << name << " on " << before;
    }
    flip(nullptr);
  }
}

// Random host commands while the worker polls: every command is answered, the
// drive is only asked to play tracks of the disc, and every stop ends the worker.
TEST_F(CdPlayTest, StressRandomHostCommands) {
  ASSERT_TRUE(sim_.Insert(L'E', {{CdFrames(0, 3)},
                                 {CdFrames(0, 2)},
                                 {CdFrames(0, 2), false},
                                 {CdFrames(0, 4)},
                                 {CdFrames(0, 1)},
                                 {CdFrames(0, 2)}}));
  std::mt19937 generator(20261206);
  const ULONGLONG start = GetTickCount64();
  int closes = 0;
  // Mostly the five commands, now and then a stop, a close or a new program.
  const UINT kCodes[] = {0, 0, 1, 1, 1, 3, 3, 3, 4, 4, 5, 5, 5, 2};
  for (int i = 0; i < 300; ++i) {
    if (State() != 1 && State() != 3 && generator() % 2 == 0) Play();
    const unsigned op = generator() % 20;
    if (op < std::size(kCodes)) {
      OnCdCommand(kCodes[op]);
    } else if (op == 14) {
      OnCdCommand(6 + generator() % 1000);
    } else if (op == 15) {
      Export<FlagFn>("OnCdrandom")(&random_);
    } else if (op == 16) {
      Export<FlagFn>("OnCdrepeat")(&repeat_);
    } else if (op == 17) {
      ASSERT_TRUE(sim_.Advance(generator() % 3000));
    } else if (op == 18) {
      std::vector<DWORD> program(generator() % 9);
      for (DWORD& track : program) track = generator() % 8;  // tracks 7 and 8 are not on the disc
      Export<decltype(&ZvCdTestSetPlayList)>("ZvCdTestSetPlayList")(program.data(), static_cast<int>(program.size()));
    } else if (generator() % 2 == 0) {
      CloseCdPlay(nullptr);
      ++closes;
      ASSERT_TRUE(State() == 0 || State() == 2) << "step " << i << ": state " << State();
    } else {
      Play();
    }
    Sleep(generator() % 8);  // lets the worker's polls fall between commands
  }
  CloseCdPlay(nullptr);
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_LT(elapsed, 60000u);
  std::map<std::string, int> counts;
  for (const zvtest::CdLogEntry& e : sim_.Log(GetCurrentProcessId())) {
    ++counts[e.command];
    if (e.command != "PLAY") continue;
    const std::string from = e.Param("from");
    EXPECT_TRUE(from.size() > 1 && from[0] >= '1' && from[0] <= '6' && from[1] == ':') << e.line;
  }
  EXPECT_EQ(counts["OPEN"], counts["CLOSE"]) << "every open device closed";
  EXPECT_GT(counts["PLAY"], 10);
  EXPECT_GT(counts["PAUSE"], 3);
  std::printf("stress: %d closes, %d plays, %d pauses, %d stops, %llu ms\n", closes, counts["PLAY"], counts["PAUSE"],
              counts["STOP"], elapsed);
}

// zvhost's CD commands, through ZvDll.dll as shipped (the one-second poll).
TEST_F(CdPlayTest, HostCommandsDriveTheShippedLibrary) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  const std::wstring host = zvtest::ProgramDir() + L"zvhost.exe";
  const zvtest::ProcessResult result = zvtest::RunProgram(host, L"cd play wait 1000 pause wait 1000 volume -5 stop");
  EXPECT_EQ(result.exitCode, 0u) << result.output;
  for (const char* shown : {"wait 1000: 状態 3", "volume -5: 状態 3", "閉じる: 状態 2"})
    EXPECT_NE(result.output.find(shown), std::string::npos) << result.output;
  std::vector<std::string> commands;
  for (const zvtest::CdLogEntry& e : sim_.Log())
    if (e.command != "STATUS") commands.push_back(std::string(1, char(e.drive)) + " " + e.command);
  EXPECT_EQ(commands, (std::vector<std::string>{"D OPEN", "D CLOSE", "E OPEN", "E CLOSE", "E OPEN", "E SET", "E PLAY",
                                                "E PAUSE", "E STOP", "E CLOSE"}));
  EXPECT_EQ(zvtest::RunProgram(host, L"cd play eject").exitCode, 2u);
}

}  // namespace
