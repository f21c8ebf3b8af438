// zvcdctl: the simulated drives of cd_sim.h from a script (scripts/demo), as
// its usage line says; "d" marks a data track. The exit code is 0 once done.
#include <cstdio>
#include <cwchar>
#include <string>

#include "cd_sim.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if ((command == L"insert" && argc > 3) || (command == L"eject" && argc == 3)) {
    std::vector<zvtest::CdTrack> disc;
    for (int i = 3; i < argc; ++i) {
      const bool data = argv[i][0] == L'd';
      unsigned minutes = 0, seconds = 0;
      if (std::swscanf(argv[i] + data, L"%u:%u", &minutes, &seconds) != 2 || seconds >= 60) return 2;
      disc.push_back({minutes * 60 + seconds, !data});
    }
    return zvtest::InsertCd(argv[2][0], disc) ? 0 : 1;
  }
  if (command == L"clock" && argc == 3) return zvtest::SetCdClock(0, std::wcscmp(argv[2], L"real") == 0) ? 0 : 1;
  if (command == L"log" && argc == 2) return std::fputs(zvtest::CdLog(true).c_str(), stdout) < 0;
  std::fputs("usage: zvcdctl insert DRIVE m:ss|dm:ss… | eject DRIVE | clock real|stop | log\n", stderr);
  return 2;
}
