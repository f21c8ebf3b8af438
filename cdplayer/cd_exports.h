// The host's CD commands: play the first audio CD found, hand the worker a
// command, flip the random and repeat flags, stop, and step the CD volume.
#pragma once

#include <windows.h>

extern "C" {
void WINAPI OnCdplay(int* pnRandom, int* pnRepeat, int* pnState) noexcept;
void WINAPI OnCdCommand(UINT nCommand) noexcept;
void WINAPI OnCdrandom(int* pnFlag) noexcept;
void WINAPI OnCdrepeat(int* pnFlag) noexcept;
void WINAPI CloseCdPlay(void* pUnused) noexcept;
void WINAPI OnMciCdVolume(int nStep) noexcept;
}
