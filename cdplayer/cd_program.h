// The CD player's arithmetic and its choice of the next program entry, free of
// Win32 so that it runs natively under the sanitizers too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

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

}  // namespace zv::cdplayer
