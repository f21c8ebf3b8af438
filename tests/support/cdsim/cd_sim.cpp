#include "cd_sim.h"

#include <mmsystem.h>
#include <mmddk.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support.h"

namespace {

constexpr uint32_t kFps = 75;  // frames a second
const std::wstring kFolder = L"C:\\cdsim", kState = kFolder + L"\\state.bin", kLog = kFolder + L"\\mci.log";

struct Drive {
  uint32_t tracks = 0;  // 0: no disc
  uint32_t frames[99] = {};
  bool data[99] = {};
  UINT mode = MCI_MODE_OPEN;
  uint32_t track = 1, head = 0;  // where the head is: a track and the frames into it; playing: where it began
  uint32_t end = 0;              // playing: where it stops
  uint64_t since = 0;            // playing: the clock when it began

  uint32_t HeadAt(uint64_t now) const {
    if (mode != MCI_MODE_PLAY || now < since) return head;
    return static_cast<uint32_t>(std::min<uint64_t>(head + (now - since) * kFps / 1000, end));
  }
  void Halt(UINT next, uint64_t now) {
    head = HeadAt(now);
    mode = next;
  }
};

// When a process started: with its id it names the process, since Wine hands
// the ids of ended processes out again at once.
uint64_t StartOf(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return uint64_t{created.dwHighDateTime} << 32 | created.dwLowDateTime;
}

// Who has a drive open: a CD audio open is not shareable, so there is one at a time.
struct Holder {
  DWORD process = 0, device = 0;
  uint64_t started = 0;

  static Holder Me(UINT device) { return {GetCurrentProcessId(), device, StartOf(GetCurrentProcess())}; }
  // A process that ended without closing lets go with it.
  bool Holds() const {
    const HANDLE handle =
        process ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process) : nullptr;
    const bool running = handle && WaitForSingleObject(handle, 0) == WAIT_TIMEOUT && StartOf(handle) == started;
    if (handle) CloseHandle(handle);
    return running;
  }
};

struct State {
  uint64_t clockMs = 0;
  uint64_t realSince = 0;  // the tick count from which the clock runs; 0 while it stands still
  Drive drives[2];         // D: and E:
  Holder holders[2];       // kept when the disc changes

  uint64_t Now() const { return realSince ? clockMs + (GetTickCount64() - realSince) : clockMs; }
  Holder& HolderOf(wchar_t letter) { return holders[towupper(letter) == L'E' ? 1 : 0]; }
  // A play that has reached its end has stopped there.
  Drive& At(wchar_t letter) {
    Drive& drive = drives[towupper(letter) == L'E' ? 1 : 0];
    if (drive.mode == MCI_MODE_PLAY && drive.HeadAt(Now()) >= drive.end) drive.Halt(MCI_MODE_STOP, Now());
    return drive;
  }
};

// The state under its lock while this lives; a process that died holding it
// left the file whole, as it is written in one call.
struct Session {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"ZvCdSimState");
  const DWORD wait = WaitForSingleObject(mutex, 10000);
  const bool locked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  State state;

  Session() {
    const std::vector<uint8_t> bytes = locked ? zvtest::ReadBytes(kState) : std::vector<uint8_t>();
    if (bytes.size() == sizeof state) std::memcpy(&state, bytes.data(), sizeof state);
  }
  ~Session() {
    if (locked) ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  bool Save() const {
    return locked && zvtest::WriteBytes(kState, {reinterpret_cast<const char*>(&state), sizeof state});
  }
};

// --- The driver. A device keeps its drive and its time format.
struct Device {
  UINT id = 0;
  wchar_t letter = 0;
  DWORD format = MCI_FORMAT_MSF;  // what a CD device opens in
};

using Names = std::initializer_list<std::pair<DWORD, const char*>>;
const Names kCommands = {{MCI_OPEN_DRIVER, "OPEN"}, {MCI_CLOSE_DRIVER, "CLOSE"}, {MCI_STATUS, "STATUS"},
                         {MCI_SET, "SET"},          {MCI_PLAY, "PLAY"},          {MCI_STOP, "STOP"},
                         {MCI_PAUSE, "PAUSE"}};
const char* const kItems[] = {"0", "LENGTH", "POSITION", "NUMBER_OF_TRACKS", "MODE", "MEDIA_PRESENT"};  // by value
// The flags by their bits, which the commands of a player do not share.
const char* const kFlags[] = {
    "NOTIFY",          "WAIT", "FROM",         "TO",       "TRACK", "", "", "", "STATUS_ITEM", "OPEN_ELEMENT",
    "SET_TIME_FORMAT", "",     "OPEN_TYPE_ID", "OPEN_TYPE"};

std::string NameOf(DWORD value, Names names) {
  for (const auto& [known, name] : names)
    if (known == value) return name;
  return std::to_string(value);
}

std::string FlagsText(DWORD flags) {
  std::string text;
  for (DWORD bit = 0; bit < std::size(kFlags); ++bit) {
    if (!*kFlags[bit] || !(flags & (1u << bit))) continue;
    text += (text.empty() ? "" : "|") + std::string(kFlags[bit]);
    flags &= ~(1u << bit);
  }
  return flags ? text + (text.empty() ? "" : "|") + NameOf(flags, {}) : text;
}

