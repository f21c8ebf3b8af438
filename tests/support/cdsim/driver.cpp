// zvcdsim.dll: an MCI driver for "cdaudio" that plays the simulated discs of
// disc_state.h. It keeps no drive of its own: every command loads the shared
// state under its lock, acts on it, saves it and logs one line, so the test and
// every program see one drive. Per open device it keeps only what an MCI device
// keeps: its drive, its time format and the play whose end it is to notify.
#include "disc_state.h"
#include "mci_text.h"
#include "support.h"

#include <mmsystem.h>
#include <mmddk.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Exported by winmm; the headers we build with do not declare it.
extern "C" BOOL WINAPI mciDriverNotify(HANDLE callback, MCIDEVICEID device, UINT status);

namespace {

using cdsim::Drive;
using cdsim::Motion;

// How often a pending play notification is checked against the clock, which
// another process (the test) may move.
constexpr DWORD kNotifyPollMs = 20;
// A play sent with MCI_WAIT returns at its end, or after this long at most.
constexpr DWORD kPlayWaitLimitMs = 60000;

struct Device {
  UINT id = 0;
  wchar_t letter = 0;
  DWORD timeFormat = MCI_FORMAT_MSF;  // what a CD device opens in
  bool notifyPending = false;
  HWND notifyWindow = nullptr;
  uint32_t notifyGeneration = 0;
};

// Taken after the state file's lock, never before it.
std::mutex g_devicesLock;
std::vector<Device*> g_devices;
HANDLE g_watcher = nullptr;
HANDLE g_stopWatcher = nullptr;
HANDLE g_wakeWatcher = nullptr;

void Notify(const Device& device, HWND window, UINT status) {
  if (window != nullptr) mciDriverNotify(window, device.id, status);
}

void EndNotify(Device& device, UINT status) {
  if (!device.notifyPending) return;
  device.notifyPending = false;
  Notify(device, device.notifyWindow, status);
}

// Plays that have ended, or that another command (of any process) ended, are
// notified to whoever asked.
void CheckNotifications(const cdsim::State& state) {
  for (Device* device : g_devices) {
    if (!device->notifyPending) continue;
    for (const Drive& drive : state.drives) {
      if (drive.letter != device->letter) continue;
      if (drive.generation != device->notifyGeneration)
        EndNotify(*device, drive.Present() ? MCI_NOTIFY_ABORTED : MCI_NOTIFY_FAILURE);
      else if (drive.motion == Motion::Stopped)
        EndNotify(*device, MCI_NOTIFY_SUCCESSFUL);
    }
  }
}

// Notifies the end of the play just started to the window that asked for it.
void ArmNotify(Device& device, const Drive& drive, DWORD_PTR callback) {
  device.notifyPending = true;
  device.notifyWindow = reinterpret_cast<HWND>(callback);
  device.notifyGeneration = drive.generation;
  SetEvent(g_wakeWatcher);
}

bool AnyNotifyPending() {
  std::lock_guard lock(g_devicesLock);
  return std::any_of(g_devices.begin(), g_devices.end(), [](const Device* d) { return d->notifyPending; });
}

DWORD WINAPI Watch(void*) {
  const HANDLE events[] = {g_stopWatcher, g_wakeWatcher};
  for (;;) {
    const DWORD wait = WaitForMultipleObjects(2, events, FALSE, AnyNotifyPending() ? kNotifyPollMs : INFINITE);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) return 0;
    cdsim::Session session;
    if (!session) continue;
    session.state.Settle();
    std::lock_guard lock(g_devicesLock);
    CheckNotifications(session.state);
  }
}

// One command's log line: "pid device drive COMMAND flags=… key=value … -> result …".
class LogLine {
 public:
  LogLine(const Device& device, const std::string& command, DWORD flags) {
    text_ = std::to_string(GetCurrentProcessId()) + " " + std::to_string(device.id) + " ";
    flags_ = " " + command + " flags=" + cdsim::FlagsText(command, flags);
  }
  void Add(const char* key, const std::string& value) {
    std::string v = value;
    std::replace(v.begin(), v.end(), ' ', '_');
    params_ += std::string(" ") + key + "=" + v;
  }
  void Return(const std::string& value) { returned_ = " return=" + value; }
  std::string Text(wchar_t letter, DWORD result) const {
    const std::string drive = letter ? std::string(1, static_cast<char>(letter)) + ":" : "-";
    return text_ + drive + flags_ + params_ + " -> " + std::to_string(result) + (result == 0 ? returned_ : "");
  }

