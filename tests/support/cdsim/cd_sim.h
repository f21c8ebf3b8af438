// The simulated CD drives D: and E:, which scripts/wine-env links to C:\cdsim\d
// and C:\cdsim\e with zvcdsim.dll as MCI "cdaudio" driver. All processes share
// their discs (a root folder exists while one is in), their play and a clock, in
// C:\cdsim\state.bin under the mutex "ZvCdSimState". As a real drive, one opens
// a drive at a time: a second open is refused (291) until the first closes or its
// process ends. Each command adds a line to
// C:\cdsim\mci.log: process, device, drive, command, flags, parameters, result, answer:
//   412 1 E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=2 -> 0 return=00:20:00
// Tests that use the drives take the ctest lock "cdsim".
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
// Both drives empty, the clock standing still and the log empty.
bool ResetCdDrives();
// The whole log, emptied afterwards when asked; or its lines from the drive on,
// e.g. "E: STOP flags=WAIT -> 0".
std::string CdLog(bool empty = false);
std::vector<std::string> CdLogLines(bool withStatus = false);

}  // namespace zvtest
