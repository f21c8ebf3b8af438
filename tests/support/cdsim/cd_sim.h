// The simulated CD drives D: and E:, which scripts/wine-env links to C:\cdsim\d
// and C:\cdsim\e with zvcdsim.dll as MCI "cdaudio" driver: opened through
// mciSendCommandW as real drives are. All processes share their discs (a root
// folder exists while one is in), their play and a clock, in C:\cdsim\state.bin
// under the mutex "ZvCdSimState". The driver answers what a CD player sends:
// open, close, status (tracks, lengths, the position in TMSF, mode, media), the
// time format, a play within one audio track (from a data track: MCIERR_HARDWARE),
// pause and stop. Each command adds a line to C:\cdsim\mci.log, e.g.
//   412 1 E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=2 -> 0 return=00:20:00
// (process, device, drive, command, flags, parameters, result, answer). Tests
// that use the drives take the ctest lock "cdsim".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zvtest {

struct CdTrack {
  uint32_t seconds = 0;
  bool audio = true;
};

// Each true once done. Without tracks, Insert takes the disc out. The clock
// moves on by advanceMs and then runs in real time or stands still.
bool InsertCd(wchar_t drive, const std::vector<CdTrack>& disc);
bool SetCdClock(uint32_t advanceMs, bool realTime = false);
// Both drives empty, the clock standing still and the log empty: "", or what is wrong.
std::string ResetCdDrives();
// The whole log, emptied afterwards when asked; or the lines of one process (0: of
// all) from the drive on, e.g. "E: STOP flags=WAIT -> 0".
std::string CdLog(bool empty = false);
std::vector<std::string> CdLogLines(DWORD process = 0, bool withStatus = true);

}  // namespace zvtest
