// The simulated CD drives, through plain mciSendCommandW calls as a player makes
// them, and through the file system as a program watching the drive sees them.
#include "cd_sim.h"
#include "support.h"

#include <gtest/gtest.h>
#include <io.h>
#include <mmsystem.h>

#include <set>

namespace {

using zvtest::CdFrames;
using zvtest::CdSim;
using zvtest::CdTrack;

constexpr DWORD kWaitMs = 5000;

// Two audio tracks of 3:00:00 and 0:20:00, then a data track.
const std::vector<CdTrack> kDisc = {{CdFrames(3, 0)}, {CdFrames(0, 20)}, {CdFrames(2, 0), false}};

// An open CD device, closed when it goes.
class Device {
 public:
  // As the player opens a drive: the CD type by its id, the drive ("E:") as the element.
  explicit Device(const wchar_t* drive) {
    MCI_OPEN_PARMSW open{};
    open.lpstrDeviceType = reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(MCI_DEVTYPE_CD_AUDIO));
    open.lpstrElementName = drive;
    error_ = mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT,
                             reinterpret_cast<DWORD_PTR>(&open));
    id_ = open.wDeviceID;
  }
  ~Device() {
    if (error_ == 0) mciSendCommandW(id_, MCI_CLOSE, MCI_WAIT, 0);
  }
  MCIERROR OpenError() const { return error_; }
  MCIDEVICEID Id() const { return id_; }

  MCIERROR Query(DWORD item, DWORD_PTR* value, DWORD flags = 0, DWORD track = 0) const {
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    status.dwTrack = track;
    const MCIERROR error =
        mciSendCommandW(id_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT | flags, reinterpret_cast<DWORD_PTR>(&status));
    *value = status.dwReturn;
    return error;
  }
  // The answer of a query that must succeed.
  DWORD_PTR Status(DWORD item, DWORD flags = 0, DWORD track = 0) const {
    DWORD_PTR value = 0;
    EXPECT_EQ(Query(item, &value, flags, track), 0u) << "status item " << item;
    return value;
  }
  MCIERROR TimeFormat(DWORD format) const {
    MCI_SET_PARMS set{};
    set.dwTimeFormat = format;
    return mciSendCommandW(id_, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set));
  }
  MCIERROR Play(DWORD from, DWORD to, HWND notify = nullptr) const {
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notify);
    play.dwFrom = from;
    play.dwTo = to;
    const DWORD flags = MCI_FROM | MCI_TO | (notify ? MCI_NOTIFY : 0);
    return mciSendCommandW(id_, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play));
  }
  MCIERROR Send(UINT command, DWORD flags = MCI_WAIT) const {
    MCI_GENERIC_PARMS parms{};
    return mciSendCommandW(id_, command, flags, reinterpret_cast<DWORD_PTR>(&parms));
  }

 private:
  MCIDEVICEID id_ = 0;
  MCIERROR error_ = 0;
};

// A window that MM_MCINOTIFY is posted to.
class NotifyWindow {
 public:
  NotifyWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~NotifyWindow() { DestroyWindow(window_); }
  HWND Get() const { return window_; }
  // The status of the next notification; 0 when none comes within the time.
  WPARAM Next(DWORD timeoutMs = 0) const {
    const ULONGLONG limit = GetTickCount64() + timeoutMs;
    for (;;) {
      MSG message;
      if (PeekMessageW(&message, window_, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) return message.wParam;
      const ULONGLONG now = GetTickCount64();
      if (now >= limit) return 0;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(limit - now), QS_POSTMESSAGE);
    }
  }

 private:
  HWND window_;
};

std::set<std::wstring> RootListing(const wchar_t* drive) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW find;
  HANDLE search = FindFirstFileW((std::wstring(drive) + L"\\*").c_str(), &find);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(find.cFileName);
  while (FindNextFileW(search, &find));
  FindClose(search);
  return names;
}

class CdSimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim_.Ok()) << zvtest::Utf8(sim_.Error()); }
  CdSim sim_;
};

