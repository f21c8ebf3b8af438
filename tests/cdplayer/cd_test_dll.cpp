// zvcdtest.dll: the CD player's code as ZvDll.dll ships it, with the same
// exports and two more for the tests: the poll period, clock and generator,
// and a new program handed to the running worker.
#include <afxdllx.h>

#include "cd_play_thread.h"
#include "cd_test_dll.h"

extern "C" void WINAPI ZvCdTestTiming(DWORD pollMs, __time64_t (*now)(), void (*seed)(unsigned),
                                      int (*draw)()) noexcept {
  SetCdPlayTimingForTest({pollMs, now, seed, draw});
}

extern "C" void WINAPI ZvCdTestSetPlayList(const DWORD* tracks, int count) noexcept {
  ExportBoundary([&] {
    if (!g_pCdPlayThread) return;
    CDWordArray program;
    for (int i = 0; i < count; ++i) program.Add(tracks[i]);
    g_pCdPlayThread->SetPlayList(program);
  });
}
