// A program of its own for the tray test to give the focus to: each letter key
// that goes down in its window is added to its title, so the test sees what
// the hook let through.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  // The test that started it: a test ended by its watchdog must not leave its sink behind.
  HANDLE test = argc > 1 ? ::OpenProcess(SYNCHRONIZE, FALSE, std::wcstoul(argv[1], nullptr, 10)) : nullptr;
  WNDCLASSW sinkClass = {};
  sinkClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && wParam >= 'A' && wParam <= 'Z') {
      wchar_t title[64] = {};
      const int length = ::GetWindowTextW(window, title, 62);
      title[length] = static_cast<wchar_t>(wParam);
      ::SetWindowTextW(window, title);
    }
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    // Alt alone would open the system menu and take the keys after it.
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR) return 0;
    return ::DefWindowProcW(window, message, wParam, lParam);
  };
  sinkClass.hInstance = ::GetModuleHandleW(nullptr);
  sinkClass.lpszClassName = L"ZvKeySink";
  ::RegisterClassW(&sinkClass);
  ::CreateWindowExW(0, sinkClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 80, 300, 120, nullptr,
                    nullptr, sinkClass.hInstance, nullptr);
  for (;;) {
    if (::MsgWaitForMultipleObjects(test ? 1 : 0, &test, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 && test) return 0;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      ::DispatchMessageW(&message);
    }
  }
}