TEST_F(CdSimTest, RootFolderComesAndGoesWithTheDisc) {
  for (const wchar_t* root : {L"D:\\", L"E:\\"}) EXPECT_EQ(GetDriveTypeW(root), DRIVE_CDROM) << zvtest::Utf8(root);
  EXPECT_EQ(GetLogicalDrives() & 0x18, 0x18u) << "an empty CD drive is still a drive";
  EXPECT_NE(_waccess(L"D:\\", 0), 0);
  EXPECT_TRUE(RootListing(L"D:").empty());

  ASSERT_TRUE(sim_.Insert(L'D', kDisc));
  EXPECT_EQ(_waccess(L"D:\\", 0), 0);
  EXPECT_EQ(RootListing(L"D:"), (std::set<std::wstring>{L"Track01.cda", L"Track02.cda"}));
  HANDLE change = FindFirstChangeNotificationW(L"D:\\", FALSE, 0x1F);
  ASSERT_NE(change, INVALID_HANDLE_VALUE);

  // A drive's root lists no "." or "..". Another disc is another root, and a
  // program watching the old one is told.
  ASSERT_TRUE(sim_.Insert(L'D', {{CdFrames(1, 0)}}));
  EXPECT_EQ(RootListing(L"D:"), (std::set<std::wstring>{L"Track01.cda"}));
  EXPECT_EQ(WaitForSingleObject(change, kWaitMs), WAIT_OBJECT_0);
  FindCloseChangeNotification(change);

  ASSERT_TRUE(sim_.Eject(L'D'));
  EXPECT_NE(_waccess(L"D:\\", 0), 0);
  EXPECT_EQ(GetFileAttributesW(L"D:\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetDriveTypeW(L"D:\\"), DRIVE_CDROM);
}

TEST_F(CdSimTest, StatusAnswersInEachTimeFormat) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Device cd(L"E:");
  ASSERT_EQ(cd.OpenError(), 0u);
  EXPECT_EQ(cd.Status(MCI_STATUS_TIME_FORMAT), DWORD_PTR{MCI_FORMAT_MSF}) << "a CD device opens in MSF";
  struct Case {
    DWORD format, item, flags, track;
    DWORD_PTR expected;
  } const cases[] = {
      {MCI_FORMAT_MSF, MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, 3},
      {MCI_FORMAT_MSF, MCI_STATUS_LENGTH, MCI_TRACK, 2, MCI_MAKE_MSF(0, 20, 0)},
      {MCI_FORMAT_MSF, MCI_STATUS_LENGTH, 0, 0, MCI_MAKE_MSF(5, 20, 0)},
      {MCI_FORMAT_MSF, MCI_STATUS_POSITION, MCI_TRACK, 2, MCI_MAKE_MSF(3, 2, 0)},
      {MCI_FORMAT_MSF, MCI_STATUS_POSITION, MCI_STATUS_START, 0, MCI_MAKE_MSF(0, 2, 0)},
      {MCI_FORMAT_MSF, MCI_STATUS_POSITION, 0, 0, MCI_MAKE_MSF(0, 2, 0)},
      {MCI_FORMAT_TMSF, MCI_STATUS_LENGTH, MCI_TRACK, 1, MCI_MAKE_MSF(3, 0, 0)},
      {MCI_FORMAT_TMSF, MCI_STATUS_POSITION, MCI_TRACK, 3, MCI_MAKE_TMSF(3, 0, 0, 0)},
      {MCI_FORMAT_TMSF, MCI_STATUS_POSITION, 0, 0, MCI_MAKE_TMSF(1, 0, 0, 0)},
      {MCI_FORMAT_MILLISECONDS, MCI_STATUS_LENGTH, MCI_TRACK, 1, 180000},
      {MCI_FORMAT_MILLISECONDS, MCI_STATUS_POSITION, MCI_TRACK, 2, 182000},
      {MCI_FORMAT_TMSF, MCI_CDA_STATUS_TYPE_TRACK, MCI_TRACK, 1, MCI_CDA_TRACK_AUDIO},
      {MCI_FORMAT_TMSF, MCI_CDA_STATUS_TYPE_TRACK, MCI_TRACK, 3, MCI_CDA_TRACK_OTHER},
      {MCI_FORMAT_TMSF, MCI_STATUS_CURRENT_TRACK, 0, 0, 1},
      {MCI_FORMAT_TMSF, MCI_STATUS_MODE, 0, 0, MCI_MODE_STOP},
      {MCI_FORMAT_TMSF, MCI_STATUS_MEDIA_PRESENT, 0, 0, TRUE},
      {MCI_FORMAT_TMSF, MCI_STATUS_READY, 0, 0, TRUE},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(cd.TimeFormat(c.format), 0u);
    EXPECT_EQ(cd.Status(c.item, c.flags, c.track), c.expected)
        << "format " << c.format << " item " << c.item << " track " << c.track;
  }

  struct Refused {
    DWORD item, flags, track;
    MCIERROR expected;
  } const refused[] = {
      {MCI_STATUS_LENGTH, MCI_TRACK, 4, MCIERR_OUTOFRANGE},
      {MCI_STATUS_LENGTH, MCI_TRACK, 0, MCIERR_OUTOFRANGE},
      {MCI_CDA_STATUS_TYPE_TRACK, 0, 0, MCIERR_MISSING_PARAMETER},
      {0x99, 0, 0, MCIERR_BAD_CONSTANT},
  };
  for (const Refused& r : refused) {
    DWORD_PTR value = 0;
    EXPECT_EQ(cd.Query(r.item, &value, r.flags, r.track), r.expected) << "item " << r.item << " track " << r.track;
  }
  EXPECT_EQ(cd.TimeFormat(MCI_FORMAT_SAMPLES), MCIERR_BAD_TIME_FORMAT);

  const std::vector<zvtest::CdLogEntry> log = sim_.Log(GetCurrentProcessId());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].command, "OPEN");
  EXPECT_EQ(log[0].flags, DWORD{MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT});
  EXPECT_EQ(log[0].Param("type"), "516");
  EXPECT_EQ(log[0].Param("element"), "E:");
  EXPECT_EQ(log[0].drive, L'E');
  EXPECT_EQ(log[0].device, cd.Id());
  auto tail = [](const zvtest::CdLogEntry& e) { return e.line.substr(e.line.find(" E: ")); };
  std::vector<std::string> lines;
  for (const zvtest::CdLogEntry& e : log)
    if (e.Param("track") == "2" || e.result != 0) lines.push_back(tail(e));
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                " E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=2 -> 0 return=00:20:00",
                " E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=POSITION track=2 -> 0 return=03:02:00",
                " E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=POSITION track=2 -> 0 return=182000",
                " E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=4 -> " + std::to_string(MCIERR_OUTOFRANGE),
                " E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=0 -> " + std::to_string(MCIERR_OUTOFRANGE),
                " E: STATUS flags=WAIT|STATUS_ITEM item=TYPE_TRACK -> " + std::to_string(MCIERR_MISSING_PARAMETER),
                " E: STATUS flags=WAIT|STATUS_ITEM item=0x99 -> " + std::to_string(MCIERR_BAD_CONSTANT),
                " E: SET flags=WAIT|SET_TIME_FORMAT format=0x9 -> " + std::to_string(MCIERR_BAD_TIME_FORMAT)}));
}