 private:
  std::string text_, flags_, params_, returned_;
};

// Answers a status query. The high word of the result says what the answer is,
// for winmm's string interface: a word ("playing", "true") or a time to write
// with colons. A program calling mciSendCommand sees 0 and the plain value.
DWORD Answer(MCI_STATUS_PARMS* parms, DWORD_PTR value, LogLine& log) {
  parms->dwReturn = value;
  log.Return(std::to_string(value));
  return 0;
}

DWORD AnswerWord(MCI_STATUS_PARMS* parms, DWORD value, UINT word, LogLine& log) {
  parms->dwReturn = MAKEMCIRESOURCE(value, word);
  log.Return(std::to_string(value));
  return MCI_RESOURCE_RETURNED;
}

DWORD AnswerTime(MCI_STATUS_PARMS* parms, DWORD format, DWORD value, LogLine& log) {
  parms->dwReturn = value;
  log.Return(cdsim::TimeText(format, value));
  if (format == MCI_FORMAT_TMSF) return MCI_COLONIZED4_RETURN;
  return format == MCI_FORMAT_MSF ? MCI_COLONIZED3_RETURN : 0;
}

std::string Text(const wchar_t* text) { return text != nullptr ? zvtest::Utf8(text) : "(null)"; }

wchar_t FirstCdDrive() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const wchar_t root[] = {letter, L':', L'\\', 0};
    if ((drives & (1u << (letter - L'A'))) && GetDriveTypeW(root) == DRIVE_CDROM) return letter;
  }
  return 0;
}

DWORD Open(Device& device, DWORD flags, const MCI_OPEN_PARMSW* parms, LogLine& log) {
  if (flags & MCI_OPEN_TYPE) {
    log.Add("type", (flags & MCI_OPEN_TYPE_ID)
                        ? std::to_string(LOWORD(reinterpret_cast<UINT_PTR>(parms->lpstrDeviceType)))
                        : Text(parms->lpstrDeviceType));
  }
  wchar_t letter = 0;
  if (flags & MCI_OPEN_ELEMENT) {
    const std::wstring element = parms->lpstrElementName ? parms->lpstrElementName : L"";
    log.Add("element", Text(element.c_str()));
    // A drive is named "D:" or "D:\".
    if ((element.size() == 2 || (element.size() == 3 && element[2] == L'\\')) && element[1] == L':')
      letter = static_cast<wchar_t>(towupper(element[0]));
  } else {
    letter = FirstCdDrive();
  }
  if (flags & MCI_OPEN_ALIAS) log.Add("alias", Text(parms->lpstrAlias));
  const wchar_t root[] = {letter, L':', L'\\', 0};
  if (letter < L'A' || letter > L'Z' || GetDriveTypeW(root) != DRIVE_CDROM) return MCIERR_INVALID_DEVICE_NAME;
  device.letter = letter;
  return 0;
}