DWORD Msf(uint32_t frames) { return MCI_MAKE_MSF(frames / (60 * kFps), frames / kFps % 60, frames % kFps); }
std::string MsfText(DWORD msf) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf));
  return text;
}
std::string TmsfText(DWORD tmsf) { return std::to_string(tmsf & 0xFF) + ":" + MsfText(tmsf >> 8); }

// The frames into its audio track that a TMSF time names; false for no place on the disc.
bool Place(const Drive& drive, DWORD tmsf, uint32_t& frames) {
  const uint32_t track = tmsf & 0xFF;
  frames = (MCI_TMSF_MINUTE(tmsf) * 60 + MCI_TMSF_SECOND(tmsf)) * kFps + MCI_TMSF_FRAME(tmsf);
  return track >= 1 && track <= drive.tracks && MCI_TMSF_SECOND(tmsf) < 60 && MCI_TMSF_FRAME(tmsf) < kFps &&
         frames <= drive.frames[track - 1];
}

// Lengths are answered in MSF, the position in TMSF; a play stays within one
// audio track; a drive already open is refused to a second opener.
DWORD Run(Device& device, State& state, UINT message, DWORD flags, DWORD_PTR parms, std::string& log) {
  Drive& drive = state.At(device.letter);
  const uint64_t now = state.Now();
  const auto show = [&](const char* key, const std::string& value) { log += std::string(" ") + key + "=" + value; };
  auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(parms);
  const auto answer = [&](DWORD_PTR value, const std::string& text) {
    log += " -> 0 return=" + text;
    return (status->dwReturn = value, 0);
  };
  if (message == MCI_OPEN_DRIVER) {
    const auto* open = reinterpret_cast<const MCI_OPEN_PARMSW*>(parms);
    if (flags & MCI_OPEN_TYPE_ID) show("type", std::to_string(LOWORD(open->lpstrDeviceType)));
    const std::wstring element = (flags & MCI_OPEN_ELEMENT) && open->lpstrElementName ? open->lpstrElementName : L"";
    if (flags & MCI_OPEN_ELEMENT) show("element", zvtest::Utf8(element));
    const wchar_t root[] = {element.size() == 2 && element[1] == L':' ? element[0] : L'?', L':', L'\\', 0};
    if (GetDriveTypeW(root) != DRIVE_CDROM) return MCIERR_INVALID_DEVICE_NAME;
    Holder& holder = state.HolderOf(root[0]);
    if (holder.Holds()) return MCIERR_MUST_USE_SHAREABLE;
    holder = Holder::Me(device.id);
    device.letter = static_cast<wchar_t>(towupper(root[0]));
  } else if (message == MCI_STATUS) {
    const DWORD item = status->dwItem, track = status->dwTrack;
    show("item", item < std::size(kItems) ? kItems[item] : std::to_string(item));
    if (flags & MCI_TRACK) show("track", std::to_string(track));
    if (item == MCI_STATUS_MODE) return answer(drive.mode, std::to_string(drive.mode));
    if (item == MCI_STATUS_MEDIA_PRESENT) return answer(drive.tracks > 0, drive.tracks ? "1" : "0");
    if (drive.tracks == 0) return MCIERR_DEVICE_NOT_READY;
    if (item == MCI_STATUS_NUMBER_OF_TRACKS) return answer(drive.tracks, std::to_string(drive.tracks));
    if (item == MCI_STATUS_LENGTH && (flags & MCI_TRACK) && track >= 1 && track <= drive.tracks)
      return answer(Msf(drive.frames[track - 1]), MsfText(Msf(drive.frames[track - 1])));
    if (item != MCI_STATUS_POSITION || device.format != MCI_FORMAT_TMSF) return MCIERR_OUTOFRANGE;
    const DWORD position = drive.track | Msf(drive.HeadAt(now)) << 8;
    return answer(position, TmsfText(position));
  } else if (message == MCI_SET && (flags & MCI_SET_TIME_FORMAT)) {
    device.format = reinterpret_cast<const MCI_SET_PARMS*>(parms)->dwTimeFormat;
    show("format", NameOf(device.format, {{MCI_FORMAT_MSF, "MSF"}, {MCI_FORMAT_TMSF, "TMSF"}}));
  } else if (message == MCI_PLAY) {
    const auto* play = reinterpret_cast<const MCI_PLAY_PARMS*>(parms);
    if (flags & MCI_FROM) show("from", TmsfText(play->dwFrom));
    if (flags & MCI_TO) show("to", TmsfText(play->dwTo));
    uint32_t from = 0, to = 0, track = play->dwFrom & 0xFF;
    if (drive.tracks == 0) return MCIERR_DEVICE_NOT_READY;
    if (device.format != MCI_FORMAT_TMSF || (~flags & (MCI_FROM | MCI_TO)) || !Place(drive, play->dwFrom, from) ||
        !Place(drive, play->dwTo, to) || (play->dwTo & 0xFF) != track || to < from)
      return MCIERR_OUTOFRANGE;
    if (drive.data[track - 1]) return MCIERR_HARDWARE;
    drive.mode = MCI_MODE_PLAY;
    drive.track = track;
    drive.head = from;
    drive.end = to;
    drive.since = now;
  } else if (message == MCI_STOP || message == MCI_PAUSE) {
    if (drive.tracks == 0) return MCIERR_DEVICE_NOT_READY;
    if (message == MCI_STOP || drive.mode == MCI_MODE_PLAY)
      drive.Halt(message == MCI_STOP ? MCI_MODE_STOP : MCI_MODE_PAUSE, now);
  } else if (message == MCI_CLOSE_DRIVER) {
    Holder& holder = state.HolderOf(device.letter);
    if (device.letter && holder.process == GetCurrentProcessId() && holder.device == device.id) holder = {};
  } else {
    return MCIERR_UNSUPPORTED_FUNCTION;
  }
  return 0;
}

