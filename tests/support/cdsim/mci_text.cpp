#include "mci_text.h"

#include <mmsystem.h>
#include <mmddk.h>

#include <charconv>
#include <cstdio>

namespace cdsim {
namespace {

struct Name {
  DWORD value;
  const char* name;
};

constexpr Name kCommands[] = {
    {MCI_OPEN_DRIVER, "OPEN"}, {MCI_CLOSE_DRIVER, "CLOSE"},    {MCI_PLAY, "PLAY"},     {MCI_SEEK, "SEEK"},
    {MCI_STOP, "STOP"},        {MCI_PAUSE, "PAUSE"},           {MCI_RESUME, "RESUME"}, {MCI_STATUS, "STATUS"},
    {MCI_SET, "SET"},          {MCI_GETDEVCAPS, "GETDEVCAPS"}, {MCI_INFO, "INFO"},
};

constexpr Name kCommonFlags[] = {{MCI_NOTIFY, "NOTIFY"}, {MCI_WAIT, "WAIT"}};
constexpr Name kOpenFlags[] = {{MCI_OPEN_SHAREABLE, "OPEN_SHAREABLE"}, {MCI_OPEN_ELEMENT, "OPEN_ELEMENT"},
                               {MCI_OPEN_ALIAS, "OPEN_ALIAS"},         {MCI_OPEN_ELEMENT_ID, "OPEN_ELEMENT_ID"},
                               {MCI_OPEN_TYPE_ID, "OPEN_TYPE_ID"},     {MCI_OPEN_TYPE, "OPEN_TYPE"}};
constexpr Name kPlayFlags[] = {{MCI_FROM, "FROM"}, {MCI_TO, "TO"}};
constexpr Name kSeekFlags[] = {{MCI_TO, "TO"}, {MCI_SEEK_TO_START, "SEEK_TO_START"}, {MCI_SEEK_TO_END, "SEEK_TO_END"}};
constexpr Name kStatusFlags[] = {
    {MCI_TRACK, "TRACK"}, {MCI_STATUS_ITEM, "STATUS_ITEM"}, {MCI_STATUS_START, "STATUS_START"}};
constexpr Name kSetFlags[] = {{MCI_SET_DOOR_OPEN, "SET_DOOR_OPEN"},
                              {MCI_SET_DOOR_CLOSED, "SET_DOOR_CLOSED"},
                              {MCI_SET_TIME_FORMAT, "SET_TIME_FORMAT"},
                              {MCI_SET_AUDIO, "SET_AUDIO"},
                              {MCI_SET_VIDEO, "SET_VIDEO"},
                              {MCI_SET_ON, "SET_ON"},
                              {MCI_SET_OFF, "SET_OFF"}};

constexpr Name kStatusItems[] = {{MCI_STATUS_LENGTH, "LENGTH"},
                                 {MCI_STATUS_POSITION, "POSITION"},
                                 {MCI_STATUS_NUMBER_OF_TRACKS, "NUMBER_OF_TRACKS"},
                                 {MCI_STATUS_MODE, "MODE"},
                                 {MCI_STATUS_MEDIA_PRESENT, "MEDIA_PRESENT"},
                                 {MCI_STATUS_TIME_FORMAT, "TIME_FORMAT"},
                                 {MCI_STATUS_READY, "READY"},
                                 {MCI_STATUS_CURRENT_TRACK, "CURRENT_TRACK"},
                                 {MCI_CDA_STATUS_TYPE_TRACK, "TYPE_TRACK"}};
constexpr Name kTimeFormats[] = {{MCI_FORMAT_MILLISECONDS, "MILLISECONDS"},
                                 {MCI_FORMAT_MSF, "MSF"},
                                 {MCI_FORMAT_FRAMES, "FRAMES"},
                                 {MCI_FORMAT_TMSF, "TMSF"}};

template <size_t N>
std::string NameOf(const Name (&names)[N], DWORD value) {
  for (const Name& n : names)
    if (n.value == value) return n.name;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(value));
  return hex;
}

// The command's own flags after the two every command has.
std::pair<const Name*, size_t> CommandFlags(std::string_view command) {
  if (command == "OPEN") return {kOpenFlags, std::size(kOpenFlags)};
  if (command == "PLAY") return {kPlayFlags, std::size(kPlayFlags)};
  if (command == "SEEK") return {kSeekFlags, std::size(kSeekFlags)};
  if (command == "STATUS") return {kStatusFlags, std::size(kStatusFlags)};
  if (command == "SET") return {kSetFlags, std::size(kSetFlags)};
  return {nullptr, 0};
}

DWORD Msf(uint32_t frames) {
  return MCI_MAKE_MSF(frames / (60 * kFramesPerSecond), frames / kFramesPerSecond % 60, frames % kFramesPerSecond);
}

}  // namespace