// winmm turns the driver's answers into words and colon-separated times.
TEST_F(CdSimTest, AnswersTheStringInterface) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"open E: type cdaudio alias cd", L"1"},
      {L"status cd mode", L"stopped"},
      {L"status cd media present", L"true"},
      {L"status cd number of tracks", L"3"},
      {L"status cd time format", L"msf"},
      {L"status cd length track 2", L"00:20:00"},
      {L"set cd time format tmsf", L""},
      {L"status cd position track 2", L"02:00:00:00"},
      {L"play cd from 2:0:4:0", L""},
      {L"status cd mode", L"playing"},
      {L"close cd", L""},
  };
  for (const auto& [command, expected] : cases) {
    wchar_t answer[64] = L"";
    EXPECT_EQ(mciSendStringW(command, answer, 64, nullptr), 0u) << zvtest::Utf8(command);
    EXPECT_STREQ(answer, expected) << zvtest::Utf8(command);
  }
}

TEST_F(CdSimTest, PlaysOnTheHandClockAndNotifiesHowThePlayEnded) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Device cd(L"E:");
  ASSERT_EQ(cd.OpenError(), 0u);
  ASSERT_EQ(cd.TimeFormat(MCI_FORMAT_TMSF), 0u);
  NotifyWindow window;

  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(2, 0, 0, 0), MCI_MAKE_TMSF(2, 0, 10, 0), window.Get()), 0u);
  ASSERT_TRUE(sim_.Advance(4000));
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_PLAY});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 4, 0));
  EXPECT_EQ(cd.Status(MCI_STATUS_CURRENT_TRACK), 2u);
  EXPECT_EQ(window.Next(), 0u) << "the play has not ended";

  // A paused drive holds its place while the clock runs on.
  ASSERT_EQ(cd.Send(MCI_PAUSE), 0u);
  EXPECT_EQ(window.Next(), WPARAM{MCI_NOTIFY_ABORTED});
  ASSERT_TRUE(sim_.Advance(3000));
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_PAUSE});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 4, 0));

  ASSERT_EQ(cd.Send(MCI_RESUME), 0u);
  ASSERT_TRUE(sim_.Advance(1000));
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_PLAY});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 5, 0));

  // Played on from there, it stops at its end and says so.
  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(2, 0, 5, 0), MCI_MAKE_TMSF(2, 0, 10, 0), window.Get()), 0u);
  ASSERT_TRUE(sim_.Advance(6000));
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_STOP});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 10, 0));
  EXPECT_EQ(window.Next(), WPARAM{MCI_NOTIFY_SUCCESSFUL});

  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(1, 0, 0, 0), MCI_MAKE_TMSF(1, 3, 0, 0), window.Get()), 0u);
  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(1, 1, 0, 0), MCI_MAKE_TMSF(1, 3, 0, 0), window.Get()), 0u);
  EXPECT_EQ(window.Next(), WPARAM{MCI_NOTIFY_SUPERSEDED});
  ASSERT_EQ(cd.Send(MCI_STOP), 0u);
  EXPECT_EQ(window.Next(), WPARAM{MCI_NOTIFY_ABORTED});
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_STOP});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(1, 1, 0, 0));

  struct Seek {
    DWORD flags, to, expected;
  } const seeks[] = {
      {MCI_TO, MCI_MAKE_TMSF(2, 0, 5, 0), MCI_MAKE_TMSF(2, 0, 5, 0)},
      {MCI_SEEK_TO_START, 0, MCI_MAKE_TMSF(1, 0, 0, 0)},
      {MCI_SEEK_TO_END, 0, MCI_MAKE_TMSF(3, 2, 0, 0)},  // the end of the last track
  };
  for (const Seek& s : seeks) {
    MCI_SEEK_PARMS seek{};
    seek.dwTo = s.to;
    ASSERT_EQ(mciSendCommandW(cd.Id(), MCI_SEEK, s.flags | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&seek)), 0u);
    EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), s.expected) << "seek flags " << s.flags;
  }

  bool found = false;
  for (const zvtest::CdLogEntry& entry : sim_.Log()) {
    if (entry.command != "PLAY") continue;
    EXPECT_EQ(entry.flags, DWORD{MCI_NOTIFY | MCI_FROM | MCI_TO});
    EXPECT_EQ(entry.Param("from"), "2:00:00:00");
    EXPECT_EQ(entry.Param("to"), "2:00:10:00");
    EXPECT_EQ(entry.result, 0u);
    found = true;
    break;
  }
  EXPECT_TRUE(found) << "no PLAY in the log";
}

