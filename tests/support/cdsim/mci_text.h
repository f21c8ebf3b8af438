// MCI time values on a simulated disc, and the words of the command log.
//
// A log line: process id, device id, drive, command, "key=value" parameters,
// "->", the MCI result, and what a status query answered:
//   412 1 E: STATUS flags=WAIT|TRACK|STATUS_ITEM item=LENGTH track=2 -> 0 return=04:10:00
//   412 1 E: PLAY flags=NOTIFY|FROM|TO from=2:00:00:00 to=2:04:10:00 -> 0
// Flags are named in the order of their bits; times are written in the
// device's time format (see TimeText). The driver receives MCI_OPEN and
// MCI_CLOSE as MCI_OPEN_DRIVER and MCI_CLOSE_DRIVER and logs them as OPEN and
// CLOSE; an open that winmm refuses before the driver sees it is not logged.
#pragma once

#include "disc_state.h"

#include <string>
#include <string_view>

namespace cdsim {

// MCI_MODE_PLAY, MCI_MODE_PAUSE or MCI_MODE_STOP; an empty drive answers
// MCI_MODE_OPEN, door open or not.
DWORD ModeOf(const Drive& drive);
bool KnownTimeFormat(DWORD format);
// The absolute frame that a value in the time format names; false when it names
// no place on the disc (a track that is not there, a time past the end).
bool FrameOf(const Drive& drive, DWORD format, DWORD value, uint32_t* frame);
// A position in the time format; in TMSF the track that holds it and the time into that track.
DWORD PositionValue(const Drive& drive, DWORD format, uint32_t frame);
// A length in the time format; in TMSF an MSF value, as a CD device answers.
DWORD LengthValue(DWORD format, uint32_t frames);

// "2:03:10:05" in TMSF, "03:10:05" in MSF, a decimal number in milliseconds and frames.
std::string TimeText(DWORD format, DWORD value);
std::string TimeFormatName(DWORD format);
std::string StatusItemName(DWORD item);
// The name the log uses for a driver message ("PLAY"), or its number in hex.
std::string CommandName(UINT message);
// "NOTIFY|FROM|TO"; bits without a name for that command are written in hex.
std::string FlagsText(std::string_view command, DWORD flags);
DWORD FlagsValue(std::string_view command, std::string_view text);

}  // namespace cdsim