DWORD Status(const Device& device, const Drive& drive, uint64_t now, DWORD flags, MCI_STATUS_PARMS* parms,
             LogLine& log) {
  if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  log.Add("item", cdsim::StatusItemName(parms->dwItem));
  if (flags & MCI_TRACK) log.Add("track", std::to_string(parms->dwTrack));
  switch (parms->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
      return AnswerWord(parms, drive.Present() ? TRUE : FALSE, drive.Present() ? MCI_TRUE : MCI_FALSE, log);
    case MCI_STATUS_TIME_FORMAT:
      return AnswerWord(parms, device.timeFormat, MCI_FORMAT_RETURN_BASE + device.timeFormat, log);
    case MCI_STATUS_MODE:
      return AnswerWord(parms, cdsim::ModeOf(drive), cdsim::ModeOf(drive), log);
    case MCI_STATUS_NUMBER_OF_TRACKS:
    case MCI_STATUS_LENGTH:
    case MCI_STATUS_POSITION:
    case MCI_STATUS_CURRENT_TRACK:
    case MCI_CDA_STATUS_TYPE_TRACK:
      break;
    default:
      return MCIERR_BAD_CONSTANT;
  }
  if (!drive.Present()) return MCIERR_DEVICE_NOT_READY;
  const size_t track = parms->dwTrack;
  if ((flags & MCI_TRACK) && (track < 1 || track > drive.tracks.size())) return MCIERR_OUTOFRANGE;
  const DWORD format = device.timeFormat;
  switch (parms->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS:
      return Answer(parms, drive.tracks.size(), log);
    case MCI_STATUS_CURRENT_TRACK:
      return Answer(parms, drive.TrackAt(drive.HeadAt(now)), log);
    case MCI_STATUS_LENGTH: {
      const uint32_t frames =
          (flags & MCI_TRACK) ? drive.tracks[track - 1].frames : drive.LeadOut() - cdsim::kFirstTrackFrame;
      const DWORD lengthFormat = format == MCI_FORMAT_TMSF ? MCI_FORMAT_MSF : format;
      return AnswerTime(parms, lengthFormat, cdsim::LengthValue(format, frames), log);
    }
    case MCI_STATUS_POSITION: {
      const uint32_t frame = (flags & MCI_TRACK)          ? drive.TrackStart(track)
                             : (flags & MCI_STATUS_START) ? cdsim::kFirstTrackFrame
                                                          : drive.HeadAt(now);
      return AnswerTime(parms, format, cdsim::PositionValue(drive, format, frame), log);
    }
    default:  // MCI_CDA_STATUS_TYPE_TRACK
      if (!(flags & MCI_TRACK)) return MCIERR_MISSING_PARAMETER;
      return Answer(parms, drive.tracks[track - 1].audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER, log);
  }
}

DWORD Set(Device& device, Drive& drive, DWORD flags, const MCI_SET_PARMS* parms, LogLine& log) {
  if (flags & MCI_SET_TIME_FORMAT) {
    log.Add("format", cdsim::TimeFormatName(parms->dwTimeFormat));
    if (!cdsim::KnownTimeFormat(parms->dwTimeFormat)) return MCIERR_BAD_TIME_FORMAT;
    device.timeFormat = parms->dwTimeFormat;
  }
  if ((flags & MCI_SET_DOOR_OPEN) && (flags & MCI_SET_DOOR_CLOSED)) return MCIERR_FLAGS_NOT_COMPATIBLE;
  // The disc stays in the tray: closing the door brings the same disc back.
  if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) {
    const bool open = (flags & MCI_SET_DOOR_OPEN) != 0;
    drive.Load(drive.tracks, open);
    if (!cdsim::SyncRoot(drive, !open)) return MCIERR_HARDWARE;
  }
  if (flags & MCI_SET_AUDIO) log.Add("audio", std::to_string(parms->dwAudio));
  return 0;
}

DWORD Play(Device& device, Drive& drive, uint64_t now, DWORD flags, const MCI_PLAY_PARMS* parms, LogLine& log) {
  const DWORD format = device.timeFormat;
  if (flags & MCI_FROM) log.Add("from", cdsim::TimeText(format, parms->dwFrom));
  if (flags & MCI_TO) log.Add("to", cdsim::TimeText(format, parms->dwTo));
  if (!drive.Present()) return MCIERR_DEVICE_NOT_READY;
  uint32_t from = drive.HeadAt(now);
  uint32_t to = drive.LeadOut();
  if ((flags & MCI_FROM) && !cdsim::FrameOf(drive, format, parms->dwFrom, &from)) return MCIERR_OUTOFRANGE;
  if ((flags & MCI_TO) && !cdsim::FrameOf(drive, format, parms->dwTo, &to)) return MCIERR_OUTOFRANGE;
  if (from >= drive.LeadOut() || to < from) return MCIERR_OUTOFRANGE;
  // A data track cannot be played as audio.
  if (!drive.tracks[drive.TrackAt(from) - 1].audio) return MCIERR_HARDWARE;
  EndNotify(device, MCI_NOTIFY_SUPERSEDED);
  drive.Play(from, to, now);
  if (flags & MCI_NOTIFY) ArmNotify(device, drive, parms->dwCallback);
  return 0;
}

