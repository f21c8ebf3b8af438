#include "disc_state.h"

#include "support.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cwctype>

namespace cdsim {
namespace {

constexpr DWORD kLockTimeoutMs = 10000;

uint64_t Number(std::string_view text) {
  uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Calls take(key, value) for each "key=value" token of a line after the first word.
template <class Take>
void ForEachPair(std::string_view line, Take take) {
  size_t at = line.find(' ');
  while (at != std::string_view::npos && at < line.size()) {
    const size_t start = at + 1;
    at = line.find(' ', start);
    const std::string_view token = line.substr(start, at == std::string_view::npos ? line.npos : at - start);
    const size_t eq = token.find('=');
    if (eq != std::string_view::npos) take(token.substr(0, eq), token.substr(eq + 1));
  }
}

const char* MotionName(Motion motion) {
  switch (motion) {
    case Motion::Playing:
      return "playing";
    case Motion::Paused:
      return "paused";
    default:
      return "stopped";
  }
}

std::vector<Track> ParseTracks(std::string_view text) {
  std::vector<Track> tracks;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    if (item.size() > 1) tracks.push_back({static_cast<uint32_t>(Number(item.substr(1))), item[0] != 'd'});
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return tracks;
}

std::string ReadAll(const std::wstring& path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

bool WriteAll(const std::wstring& path, const std::string& text, DWORD access, DWORD disposition) {
  HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok;
}

std::wstring StatePath() { return Folder() + L"\\state.txt"; }

}  // namespace

uint32_t Drive::TrackStart(size_t track) const {
  uint32_t frame = kFirstTrackFrame;
  for (size_t i = 1; i < track && i <= tracks.size(); ++i) frame += tracks[i - 1].frames;
  return frame;
}

size_t Drive::TrackAt(uint32_t frame) const {
  size_t track = tracks.empty() ? 0 : 1;
  for (size_t t = 2; t <= tracks.size() && TrackStart(t) <= frame; ++t) track = t;
  return track;
}

uint32_t Drive::HeadAt(uint64_t clockMs) const {
  if (motion != Motion::Playing) return position;
  const uint64_t played = clockMs > since ? (clockMs - since) * kFramesPerSecond / 1000 : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(position + played, end));
}

void Drive::Play(uint32_t from, uint32_t to, uint64_t clockMs) {
  motion = Motion::Playing;
  position = from;
  end = to;
  since = clockMs;
  ++generation;
}

void Drive::Halt(Motion next, uint64_t clockMs) {
  position = HeadAt(clockMs);
  motion = next;
  since = 0;
  ++generation;
}

void Drive::Seek(uint32_t frame) {
  position = frame;
  motion = Motion::Stopped;
  since = 0;
  ++generation;
}

void Drive::Load(std::vector<Track> disc, bool open) {
  tracks = std::move(disc);
  doorOpen = open;
  motion = Motion::Stopped;
  position = kFirstTrackFrame;
  end = 0;
  since = 0;
  ++generation;
}

uint64_t Clock::Now() const { return realTime ? ms + (GetTickCount64() - tick) : ms; }

void Clock::SetRealTime(bool on) {
  if (on == realTime) return;
  ms = Now();
  realTime = on;
  tick = on ? GetTickCount64() : 0;
}

Drive& State::At(wchar_t letter) {
  letter = static_cast<wchar_t>(towupper(letter));
  for (Drive& drive : drives)
    if (drive.letter == letter) return drive;
  drives.push_back(Drive{});
  drives.back().letter = letter;
  return drives.back();
}

void State::Settle() {
  const uint64_t now = clock.Now();
  for (Drive& drive : drives) {
    if (drive.motion == Motion::Playing && drive.HeadAt(now) >= drive.end) {
      drive.position = drive.end;
      drive.motion = Motion::Stopped;
      drive.since = 0;
    }
  }
}

std::string State::Format() const {
  std::string text = "clock ms=" + std::to_string(clock.ms) + " real=" + (clock.realTime ? "1" : "0") +
                     " tick=" + std::to_string(clock.tick) + "\n";
  for (const Drive& d : drives) {
    std::string tracks;
    for (const Track& t : d.tracks)
      tracks += (tracks.empty() ? "" : ",") + std::string(t.audio ? "a" : "d") + std::to_string(t.frames);
    text += "drive letter=" + std::string(1, static_cast<char>(d.letter)) +
            " door=" + (d.doorOpen ? "open" : "closed") + " motion=" + MotionName(d.motion) +
            " position=" + std::to_string(d.position) + " end=" + std::to_string(d.end) +
            " since=" + std::to_string(d.since) + " generation=" + std::to_string(d.generation) + " tracks=" + tracks +
            "\n";
  }
  return text;
}

State State::Parse(std::string_view text) {
  State state;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    if (line.starts_with("clock ")) {
      ForEachPair(line, [&](std::string_view key, std::string_view value) {
        if (key == "ms") state.clock.ms = Number(value);
        if (key == "real") state.clock.realTime = value == "1";
        if (key == "tick") state.clock.tick = Number(value);
      });
    } else if (line.starts_with("drive ")) {
      Drive d;
      ForEachPair(line, [&](std::string_view key, std::string_view value) {
        if (key == "letter" && !value.empty()) d.letter = static_cast<wchar_t>(value[0]);
        if (key == "door") d.doorOpen = value == "open";
        if (key == "motion")
          d.motion = value == "playing" ? Motion::Playing : value == "paused" ? Motion::Paused : Motion::Stopped;
        if (key == "position") d.position = static_cast<uint32_t>(Number(value));
        if (key == "end") d.end = static_cast<uint32_t>(Number(value));
        if (key == "since") d.since = Number(value);
        if (key == "generation") d.generation = static_cast<uint32_t>(Number(value));
        if (key == "tracks") d.tracks = ParseTracks(value);
      });
      state.At(d.letter) = d;
    }
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
  return state;
}

Session::Session() {
  CreateDirectoryW(Folder().c_str(), nullptr);
  mutex_ = CreateMutexW(nullptr, FALSE, L"ZvCdSimState");
  if (mutex_ == nullptr) return;
  // Abandoned: a process died holding it; the file is whole, as it is written in one call.
  const DWORD wait = WaitForSingleObject(mutex_, kLockTimeoutMs);
  locked_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  if (locked_) state = State::Parse(ReadAll(StatePath()));
}

Session::~Session() {
  if (locked_) ReleaseMutex(mutex_);
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool Session::Save() const { return locked_ && WriteAll(StatePath(), state.Format(), GENERIC_WRITE, CREATE_ALWAYS); }

void Session::Log(const std::string& line) const {
  if (locked_) WriteAll(LogPath(), line + "\n", FILE_APPEND_DATA, OPEN_ALWAYS);
}

std::wstring Folder() { return L"C:\\cdsim"; }
std::wstring LogPath() { return Folder() + L"\\mci.log"; }
std::wstring RootFolder(wchar_t letter) { return Folder() + L"\\" + static_cast<wchar_t>(towlower(letter)); }

bool SyncRoot(const Drive& drive, bool fresh) {
  static std::atomic<unsigned> ejected{0};
  const std::wstring root = RootFolder(drive.letter);
  const bool exists = GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (exists && (fresh || !drive.Present())) {
    // Moved away before it is deleted: a handle open on the root (a change
    // notification) keeps a deleted folder visible until it is closed.
    const std::wstring gone = Folder() + L"\\ejected-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++ejected);
    if (!MoveFileW(root.c_str(), gone.c_str())) return false;
    zvtest::RemoveTree(gone);
  }
  if (!drive.Present() || (exists && !fresh)) return true;
  if (!CreateDirectoryW(root.c_str(), nullptr)) return false;
  for (size_t t = 1; t <= drive.tracks.size(); ++t) {
    if (!drive.tracks[t - 1].audio) continue;
    wchar_t name[16];
    swprintf(name, 16, L"\\Track%02u.cda", static_cast<unsigned>(t));
    if (!WriteAll(root + name, std::string(), GENERIC_WRITE, CREATE_ALWAYS)) return false;
  }
  return true;
}

}  // namespace cdsim
