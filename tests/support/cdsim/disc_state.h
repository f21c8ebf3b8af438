// The simulated CD drives: the discs a test put in, each drive's head and play,
// and the clock that moves the head. The test and every program that opens a
// drive through the MCI driver read and write one state file under one named
// mutex, so a play started in one process is seen in every other, as a real
// drive's would be.
//
// The state file, C:\cdsim\state.txt, one line per item, tokens "key=value":
//   clock ms=12000 real=0 tick=0
//   drive letter=E door=closed motion=playing position=150 end=13650 since=0 generation=3 tracks=a13500,d9000
// Lengths and positions are CD frames (75 a second); positions count from the
// start of the disc, so track 1 starts at frame 150 (00:02:00) as on a real
// disc. "tracks" lists each track as "a" (audio) or "d" (data) and its length;
// an empty list is no disc. With real=1 the clock runs: its time is ms plus the
// milliseconds since the system tick count was tick.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cdsim {

constexpr uint32_t kFramesPerSecond = 75;
constexpr uint32_t kFirstTrackFrame = 2 * kFramesPerSecond;

struct Track {
  uint32_t frames = 0;
  bool audio = true;
};

enum class Motion { Stopped, Playing, Paused };

struct Drive {
  wchar_t letter = L'D';
  std::vector<Track> tracks;  // empty: no disc
  bool doorOpen = false;
  Motion motion = Motion::Stopped;
  uint32_t position = kFirstTrackFrame;  // playing: where the play started; otherwise where the head is
  uint32_t end = 0;                      // playing or paused: where the play stops
  uint64_t since = 0;                    // playing: clock time at which the head was at position
  uint32_t generation = 0;               // changes at every play, pause, stop, seek and disc change

  bool Present() const { return !doorOpen && !tracks.empty(); }
  // 1-based; tracks.size() + 1 gives the lead-out, where the disc ends.
  uint32_t TrackStart(size_t track) const;
  uint32_t LeadOut() const { return TrackStart(tracks.size() + 1); }
  // 1-based track that holds the frame; the last track for the lead-out.
  size_t TrackAt(uint32_t frame) const;
  uint32_t HeadAt(uint64_t clockMs) const;

  void Play(uint32_t from, uint32_t to, uint64_t clockMs);
  void Halt(Motion motion, uint64_t clockMs);  // Stopped or Paused where the head is
  void Seek(uint32_t frame);
  // Takes the disc out (door open) or puts one in (door closed).
  void Load(std::vector<Track> disc, bool doorOpen);
};

struct Clock {
  uint64_t ms = 0;
  bool realTime = false;
  uint64_t tick = 0;

  uint64_t Now() const;
  void SetRealTime(bool on);
};

struct State {
  Clock clock;
  std::vector<Drive> drives;

  // The drive's entry, made empty when the file has none.
  Drive& At(wchar_t letter);
  // A play whose end has passed has stopped there, as the drive itself would.
  void Settle();

  std::string Format() const;
  static State Parse(std::string_view text);
};

// Holds the lock over the state file while it lives: load, change, Save().
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  explicit operator bool() const { return locked_; }
  bool Save() const;
  // Appends one line to the command log (C:\cdsim\mci.log).
  void Log(const std::string& line) const;

  State state;

 private:
  HANDLE mutex_ = nullptr;
  bool locked_ = false;
};

std::wstring Folder();
std::wstring LogPath();
// The folder that dosdevices\X: points at: the disc's root while one is in.
std::wstring RootFolder(wchar_t letter);
// Makes the root folder match the drive: gone without a disc, a folder with
// one TrackNN.cda per audio track with one. fresh replaces a folder already
// there, so a disc swap is a new root as on a real drive.
bool SyncRoot(const Drive& drive, bool fresh);

}  // namespace cdsim