DWORD ModeOf(const Drive& drive) {
  if (!drive.Present()) return MCI_MODE_OPEN;
  if (drive.motion == Motion::Playing) return MCI_MODE_PLAY;
  return drive.motion == Motion::Paused ? MCI_MODE_PAUSE : MCI_MODE_STOP;
}

bool KnownTimeFormat(DWORD format) {
  for (const Name& n : kTimeFormats)
    if (n.value == format) return true;
  return false;
}

bool FrameOf(const Drive& drive, DWORD format, DWORD value, uint32_t* frame) {
  uint64_t at = 0;
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      at = uint64_t{value} * kFramesPerSecond / 1000;
      break;
    case MCI_FORMAT_FRAMES:
      at = value;
      break;
    case MCI_FORMAT_MSF:
      if (MCI_MSF_SECOND(value) >= 60 || MCI_MSF_FRAME(value) >= kFramesPerSecond) return false;
      at = (MCI_MSF_MINUTE(value) * 60 + MCI_MSF_SECOND(value)) * kFramesPerSecond + MCI_MSF_FRAME(value);
      break;
    case MCI_FORMAT_TMSF: {
      const size_t track = MCI_TMSF_TRACK(value);
      if (track < 1 || track > drive.tracks.size() || MCI_TMSF_SECOND(value) >= 60 ||
          MCI_TMSF_FRAME(value) >= kFramesPerSecond)
        return false;
      at = drive.TrackStart(track) + (MCI_TMSF_MINUTE(value) * 60 + MCI_TMSF_SECOND(value)) * kFramesPerSecond +
           MCI_TMSF_FRAME(value);
      break;
    }
    default:
      return false;
  }
  if (at < kFirstTrackFrame || at > drive.LeadOut()) return false;
  *frame = static_cast<uint32_t>(at);
  return true;
}

DWORD PositionValue(const Drive& drive, DWORD format, uint32_t frame) {
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      return static_cast<DWORD>(uint64_t{frame} * 1000 / kFramesPerSecond);
    case MCI_FORMAT_FRAMES:
      return frame;
    case MCI_FORMAT_TMSF: {
      const size_t track = drive.TrackAt(frame);
      const DWORD into = Msf(frame - drive.TrackStart(track));
      return MCI_MAKE_TMSF(track, MCI_MSF_MINUTE(into), MCI_MSF_SECOND(into), MCI_MSF_FRAME(into));
    }
    default:
      return Msf(frame);
  }
}

DWORD LengthValue(DWORD format, uint32_t frames) {
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      return static_cast<DWORD>(uint64_t{frames} * 1000 / kFramesPerSecond);
    case MCI_FORMAT_FRAMES:
      return frames;
    default:
      return Msf(frames);
  }
}

std::string TimeText(DWORD format, DWORD value) {
  char text[32];
  if (format == MCI_FORMAT_TMSF)
    std::snprintf(text, sizeof text, "%u:%02u:%02u:%02u", MCI_TMSF_TRACK(value), MCI_TMSF_MINUTE(value),
                  MCI_TMSF_SECOND(value), MCI_TMSF_FRAME(value));
  else if (format == MCI_FORMAT_MSF)
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", MCI_MSF_MINUTE(value), MCI_MSF_SECOND(value),
                  MCI_MSF_FRAME(value));
  else
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  return text;
}

std::string TimeFormatName(DWORD format) { return NameOf(kTimeFormats, format); }
std::string StatusItemName(DWORD item) { return NameOf(kStatusItems, item); }
std::string CommandName(UINT message) { return NameOf(kCommands, message); }

std::string FlagsText(std::string_view command, DWORD flags) {
  std::string text;
  auto take = [&](const Name& n) {
    if ((flags & n.value) != n.value) return;
    text += (text.empty() ? "" : "|") + std::string(n.name);
    flags &= ~n.value;
  };
  for (const Name& n : kCommonFlags) take(n);
  const auto [own, count] = CommandFlags(command);
  for (size_t i = 0; i < count; ++i) take(own[i]);
  if (flags != 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(flags));
    text += (text.empty() ? "" : "|") + std::string(hex);
  }
  return text;
}

DWORD FlagsValue(std::string_view command, std::string_view text) {
  DWORD flags = 0;
  const auto [own, count] = CommandFlags(command);
  while (!text.empty()) {
    const size_t bar = text.find('|');
    const std::string_view word = text.substr(0, bar);
    bool named = false;
    auto match = [&](const Name& n) {
      if (word != n.name) return;
      flags |= n.value;
      named = true;
    };
    for (const Name& n : kCommonFlags) match(n);
    for (size_t i = 0; i < count; ++i) match(own[i]);
    if (!named && word.starts_with("0x")) {
      DWORD bits = 0;
      std::from_chars(word.data() + 2, word.data() + word.size(), bits, 16);
      flags |= bits;
    }
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  return flags;
}

}  // namespace cdsim
