// The simulated CD drives of the test prefix, as a test drives them.
//
// scripts/wine-env maps D: and E: as CD-ROM drives (links to C:\cdsim\d and
// C:\cdsim\e) and registers zvcdsim.dll, which lands beside the test programs,
// as the MCI "cdaudio" driver. A program opens a drive with mciSendCommandW as
// it would a real one. The test puts discs in and takes them out (the drive's
// root folder comes and goes with the disc), moves the clock that plays them,
// and reads the log of every MCI command the drives received, from any process.
// An empty drive opens; its status queries other than mode, media present,
// ready and time format fail with MCIERR_DEVICE_NOT_READY, and its mode is
// MCI_MODE_OPEN. Playing from a data track fails with MCIERR_HARDWARE.
// Tests that use the drives share them: mark them RESOURCE_LOCK cdsim.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zvtest {

constexpr uint32_t CdFrames(uint32_t minutes, uint32_t seconds, uint32_t frames = 0) {
  return (minutes * 60 + seconds) * 75 + frames;
}

struct CdTrack {
  uint32_t frames = 0;
  bool audio = true;
};

struct CdDriveState {
  bool present = false;  // a disc in and the door closed
  bool doorOpen = false;
  UINT mode = 0;          // MCI_MODE_PLAY, MCI_MODE_PAUSE, MCI_MODE_STOP; MCI_MODE_OPEN without a disc
  uint32_t position = 0;  // the head, in frames from the disc's start: track 1 starts at 150 (00:02:00)
};

// One line of the command log, e.g.
//   412 1 E: PLAY flags=NOTIFY|FROM|TO from=2:00:00:00 to=2:04:10:00 -> 0
struct CdLogEntry {
  DWORD process = 0;
  UINT device = 0;
  wchar_t drive = 0;    // 0 for an open that named no CD drive
  std::string command;  // OPEN, CLOSE, STATUS, SET, PLAY, SEEK, STOP, PAUSE, RESUME, or the message in hex
  DWORD flags = 0;
  std::map<std::string, std::string> params;  // item=LENGTH track=2 from=2:00:00:00 format=TMSF element=D:
  DWORD result = 0;
  std::string returned;  // a status answer: a number, or a time as the parameters write it
  std::string line;

  std::string Param(const std::string& key) const;
};

class CdSim {
 public:
  // Every drive empty with its door closed, the clock stopped at 0, the log empty.
  CdSim();
  // Empties the drives again, so that no disc is left for the next test.
  ~CdSim();
  CdSim(const CdSim&) = delete;
  CdSim& operator=(const CdSim&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::wstring& Error() const { return error_; }

  // Puts a new disc in and closes the door: a new root folder with one TrackNN.cda per audio track.
  bool Insert(wchar_t drive, const std::vector<CdTrack>& disc);
  // Opens the door and takes the disc out: the root folder is gone, a play stops.
  bool Eject(wchar_t drive);
  // The clock stands still until moved, or runs in real time.
  bool Advance(uint32_t ms);
  bool RunInRealTime(bool on);

  CdDriveState Drive(wchar_t drive);
  // Every line so far, or only those of one process.
  std::vector<CdLogEntry> Log(DWORD process = 0);
  bool ClearLog();

 private:
  bool Fail(const std::wstring& why);

  std::wstring error_;
};

}  // namespace zvtest
