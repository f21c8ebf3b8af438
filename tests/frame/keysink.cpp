// A program of its own for the tray test to give the focus to: it prints each
// letter key that goes down in its window, so the test sees what the hook let through.
#include <windows.h>

#include <cstdio>

int wmain() {
  WNDCLASSW sinkClass = {};
  sinkClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && wParam >= 'A' && wParam <= 'Z') {
      std::putchar(static_cast<int>(wParam));
      std::fflush(stdout);
    }
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    // Alt alone would open the system menu and take the keys after it.
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR) return 0;
    return ::DefWindowProcW(window, message, wParam, lParam);
  };
  sinkClass.hInstance = ::GetModuleHandleW(nullptr);
  sinkClass.lpszClassName = L"ZvKeySink";
  ::RegisterClassW(&sinkClass);
  ::CreateWindowExW(0, sinkClass.lpszClassName, L"keysink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 80, 300, 120,
                    nullptr, nullptr, sinkClass.hInstance, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}