// No MCI call between the end of the play and the notification: the driver
// watches the clock itself, whether the test moves it or it runs.
TEST_F(CdSimTest, NotifiesTheEndUnasked) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Device cd(L"E:");
  ASSERT_EQ(cd.TimeFormat(MCI_FORMAT_TMSF), 0u);
  NotifyWindow window;
  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(2, 0, 0, 0), MCI_MAKE_TMSF(2, 0, 1, 0), window.Get()), 0u);
  ASSERT_TRUE(sim_.Advance(1000));
  EXPECT_EQ(window.Next(kWaitMs), WPARAM{MCI_NOTIFY_SUCCESSFUL});

  ASSERT_TRUE(sim_.RunInRealTime(true));
  ASSERT_EQ(cd.Play(MCI_MAKE_TMSF(2, 0, 1, 0), MCI_MAKE_TMSF(2, 0, 1, 30), window.Get()), 0u);
  EXPECT_EQ(window.Next(kWaitMs), WPARAM{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(cd.Status(MCI_STATUS_POSITION), MCI_MAKE_TMSF(2, 0, 1, 30));
}

TEST_F(CdSimTest, RefusesWhatADriveRefuses) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Device empty(L"D:");
  EXPECT_EQ(empty.OpenError(), 0u) << "an empty drive opens";
  Device cd(L"E:");
  ASSERT_EQ(cd.TimeFormat(MCI_FORMAT_TMSF), 0u);
  DWORD_PTR value = 0;
  struct Case {
    const char* what;
    MCIERROR error;
    MCIERROR expected;
  } const cases[] = {
      {"data track", cd.Play(MCI_MAKE_TMSF(3, 0, 0, 0), MCI_MAKE_TMSF(3, 1, 0, 0)), MCIERR_HARDWARE},
      {"no such track", cd.Play(MCI_MAKE_TMSF(4, 0, 0, 0), MCI_MAKE_TMSF(4, 1, 0, 0)), MCIERR_OUTOFRANGE},
      {"past the track's seconds", cd.Play(MCI_MAKE_TMSF(1, 0, 60, 0), MCI_MAKE_TMSF(2, 0, 0, 0)), MCIERR_OUTOFRANGE},
      {"to before from", cd.Play(MCI_MAKE_TMSF(2, 0, 5, 0), MCI_MAKE_TMSF(2, 0, 1, 0)), MCIERR_OUTOFRANGE},
      {"no disc: play", empty.Play(MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(0, 3, 0)), MCIERR_DEVICE_NOT_READY},
      {"no disc: tracks", empty.Query(MCI_STATUS_NUMBER_OF_TRACKS, &value), MCIERR_DEVICE_NOT_READY},
      {"no disc: stop", empty.Send(MCI_STOP), MCIERR_DEVICE_NOT_READY},
      {"not a CD drive", Device(L"C:").OpenError(), MCIERR_INVALID_DEVICE_NAME},
      {"open twice in one process (winmm)", Device(L"E:").OpenError(), MCIERR_DEVICE_OPEN},
  };
  for (const Case& c : cases) EXPECT_EQ(c.error, c.expected) << c.what;
  EXPECT_EQ(empty.Status(MCI_STATUS_MEDIA_PRESENT), DWORD_PTR{FALSE});
  EXPECT_EQ(empty.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_OPEN});
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_STOP}) << "a refused play leaves the drive as it was";
}

