#include "task_tray.h"

#include <afxdllx.h>
#include <shellapi.h>

#include "frame_ids.h"
#include "hot_key.h"

ZvDllHideShareData g_shareData __attribute__((section("ZvDllHid"), shared)) = {};

static_assert(sizeof(NOTIFYICONDATAW) == 976, "the full-size structure, as current shells take it");

namespace {

void ShowHostAgain() {
  ::ShowWindow(::GetParent(g_shareData.hWndHost), SW_SHOW);
  if (g_shareData.hHook) {
    ::UnhookWindowsHookEx(g_shareData.hHook);
    g_shareData.hHook = nullptr;
  }
  NotifyTrayIcon(g_shareData.hWndHost, NIM_DELETE, kTrayIconId, nullptr, nullptr);
}

// Runs on the thread of whichever program reads the keystroke, in the copy of
// the library the system loaded there.
LRESULT CALLBACK TrayKeyboardProc(int nCode, WPARAM wParam, LPARAM lParam) {
  if (nCode < 0) return ::CallNextHookEx(g_shareData.hHook, nCode, wParam, lParam);
  // The hot key's own keystroke tells its state by its transition bit: Wine
  // updates the thread's key state only after the hook, Windows before it.
  const uint32_t hotKey = g_shareData.nHotKey;
  const bool hotKeyDown = wParam == hotKey ? (lParam & (1U << 31)) == 0 : ::GetKeyState(static_cast<int>(hotKey)) < 0;
  const KeyStroke stroke = {static_cast<uint32_t>(wParam), hotKeyDown, ::GetKeyState(VK_CONTROL) < 0,
                            ::GetKeyState(VK_SHIFT) < 0, (lParam & (1 << 29)) != 0};
  if (!TakesHotKey(g_shareData.nHotKey, g_shareData.nMode, g_shareData.nArmed, stroke)) {
    return ::CallNextHookEx(g_shareData.hHook, nCode, wParam, lParam);
  }
  ReleaseToTaskTray();
  return 1;  // the focused program never sees the hot key
}

}  // namespace

BOOL NotifyTrayIcon(HWND hWnd, DWORD dwMessage, UINT uID, HICON hIcon, LPCWSTR lpszTip) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = hWnd;
  data.uID = uID;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = hIcon;
  if (lpszTip) lstrcpynW(data.szTip, lpszTip, ARRAYSIZE(data.szTip));
  const BOOL result = ::Shell_NotifyIconW(dwMessage, &data);
  if (hIcon) ::DestroyIcon(hIcon);
  return result;
}

void WINAPI SetToTaskTray(HWND hWnd, UINT nMode, UINT nKey) noexcept {
  ExportBoundary([&] {
    if (g_shareData.hHook) return;  // one window on the desktop at a time, whoever hid it
    g_shareData.nArmed = 0;
    g_shareData.hWndHost = hWnd;
    // A failed hook is not reported: the host's own ReleaseToTaskTray still brings the window back.
    g_shareData.hHook = ::SetWindowsHookExW(WH_KEYBOARD, TrayKeyboardProc, AfxGetInstanceHandle(), 0);
    // Stored after the hook: it stays inert until it has armed on a keystroke with the hot key up.
    g_shareData.nMode = nMode;
    g_shareData.nHotKey = nKey;
    ::ShowWindow(::GetParent(hWnd), SW_HIDE);
    auto icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    NotifyTrayIcon(hWnd, NIM_ADD, kTrayIconId, icon, L"ZV");
  });
}

void WINAPI ReleaseToTaskTray() noexcept {
  ExportBoundary([] { ShowHostAgain(); });
}