DWORD Seek(Device& device, Drive& drive, DWORD flags, const MCI_SEEK_PARMS* parms, LogLine& log) {
  if (flags & MCI_TO) log.Add("to", cdsim::TimeText(device.timeFormat, parms->dwTo));
  if (!drive.Present()) return MCIERR_DEVICE_NOT_READY;
  uint32_t frame = 0;
  if (flags & MCI_SEEK_TO_START)
    frame = cdsim::kFirstTrackFrame;
  else if (flags & MCI_SEEK_TO_END)
    frame = drive.LeadOut();
  else if (!(flags & MCI_TO))
    return MCIERR_MISSING_PARAMETER;
  else if (!cdsim::FrameOf(drive, device.timeFormat, parms->dwTo, &frame))
    return MCIERR_OUTOFRANGE;
  EndNotify(device, MCI_NOTIFY_ABORTED);
  drive.Seek(frame);
  return 0;
}

// Stop, pause and resume.
DWORD Move(Device& device, Drive& drive, uint64_t now, UINT message, DWORD flags, const MCI_GENERIC_PARMS* parms) {
  if (!drive.Present()) return MCIERR_DEVICE_NOT_READY;
  if (message == MCI_STOP) {
    EndNotify(device, MCI_NOTIFY_ABORTED);
    drive.Halt(Motion::Stopped, now);
  } else if (message == MCI_PAUSE && drive.motion == Motion::Playing) {
    EndNotify(device, MCI_NOTIFY_ABORTED);
    drive.Halt(Motion::Paused, now);
  } else if (message == MCI_RESUME && drive.motion == Motion::Paused) {
    drive.Play(drive.position, drive.end, now);
    if (flags & MCI_NOTIFY) ArmNotify(device, drive, parms->dwCallback);
  }
  return 0;
}

DWORD Run(Device& device, cdsim::State& state, UINT message, DWORD flags, DWORD_PTR parms, LogLine& log) {
  const uint64_t now = state.clock.Now();
  if (message == MCI_OPEN_DRIVER) return Open(device, flags, reinterpret_cast<const MCI_OPEN_PARMSW*>(parms), log);
  if (message == MCI_CLOSE_DRIVER) {
    EndNotify(device, MCI_NOTIFY_ABORTED);
    return 0;
  }
  Drive& drive = state.At(device.letter);
  switch (message) {
    case MCI_STATUS:
      return Status(device, drive, now, flags, reinterpret_cast<MCI_STATUS_PARMS*>(parms), log);
    case MCI_SET:
      return Set(device, drive, flags, reinterpret_cast<const MCI_SET_PARMS*>(parms), log);
    case MCI_PLAY:
      return Play(device, drive, now, flags, reinterpret_cast<const MCI_PLAY_PARMS*>(parms), log);
    case MCI_SEEK:
      return Seek(device, drive, flags, reinterpret_cast<const MCI_SEEK_PARMS*>(parms), log);
    case MCI_STOP:
    case MCI_PAUSE:
    case MCI_RESUME:
      return Move(device, drive, now, message, flags, reinterpret_cast<const MCI_GENERIC_PARMS*>(parms));
    default:
      return MCIERR_UNSUPPORTED_FUNCTION;
  }
}

// A play sent with MCI_WAIT returns when the drive stops playing it.
void WaitForPlayEnd(const Device& device, uint32_t generation) {
  const ULONGLONG limit = GetTickCount64() + kPlayWaitLimitMs;
  while (GetTickCount64() < limit) {
    Sleep(kNotifyPollMs);
    cdsim::Session session;
    if (!session) return;
    session.state.Settle();
    const Drive& drive = session.state.At(device.letter);
    if (drive.generation != generation || drive.motion != Motion::Playing) return;
  }
}