TEST_F(CdSimTest, DiscTakenOutEndsThePlay) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  Device cd(L"E:");
  NotifyWindow window;
  ASSERT_EQ(cd.Play(MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(3, 0, 0), window.Get()), 0u);
  ASSERT_TRUE(sim_.Eject(L'E'));
  EXPECT_EQ(window.Next(kWaitMs), WPARAM{MCI_NOTIFY_FAILURE});
  EXPECT_EQ(cd.Status(MCI_STATUS_MEDIA_PRESENT), DWORD_PTR{FALSE});
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_OPEN});
  DWORD_PTR tracks = 0;
  EXPECT_EQ(cd.Query(MCI_STATUS_NUMBER_OF_TRACKS, &tracks), MCIERR_DEVICE_NOT_READY);

  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  EXPECT_EQ(cd.Status(MCI_STATUS_MEDIA_PRESENT), DWORD_PTR{TRUE});
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_STOP});

  // The door opened through MCI keeps the disc in its tray.
  MCI_SET_PARMS set{};
  ASSERT_EQ(mciSendCommandW(cd.Id(), MCI_SET, MCI_SET_DOOR_OPEN | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set)), 0u);
  EXPECT_FALSE(sim_.Drive(L'E').present);
  EXPECT_NE(_waccess(L"E:\\", 0), 0);
  ASSERT_EQ(mciSendCommandW(cd.Id(), MCI_SET, MCI_SET_DOOR_CLOSED | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set)), 0u);
  EXPECT_EQ(cd.Status(MCI_STATUS_NUMBER_OF_TRACKS), 3u);
  EXPECT_EQ(_waccess(L"E:\\", 0), 0);
}

