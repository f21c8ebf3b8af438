#include "cd_sim.h"

#include "disc_state.h"
#include "mci_text.h"
#include "support.h"

#include <charconv>
#include <sstream>

namespace zvtest {
namespace {

// The CD-ROM drives that scripts/wine-env maps.
constexpr wchar_t kPrefixDrives[] = {L'D', L'E'};

uint64_t Number(const std::string& text) {
  uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

CdLogEntry ParseLogLine(const std::string& line) {
  CdLogEntry entry;
  entry.line = line;
  std::istringstream words(line);
  std::string process, device, drive, word;
  words >> process >> device >> drive >> entry.command;
  entry.process = static_cast<DWORD>(Number(process));
  entry.device = static_cast<UINT>(Number(device));
  entry.drive = drive.size() == 2 && drive[1] == ':' ? static_cast<wchar_t>(drive[0]) : 0;
  bool answered = false;
  while (words >> word) {
    if (word == "->") {
      words >> word;
      entry.result = static_cast<DWORD>(Number(word));
      answered = true;
      continue;
    }
    const size_t eq = word.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
    if (answered && key == "return")
      entry.returned = value;
    else if (key == "flags")
      entry.flags = cdsim::FlagsValue(entry.command, value);
    else
      entry.params[key] = value;
  }
  return entry;
}

}  // namespace

std::string CdLogEntry::Param(const std::string& key) const {
  const auto it = params.find(key);
  return it == params.end() ? std::string() : it->second;
}

CdSim::CdSim() {
  for (wchar_t letter : kPrefixDrives) {
    const wchar_t root[] = {letter, L':', L'\\', 0};
    if (GetDriveTypeW(root) != DRIVE_CDROM) {
      Fail(std::wstring(root) + L" is not a CD-ROM drive in this prefix: run scripts/wine-env up");
      return;
    }
  }
  cdsim::Session session;
  if (!session) {
    Fail(L"the simulated drives' lock is held by another process");
    return;
  }
  // Leftovers of a run that ended before it emptied the drives.
  WIN32_FIND_DATAW find;
  HANDLE search = FindFirstFileW((cdsim::Folder() + L"\\ejected-*").c_str(), &find);
  if (search != INVALID_HANDLE_VALUE) {
    do RemoveTree(cdsim::Folder() + L"\\" + find.cFileName);
    while (FindNextFileW(search, &find));
    FindClose(search);
  }
  session.state.clock = cdsim::Clock{};
  for (wchar_t letter : kPrefixDrives) {
    cdsim::Drive& drive = session.state.At(letter);
    drive.Load({}, false);
    if (!cdsim::SyncRoot(drive, false)) Fail(L"cannot remove " + cdsim::RootFolder(letter));
  }
  if (!session.Save()) Fail(L"cannot write the simulated drives' state");
  DeleteFileW(cdsim::LogPath().c_str());
}

CdSim::~CdSim() {
  cdsim::Session session;
  if (!session) return;
  session.state.Settle();
  for (cdsim::Drive& drive : session.state.drives) {
    drive.Load({}, false);
    cdsim::SyncRoot(drive, false);
  }
  session.Save();
}

bool CdSim::Fail(const std::wstring& why) {
  if (error_.empty()) error_ = why;
  return false;
}

bool CdSim::Insert(wchar_t letter, const std::vector<CdTrack>& disc) {
  cdsim::Session session;
  if (!session) return Fail(L"Insert: the lock is held by another process");
  std::vector<cdsim::Track> tracks;
  for (const CdTrack& t : disc) tracks.push_back({t.frames, t.audio});
  cdsim::Drive& drive = session.state.At(letter);
  drive.Load(tracks, false);
  if (!cdsim::SyncRoot(drive, true)) return Fail(L"Insert: cannot make " + cdsim::RootFolder(letter));
  return session.Save() || Fail(L"Insert: cannot write the state");
}

bool CdSim::Eject(wchar_t letter) {
  cdsim::Session session;
  if (!session) return Fail(L"Eject: the lock is held by another process");
  cdsim::Drive& drive = session.state.At(letter);
  drive.Load({}, true);
  if (!cdsim::SyncRoot(drive, false)) return Fail(L"Eject: cannot remove " + cdsim::RootFolder(letter));
  return session.Save() || Fail(L"Eject: cannot write the state");
}

bool CdSim::Advance(uint32_t ms) {
  cdsim::Session session;
  if (!session) return Fail(L"Advance: the lock is held by another process");
  session.state.clock.ms += ms;
  return session.Save() || Fail(L"Advance: cannot write the state");
}

bool CdSim::RunInRealTime(bool on) {
  cdsim::Session session;
  if (!session) return Fail(L"RunInRealTime: the lock is held by another process");
  session.state.clock.SetRealTime(on);
  return session.Save() || Fail(L"RunInRealTime: cannot write the state");
}

CdDriveState CdSim::Drive(wchar_t letter) {
  CdDriveState result;
  cdsim::Session session;
  if (!session) {
    Fail(L"Drive: the lock is held by another process");
    return result;
  }
  session.state.Settle();
  const cdsim::Drive& drive = session.state.At(letter);
  result.present = drive.Present();
  result.doorOpen = drive.doorOpen;
  result.mode = cdsim::ModeOf(drive);
  result.position = drive.HeadAt(session.state.clock.Now());
  return result;
}

std::vector<CdLogEntry> CdSim::Log(DWORD process) {
  std::vector<CdLogEntry> entries;
  std::vector<uint8_t> bytes;
  {
    cdsim::Session session;
    if (!session) {
      Fail(L"Log: the lock is held by another process");
      return entries;
    }
    bytes = ReadBytes(cdsim::LogPath());
  }
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    CdLogEntry entry = ParseLogLine(line);
    if (process == 0 || entry.process == process) entries.push_back(std::move(entry));
  }
  return entries;
}

bool CdSim::ClearLog() {
  cdsim::Session session;
  if (!session) return Fail(L"ClearLog: the lock is held by another process");
  return DeleteFileW(cdsim::LogPath().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         Fail(L"ClearLog: cannot delete the log");
}

}  // namespace zvtest
