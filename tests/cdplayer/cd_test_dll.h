// The test-only exports of zvcdtest.dll, beside the CD exports of ZvDll.dll.
#pragma once

#include <windows.h>

#include <ctime>

extern "C" {
// Zero or null keeps the shipped value (1000 ms, _time64, srand, rand).
void WINAPI ZvCdTestTiming(DWORD pollMs, __time64_t (*now)(), void (*seed)(unsigned), int (*draw)()) noexcept;
// As the player dialog hands over an edited program.
void WINAPI ZvCdTestSetPlayList(const DWORD* tracks, int count) noexcept;
}