// A player's drive walk: every CD drive in letter order, the first with a disc wins.
TEST_F(CdSimTest, TwoDrivesTheFirstEmpty) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  // By type name alone the first CD drive answers; with an element, that drive.
  for (const wchar_t* element : {static_cast<const wchar_t*>(nullptr), L"E:"}) {
    MCI_OPEN_PARMSW open{};
    open.lpstrDeviceType = L"cdaudio";
    open.lpstrElementName = element;
    open.lpstrAlias = L"cd";
    const DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_ALIAS | (element ? MCI_OPEN_ELEMENT : 0);
    ASSERT_EQ(mciSendCommandW(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open)), 0u);
    mciSendCommandW(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  }
  Device first(L"D:"), second(L"E:");
  DWORD_PTR tracks = 0;
  EXPECT_EQ(first.Query(MCI_STATUS_NUMBER_OF_TRACKS, &tracks), MCIERR_DEVICE_NOT_READY);
  EXPECT_EQ(second.Status(MCI_STATUS_NUMBER_OF_TRACKS), 3u);
  ASSERT_EQ(second.Play(MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(1, 0, 0)), 0u);
  EXPECT_EQ(sim_.Drive(L'E').mode, UINT{MCI_MODE_PLAY});
  EXPECT_EQ(sim_.Drive(L'D').mode, UINT{MCI_MODE_OPEN});

  std::vector<std::string> lines;
  for (const zvtest::CdLogEntry& e : sim_.Log())
    lines.push_back(std::string(1, char(e.drive ? e.drive : '-')) + " " + e.command);
  EXPECT_EQ(lines, (std::vector<std::string>{"D OPEN", "D CLOSE", "E OPEN", "E CLOSE", "D OPEN", "E OPEN", "D STATUS",
                                             "E STATUS", "E PLAY"}));
}

// Another program plays and closes its device; the drive plays on for everyone.
TEST_F(CdSimTest, OneDriveForEveryProcess) {
  ASSERT_TRUE(sim_.Insert(L'E', kDisc));
  const std::wstring exe = zvtest::ProgramDir() + L"zvcdplay.exe";
  std::wstring commandLine = L"\"" + exe + L"\" E: 2";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(
      CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
  CloseHandle(child.hThread);
  const DWORD waited = WaitForSingleObject(child.hProcess, 10 * kWaitMs);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 1);
  DWORD code = 1;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hProcess);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "zvcdplay did not end";
  EXPECT_EQ(code, 0u);

  Device cd(L"E:");
  EXPECT_EQ(cd.Status(MCI_STATUS_MODE), DWORD_PTR{MCI_MODE_PLAY});
  EXPECT_EQ(cd.Status(MCI_STATUS_CURRENT_TRACK), 2u);
  std::vector<std::string> commands;
  for (const zvtest::CdLogEntry& e : sim_.Log(child.dwProcessId)) commands.push_back(e.command);
  EXPECT_EQ(commands, (std::vector<std::string>{"OPEN", "SET", "PLAY", "CLOSE"}));
}

}  // namespace
