#include "cd_program.h"

#include <algorithm>
#include <string>

namespace zv::cdplayer {
namespace {

bool IsEntry(const std::vector<uint32_t>& program, int row) {
  return row >= 0 && static_cast<size_t>(row) < program.size();
}

// As printf's %02d writes a number.
std::u16string TwoDigits(int64_t value) {
  std::u16string text;
  for (const char c : std::to_string(value)) text += static_cast<char16_t>(c);
  return text.size() < 2 ? u"0" + text : text;
}

// Minutes and seconds from the low bytes of the two values.
std::u16string MinutesSeconds(uint64_t minutes, uint64_t seconds) {
  return TwoDigits(minutes & 0xFF) + u":" + TwoDigits(seconds & 0xFF);
}

uint64_t LengthOf(std::span<const uint64_t> lengths, int64_t track) {
  return track >= 0 && static_cast<uint64_t>(track) < lengths.size() ? lengths[static_cast<size_t>(track)] : 0;
}

}  // namespace

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

std::optional<int> AddToProgram(std::vector<uint32_t>& program, int selected, int track) {
  if (track < 0) return std::nullopt;
  if (IsEntry(program, selected))
    program.insert(program.begin() + selected, static_cast<uint32_t>(track));
  else
    program.push_back(static_cast<uint32_t>(track));
  return selected;
}

std::optional<int> RemoveFromProgram(std::vector<uint32_t>& program, int selected) {
  if (!IsEntry(program, selected)) return std::nullopt;
  program.erase(program.begin() + selected);
  return selected;
}

std::optional<int> MoveUpInProgram(std::vector<uint32_t>& program, int selected) {
  if (selected < 1 || !IsEntry(program, selected)) return std::nullopt;
  std::swap(program[selected - 1], program[selected]);
  return selected - 1;
}

std::optional<int> MoveDownInProgram(std::vector<uint32_t>& program, int selected) {
  if (selected < 0 || !IsEntry(program, selected + 1)) return std::nullopt;
  std::swap(program[selected], program[selected + 1]);
  return selected + 1;
}

int64_t StartPosition(int selected, int rows) { return selected < 0 || selected + 1 == rows ? 0 : selected; }

PlayChoice ChoosePlay(bool restart, int playState, int programRows, size_t programCount) {
  if (!restart && playState == CDSTATE_PAUSED) return PlayChoice::Resume;
  if (programRows <= 0) return PlayChoice::NoProgramRows;
  return programCount == 0 ? PlayChoice::NoData : PlayChoice::Start;
}

std::u16string TrackRow(uint32_t track, uint64_t msfLength) {
  return u"Track " + TwoDigits(static_cast<int32_t>(track + 1)) + u" [" + MinutesSeconds(msfLength, msfLength >> 8) +
         u"]";
}

std::u16string ProgramRow(size_t position, uint32_t track, std::span<const uint64_t> lengths) {
  return TwoDigits(static_cast<int32_t>(position + 1)) + u":" + TrackRow(track, LengthOf(lengths, track));
}

DisplayTexts IdleDisplay() { return {u"00", u"00:00(00:00)", u"00/00"}; }

DisplayTexts PlayingDisplay(int64_t track, uint32_t tmsfPosition, int64_t listPosition, size_t programCount,
                            std::span<const uint64_t> lengths) {
  const uint64_t length = LengthOf(lengths, track);
  return {TwoDigits(track + 1),
          MinutesSeconds(tmsfPosition >> 8, tmsfPosition >> 16) + u"(" + MinutesSeconds(length, length >> 8) + u")",
          TwoDigits(listPosition + 1) + u"/" + TwoDigits(static_cast<int64_t>(programCount))};
}

std::array<uint16_t, 7> ButtonBitmaps(int playState, bool programHasRows) {
  std::array<bool, 7> grey{};
  if (playState == CDSTATE_STOPPED)
    grey = {true, !programHasRows, true, true, true, false, false};
  else
    grey[1] = playState != CDSTATE_PAUSED;
  std::array<uint16_t, 7> shown{};
  for (size_t i = 0; i < shown.size(); ++i) shown[i] = grey[i] ? kButtonBitmaps[i].grey : kButtonBitmaps[i].normal;
  return shown;
}

}  // namespace zv::cdplayer
