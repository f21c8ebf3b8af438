#include "cd_program.h"

#include <algorithm>

namespace zv::cdplayer {

size_t RandomPosition(size_t count, uint32_t r) {
  const uint64_t pick = uint64_t{count} * (r & kRandomMax) / kRandomMax;
  return pick < count ? static_cast<size_t>(pick) : count - 1;
}

bool MoveToPlayable(const ProgramView& view, int64_t& position, int direction, const MoveChoices& choices) {
  const auto marked = [](uint8_t mark) { return mark != 0; };
  if (std::all_of(view.unplayable.begin(), view.unplayable.end(), marked)) return false;
  const auto count = static_cast<int64_t>(view.count);
  if (count == 0) return false;
  bool picked = false;
  // A pick, the steps back to entry 0 and one lap forward visit every entry:
  // more steps than that would only go round a program of marked tracks.
  for (int64_t step = 0; step <= 2 * count + 1; ++step) {
    if (direction > 0) {
      if (picked || !choices.random()) {
        position = std::max<int64_t>(position + 1, 0);
        if (position >= count) {
          if (!choices.repeat()) return false;
          position = 0;
        }
      } else {
        position = static_cast<int64_t>(RandomPosition(view.count, choices.draw()));
        picked = true;
      }
    } else {
      // A program shortened under the position steps back from its end.
      position = std::min(position, count) - 1;
      if (position < 0) {
        if (choices.repeat()) {
          position = count - 1;
        } else {
          position = 0;
          direction = 1;
        }
      }
    }
    const uint32_t track = view.trackAt(static_cast<size_t>(position));
    if (track < view.unplayable.size() && view.unplayable[track] == 0) return true;
  }
  return false;
}

}  // namespace zv::cdplayer
