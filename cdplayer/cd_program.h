// The CD player's arithmetic, its choice of the next program entry and what the
// player window decides and shows, free of Win32 so that it runs natively under
// the sanitizers too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cdplayer_ids.h"

// Values of the host's play-state variable; anything else is "not playing".
constexpr int CDSTATE_PLAYING = 1;
constexpr int CDSTATE_STOPPED = 2;
constexpr int CDSTATE_PAUSED = 3;

namespace zv::cdplayer {

// MCI's packed times. MSF: byte 0 minutes, 1 seconds, 2 frames. TMSF: byte 0
// the 1-based track, then minutes, seconds and frames.
constexpr uint32_t Tmsf(uint32_t track, uint32_t minutes, uint32_t seconds, uint32_t frames) {
  return (track & 0xFF) | (minutes & 0xFF) << 8 | (seconds & 0xFF) << 16 | (frames & 0xFF) << 24;
}
// Where a zero-based track starts.
constexpr uint32_t TrackStart(uint32_t track) { return Tmsf(track + 1, 0, 0, 0); }
// Where a zero-based track of the given MSF length ends.
constexpr uint32_t TrackEnd(uint32_t track, uint64_t msfLength) {
  return Tmsf(track + 1, msfLength & 0xFF, (msfLength >> 8) & 0xFF, (msfLength >> 16) & 0xFF);
}

// The generator's draws count in 0..32767; wider ones are cut down to that.
constexpr uint32_t kRandomMax = 32767;
// The program position of a random pick r among count entries (count > 0).
size_t RandomPosition(size_t count, uint32_t r);
// What the generator is seeded with at seconds since 1970.
constexpr unsigned RandomSeed(int64_t seconds) { return static_cast<unsigned>(seconds & 0x7FFF); }

// What the search needs from the worker: the host's flags, read afresh at each
// use, and one random draw (seeding included).
struct MoveChoices {
  std::function<bool()> random;
  std::function<bool()> repeat;
  std::function<uint32_t()> draw;
};

// The program (zero-based tracks in play order, read through trackAt) and one
// mark per track of the disc, 1 for a track that refused to play.
struct ProgramView {
  size_t count = 0;
  std::function<uint32_t(size_t)> trackAt;
  std::span<const uint8_t> unplayable;
};

// Moves position to the next (direction > 0) or previous playable entry.
// Forward runs off the end only with repeat (back to 0); with random the first
// step is a pick. Backward past 0 wraps with repeat, else turns forward from 0.
// False, with position wherever the search stopped, when nothing can be played:
// every track marked, an empty program, or no entry naming a playable track.
bool MoveToPlayable(const ProgramView& view, int64_t& position, int direction, const MoveChoices& choices);

// The player window's program edits. The program list shows one row per entry
// and then the row 末尾; selected is its selected row, -1 for none. Each gives
// back the row to select afterwards, or nothing when the button does nothing.
// Add puts the track (the track list's selected row, -1 for none) before the
// selected entry, or at the end when 末尾 or nothing is selected.
std::optional<int> AddToProgram(std::vector<uint32_t>& program, int selected, int track);
std::optional<int> RemoveFromProgram(std::vector<uint32_t>& program, int selected);
std::optional<int> MoveUpInProgram(std::vector<uint32_t>& program, int selected);
std::optional<int> MoveDownInProgram(std::vector<uint32_t>& program, int selected);

// Where Play starts: the selected program row; 末尾 or no selection mean 0.
int64_t StartPosition(int selected, int rows);

// What Play (restart false) or a double-click on a program row (restart true)
// does, in the order the window checks.
enum class PlayChoice { Resume, NoProgramRows, NoData, Start };
PlayChoice ChoosePlay(bool restart, int playState, int programRows, size_t programCount);

// The rows of the track and program lists, from zero-based tracks and MSF
// lengths; a program entry naming a track the disc has not shows 00:00.
std::u16string TrackRow(uint32_t track, uint64_t msfLength);
std::u16string ProgramRow(size_t position, uint32_t track, std::span<const uint64_t> lengths);
constexpr char16_t kProgramEndRow[] = u"末尾";

// The three display fields: track, time in the track (its length), program position.
struct DisplayTexts {
  std::u16string track, time, position;
};
DisplayTexts IdleDisplay();
// From the worker's zero-based track, TMSF position and program position, the
// program's count and the disc's lengths.
DisplayTexts PlayingDisplay(int64_t track, uint32_t tmsfPosition, int64_t listPosition, size_t programCount,
                            std::span<const uint64_t> lengths);

// The transport and edit buttons in the order previous, play, pause, stop,
// next, add, remove, each with its normal and grey bitmap (0: none).
struct ButtonBitmapPair {
  uint16_t normal, grey;
};
constexpr ButtonBitmapPair kButtonBitmaps[7] = {{IDB_CD_PREV, IDB_CD_PREV_GREY},
                                                {IDB_CD_PLAY, IDB_CD_PLAY_GREY},
                                                {IDB_CD_PAUSE, IDB_CD_PAUSE_GREY},
                                                {IDB_CD_STOP, IDB_CD_STOP_GREY},
                                                {IDB_CD_NEXT, IDB_CD_NEXT_GREY},
                                                {IDB_CD_ADD, 0},
                                                {IDB_CD_REMOVE, 0}};
// The bitmap each button shows for the host's play state. Stopped: only play is
// black, and only while the program list has rows. Otherwise all black but
// play, which is black only while paused (it resumes). Pictures only: every
// button stays enabled.
std::array<uint16_t, 7> ButtonBitmaps(int playState, bool programHasRows);

}  // namespace zv::cdplayer
