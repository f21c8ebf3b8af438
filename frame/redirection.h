// Exported by name (resources/ZvDll.def) for the host.
// Per-thread, nesting switch of the file-system redirection that Windows applies
// to a 32-bit process on 64-bit Windows. Both exports do nothing elsewhere.
#pragma once

#include <windows.h>

extern "C" {
void WINAPI DisableWow64FsRedirection() noexcept;
void WINAPI RevertWow64FsRedirection() noexcept;
}

// Called once by the application object at load and at unload; releasing twice
// is harmless. Threads still inside a Disable/Revert pair must be done by then.
void PrepareRedirectionSwitch() noexcept;
void ReleaseRedirectionSwitch() noexcept;

// What the switch needs from the system. The shipped build looks these up in
// kernel32; tests hand in their own to play a 32-bit process on 64-bit Windows,
// which cannot run under this Wine.
struct RedirectionApi {
  BOOL isWow64Process;  // the answer of IsWow64Process for this process
  BOOL(WINAPI* disable)(PVOID* oldValue);
  BOOL(WINAPI* revert)(PVOID oldValue);
};
void PrepareRedirectionSwitchForTest(const RedirectionApi& api) noexcept;
