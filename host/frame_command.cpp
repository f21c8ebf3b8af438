#include "frame_command.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "console.h"

int RunDebugCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (!arguments.empty() && arguments.size() != 9) return 2;
  int switches[8] = {};
  int mode = 0;
  for (size_t i = 0; i < arguments.size(); ++i) (i < 8 ? switches[i] : mode) = _wtoi(arguments[i].c_str());
  exports.OnDebug(switches, &mode);
  std::wstring line = L"スイッチ:";
  for (const int value : switches) line += L" " + std::to_wstring(value);
  Print(line + L" デバッグモード: " + std::to_wstring(mode) + L"\n");
  return 0;
}

namespace {

constexpr UINT kTrayCallback = WM_USER + 5;
const ZvDllExports* g_trayExports = nullptr;

// The icon's messages come to the view: a double click brings the window back.
LRESULT CALLBACK TrayViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTrayCallback && lParam == WM_LBUTTONDBLCLK) {
    g_trayExports->ReleaseToTaskTray();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

UINT ParseKey(const std::wstring& text) {
  if (text.size() == 1 && iswalnum(text[0])) return towupper(text[0]);
  return static_cast<UINT>(wcstoul(text.c_str(), nullptr, 0));
}

HWND CreateTrayFrame() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW frameClass = {};
  frameClass.lpfnWndProc = ::DefWindowProcW;
  frameClass.hInstance = instance;
  frameClass.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
  frameClass.lpszClassName = L"ZvHostTrayFrame";
  ::RegisterClassW(&frameClass);
  WNDCLASSW viewClass = frameClass;
  viewClass.lpfnWndProc = TrayViewProc;
  viewClass.lpszClassName = L"ZvHostTrayView";
  ::RegisterClassW(&viewClass);
  HWND frame = ::CreateWindowExW(0, frameClass.lpszClassName, L"zvhost tray", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80,
                                 360, 160, nullptr, nullptr, instance, nullptr);
  if (frame) {
    ::CreateWindowExW(0, viewClass.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 340, 120, frame, nullptr, instance,
                      nullptr);
  }
  return frame;
}

// Pumps the host's messages (the hook in another program shows the frame
// through them) until the frame is visible, or only for the time when
// untilShown is false; false when the time ran out.
bool PumpMessages(HWND frame, DWORD timeoutMs, bool untilShown) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!untilShown || !::IsWindowVisible(frame)) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 100)),
                                QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace

int RunTrayCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.size() < 2) return 2;
  const UINT mode = static_cast<UINT>(wcstoul(arguments[0].c_str(), nullptr, 0));
  const UINT key = ParseKey(arguments[1]);
  DWORD timeoutMs = 60000, stayMs = 0;
  for (size_t i = 2; i < arguments.size(); i += 2) {
    if (i + 1 >= arguments.size()) return 2;
    const DWORD value = static_cast<DWORD>(_wtoi(arguments[i + 1].c_str()));
    if (arguments[i] == L"--timeout") {
      timeoutMs = value;
    } else if (arguments[i] == L"--stay") {
      stayMs = value;
    } else {
      return 2;
    }
  }
  HWND frame = CreateTrayFrame();
  if (!frame) return 1;
  g_trayExports = &exports;
  exports.SetToTaskTray(::GetWindow(frame, GW_CHILD), mode, key);
  int status = 1;
  if (::IsWindowVisible(frame)) {
    Print(L"隠せません: ほかのウィンドウが隠れています\n");
  } else {
    Print(L"隠しました\n");
    status = PumpMessages(frame, timeoutMs, true) ? 0 : 3;
    if (status == 3) exports.ReleaseToTaskTray();
    Print(status == 0 ? L"表示しました\n" : L"時間切れ: ReleaseToTaskTray で戻しました\n");
    PumpMessages(frame, stayMs, false);  // a moment to look at it
  }
  ::DestroyWindow(frame);
  return status;
}