LRESULT Command(Device& device, UINT message, DWORD flags, DWORD_PTR parms) {
  const bool needsParms = message == MCI_OPEN_DRIVER || message == MCI_STATUS || message == MCI_SET ||
                          message == MCI_PLAY || message == MCI_SEEK;
  uint32_t playing = 0;
  DWORD result = 0;
  {
    cdsim::Session session;
    if (!session) return MCIERR_DRIVER_INTERNAL;
    session.state.Settle();
    std::lock_guard lock(g_devicesLock);
    CheckNotifications(session.state);
    LogLine log(device, cdsim::CommandName(message), flags);
    // An MCI error in the low word; with none, what kind of answer it is in the high word.
    result =
        needsParms && parms == 0 ? MCIERR_NULL_PARAMETER_BLOCK : Run(device, session.state, message, flags, parms, log);
    if (LOWORD(result) != 0) result = LOWORD(result);
    if (!session.Save()) result = MCIERR_DRIVER_INTERNAL;
    session.Log(log.Text(device.letter, LOWORD(result)));
    if (LOWORD(result) == 0 && (flags & MCI_NOTIFY) && parms != 0 && message != MCI_PLAY && message != MCI_RESUME)
      Notify(device, reinterpret_cast<HWND>(reinterpret_cast<const MCI_GENERIC_PARMS*>(parms)->dwCallback),
             MCI_NOTIFY_SUCCESSFUL);
    if (device.letter != 0 && message == MCI_PLAY) playing = session.state.At(device.letter).generation;
  }
  if (result == 0 && message == MCI_PLAY && (flags & MCI_WAIT)) WaitForPlayEnd(device, playing);
  return result;
}

LRESULT OpenInstance(LPARAM parms) {
  // winmm first opens a session instance without parameters; it only has to succeed.
  if (parms == 0) return 1;
  auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(parms);
  open->wType = MCI_DEVTYPE_CD_AUDIO;
  open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
  auto* device = new Device;
  device->id = open->wDeviceID;
  std::lock_guard lock(g_devicesLock);
  g_devices.push_back(device);
  return reinterpret_cast<LRESULT>(device);
}

Device* FindDevice(DWORD_PTR id) {
  std::lock_guard lock(g_devicesLock);
  const auto it = std::find(g_devices.begin(), g_devices.end(), reinterpret_cast<Device*>(id));
  return it == g_devices.end() ? nullptr : *it;
}

// Also for an instance whose open winmm gave up (an alias already in use): it
// gets DRV_CLOSE without MCI_CLOSE_DRIVER.
void CloseInstance(DWORD_PTR id) {
  std::lock_guard lock(g_devicesLock);
  const auto it = std::find(g_devices.begin(), g_devices.end(), reinterpret_cast<Device*>(id));
  if (it == g_devices.end()) return;
  delete *it;
  g_devices.erase(it);
}

bool StartWatcher() {
  g_stopWatcher = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_wakeWatcher = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (g_stopWatcher == nullptr || g_wakeWatcher == nullptr) return false;
  g_watcher = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
  return g_watcher != nullptr;
}

void StopWatcher() {
  if (g_watcher != nullptr) {
    SetEvent(g_stopWatcher);
    WaitForSingleObject(g_watcher, 5000);
  }
  for (HANDLE* h : {&g_watcher, &g_stopWatcher, &g_wakeWatcher}) {
    if (*h != nullptr) CloseHandle(*h);
    *h = nullptr;
  }
}

}  // namespace

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
  try {
    switch (message) {
      case DRV_LOAD:
        return StartWatcher() ? 1 : 0;
      case DRV_FREE:
        StopWatcher();
        return 1;
      case DRV_ENABLE:
      case DRV_DISABLE:
        return 1;
      case DRV_OPEN:
        return OpenInstance(param2);
      case DRV_CLOSE:
        CloseInstance(id);
        return 1;
      default:
        break;
    }
    if (message >= DRV_MCI_FIRST && message <= DRV_MCI_LAST) {
      Device* device = FindDevice(id);
      if (device == nullptr) return MCIERR_INVALID_DEVICE_ID;
      return Command(*device, message, static_cast<DWORD>(param1), static_cast<DWORD_PTR>(param2));
    }
    return DefDriverProc(id, driver, message, param1, param2);
  } catch (...) {
    return message >= DRV_MCI_FIRST ? MCIERR_DRIVER_INTERNAL : 0;
  }
}