LRESULT Command(Device& device, UINT message, DWORD flags, DWORD_PTR parms) {
  Session session;
  std::string log = NameOf(message, kCommands) + " flags=" + FlagsText(flags);
  DWORD result = MCIERR_DRIVER_INTERNAL;
  if (session.locked) result = Run(device, session.state, message, flags, parms, log);
  if (!session.Save()) return MCIERR_DRIVER_INTERNAL;
  if (log.find(" -> ") == std::string::npos) log += " -> " + std::to_string(result);
  std::ofstream(zvtest::Utf8(kLog), std::ios::app | std::ios::binary)
      << GetCurrentProcessId() << ' ' << device.id << ' '
      << (device.letter ? std::string(1, static_cast<char>(device.letter)) + ":" : "-") << ' ' << log << '\n';
  return result;
}

}  // namespace

// winmm loads the driver by the name scripts/wine-env registers for "cdaudio"
// and first opens a session instance without parameters.
extern "C" LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
  try {
    if (message == DRV_OPEN && param2 != 0) {
      auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(param2);
      open->wType = MCI_DEVTYPE_CD_AUDIO;
      open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
      return reinterpret_cast<LRESULT>(new Device{open->wDeviceID});
    }
    if (message == DRV_CLOSE && id > 1) delete reinterpret_cast<Device*>(id);
    // Loaded once for good: each unload and load again of the static runtime costs
    // handles, which would hide a leak of the program's own.
    HMODULE self = nullptr;
    if (message == DRV_LOAD)
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&kFps), &self);
    if (message >= DRV_LOAD && message <= DRV_FREE) return 1;  // load, enable, open, close, disable, free
    if (message < DRV_MCI_FIRST || message > DRV_MCI_LAST) return DefDriverProc(id, driver, message, param1, param2);
    return Command(*reinterpret_cast<Device*>(id), message, static_cast<DWORD>(param1), static_cast<DWORD_PTR>(param2));
  } catch (...) {
    return message >= DRV_MCI_FIRST ? MCIERR_DRIVER_INTERNAL : 0;
  }
}

namespace zvtest {

// A disc in is a new root folder; the old one is moved away before it goes, as
// a change notification open on a folder keeps it in sight until it is closed.
bool InsertCd(wchar_t letter, const std::vector<CdTrack>& disc) {
  if (disc.size() > std::size(Drive{}.frames)) return false;
  Session session;
  Drive& drive = session.state.At(letter) = Drive{};
  for (const CdTrack& track : disc) {
    drive.frames[drive.tracks] = track.seconds * kFps;
    drive.data[drive.tracks++] = !track.audio;
  }
  if (drive.tracks) drive.mode = MCI_MODE_STOP;
  const std::wstring root = kFolder + L"\\" + static_cast<wchar_t>(towlower(letter));
  const std::wstring gone =
      root + L"-ejected-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
  if (!session.locked ||
      (FileExists(root) && (!MoveFileW(root.c_str(), gone.c_str()) || !RemoveDirectoryW(gone.c_str()))))
    return false;
  return (disc.empty() || CreateDirectoryW(root.c_str(), nullptr)) && session.Save();
}

bool SetCdClock(uint32_t advanceMs, bool realTime) {
  Session session;
  session.state.clockMs = session.state.Now() + advanceMs;
  session.state.realSince = realTime ? GetTickCount64() : 0;
  return session.Save();
}

std::string CdLog(bool empty) {
  Session session;
  const std::vector<uint8_t> bytes = ReadBytes(kLog);
  if (empty && session.locked) DeleteFileW(kLog.c_str());
  return std::string(bytes.begin(), bytes.end());
}

bool ResetCdDrives() {
  CdLog(true);
  return InsertCd(L'D', {}) && InsertCd(L'E', {}) && SetCdClock(0);
}

std::vector<std::string> CdLogLines(bool withStatus) {
  std::istringstream lines(CdLog());
  std::vector<std::string> found;
  for (std::string line; std::getline(lines, line);) {
    const size_t drive = line.find(' ', line.find(' ') + 1) + 1;  // after the process and the device
    if (drive != 0 && (withStatus || line.find(" STATUS ") == std::string::npos)) found.push_back(line.substr(drive));
  }
  return found;
}

}  // namespace zvtest
