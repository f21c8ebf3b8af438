// Hiding the host's window to a notification-area icon, with a keyboard hook
// on every thread of the desktop that brings it back on the hot key.
#pragma once

#include <windows.h>

#include <cstdint>

// One copy for every process that has the library loaded (the host's and each
// one the system loads it into to run the hook): the image's section
// "ZvDllHid" is shared. Zero at load.
struct ZvDllHideShareData {
  int32_t nArmed;    // 0 until the hook has seen the hot key up
  uint32_t nHotKey;  // virtual-key code
  uint32_t nMode;    // modifier mode, see ModifiersMatch
  HWND hWndHost;     // its parent is hidden and shown; it receives the icon's messages
  HHOOK hHook;       // not null exactly while the window is hidden by us
};

constexpr UINT kTrayIconId = 406;
constexpr UINT kTrayCallbackMessage = WM_USER + 5;

// Adds (NIM_ADD) or removes (NIM_DELETE) the icon id of window, then destroys
// icon when given: the shell keeps a copy of its own.
BOOL NotifyTrayIcon(HWND hWnd, DWORD dwMessage, UINT uID, HICON hIcon, LPCWSTR lpszTip);

extern "C" {
void WINAPI SetToTaskTray(HWND hWnd, UINT nMode, UINT nKey) noexcept;
void WINAPI ReleaseToTaskTray() noexcept;
}
