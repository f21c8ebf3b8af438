// A program of its own with the keyboard focus: it writes every key that
// reaches its window to the file named on its command line ("d48 u48 …"), so
// a test sees what the tray's hook let through. Ends on WM_CLOSE.
#include <windows.h>

#include <string>

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;

void Log(char kind, WPARAM key) {
  const std::string entry = kind + std::to_string(key) + " ";
  DWORD written = 0;
  ::WriteFile(g_log, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Log('d', wParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      Log('u', wParam);
      return 0;
    case WM_SYSCHAR:  // Alt alone would open the system menu and take the next keys
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  g_log = ::CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_log == INVALID_HANDLE_VALUE) return 1;
  WNDCLASSW sinkClass = {};
  sinkClass.lpfnWndProc = SinkProc;
  sinkClass.hInstance = ::GetModuleHandleW(nullptr);
  sinkClass.lpszClassName = L"ZvKeySink";
  ::RegisterClassW(&sinkClass);
  HWND window = ::CreateWindowExW(0, sinkClass.lpszClassName, L"keysink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 80,
                                  300, 120, nullptr, nullptr, sinkClass.hInstance, nullptr);
  ::SetForegroundWindow(window);
  ::SetFocus(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::CloseHandle(g_log);
  return 0;
}
