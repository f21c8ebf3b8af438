// zvcdctl: the simulated drives from a script (scripts/demo), as a test drives them.
//   zvcdctl insert E 3:00 0:20 d2:00   a disc of those tracks ("d" a data track)
//   zvcdctl eject E                    the disc out, the root folder gone
//   zvcdctl clock real|stop            the clock runs in real time or stands still
//   zvcdctl log                        the command log, empty afterwards
// The exit code is 0 when the change was made.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "disc_state.h"
#include "support.h"

namespace {

// "m:ss" in CD frames.
bool Frames(const wchar_t* text, uint32_t* frames) {
  unsigned minutes = 0, seconds = 0;
  if (std::swscanf(text, L"%u:%u", &minutes, &seconds) != 2 || seconds >= 60) return false;
  *frames = (minutes * 60 + seconds) * cdsim::kFramesPerSecond;
  return true;
}

int Load(wchar_t letter, int count, wchar_t** lengths) {
  std::vector<cdsim::Track> tracks;
  for (int i = 0; i < count; ++i) {
    const bool data = lengths[i][0] == L'd';
    uint32_t frames = 0;
    if (!Frames(lengths[i] + (data ? 1 : 0), &frames)) return 2;
    tracks.push_back({frames, !data});
  }
  cdsim::Session session;
  if (!session) return 1;
  cdsim::Drive& drive = session.state.At(letter);
  drive.Load(tracks, tracks.empty());
  return cdsim::SyncRoot(drive, !tracks.empty()) && session.Save() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if ((command == L"insert" && argc > 3) || (command == L"eject" && argc == 3))
    return Load(static_cast<wchar_t>(towupper(argv[2][0])), argc - 3, argv + 3);
  if (command == L"clock" && argc == 3) {
    cdsim::Session session;
    if (!session) return 1;
    session.state.clock.SetRealTime(std::wcscmp(argv[2], L"real") == 0);
    return session.Save() ? 0 : 1;
  }
  if (command == L"log" && argc == 2) {
    std::vector<uint8_t> bytes;
    {
      cdsim::Session session;
      if (!session) return 1;
      bytes = zvtest::ReadBytes(cdsim::LogPath());
      DeleteFileW(cdsim::LogPath().c_str());
    }
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return 0;
  }
  std::fputs("usage: zvcdctl insert DRIVE m:ss|dm:ss… | eject DRIVE | clock real|stop | log\n", stderr);
  return 2;
}
