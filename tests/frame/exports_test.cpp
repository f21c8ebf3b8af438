// The exports that take the desktop: the task tray across processes (zvhost hides its window and hooks the
// keyboard, a window of this test has the focus, the keys come through the system's input) and the debug dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include "dialog_driver.h"
#include "frame/frame_ids.h"

namespace {

using namespace zvtest;

// The keys pressed in order and released in reverse.
void Chord(const std::vector<BYTE>& keys) {
  for (const BYTE key : keys) keybd_event(key, 0, 0, 0);
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) keybd_event(*key, 0, KEYEVENTF_KEYUP, 0);
}

// Wine's tray, without a tray of the X desktop, is a window of its own, shown while it holds an icon.
bool TrayShown() { return IsWindowVisible(FindWindowW(L"__winex11_standalone_tray", nullptr)); }

// The focused window, on a thread of its own: each letter key that goes down in it is added to its title.
struct KeySink {
  std::atomic<HWND> window = nullptr;
  std::string letters;  // all that should have reached it
  std::thread thread{[this] {
    WNDCLASSW sinkClass = {};
    sinkClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && wParam >= 'A' && wParam <= 'Z')
        SetWindowTextW(window, (WindowText(window) + static_cast<wchar_t>(wParam)).c_str());
      if (message == WM_DESTROY) PostQuitMessage(0);
      // Alt alone would open the system menu and take the keys after it.
      if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR) return 0;
      return DefWindowProcW(window, message, wParam, lParam);
    };
    sinkClass.lpszClassName = L"ZvKeySink";
    RegisterClassW(&sinkClass);
    window = CreateWindowExW(0, sinkClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 80, 300, 120,
                             nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  }};
  ~KeySink() {
    PostMessageW(window, WM_CLOSE, 0, 0);
    thread.join();
  }
  bool Got(const std::string& more) {
    letters += more;
    return WaitForCondition([&] { return Utf8(WindowText(window)) == letters; }, 5000);
  }
  // Brought to the front as a click would; again while a host that has just shown itself takes the activation.
  bool Focus() const {
    return WaitForCondition([&] { return SetForegroundWindow(window), GetForegroundWindow() == window; }, 5000);
  }
};

// The data every process shares lives in a section of the image that is readable, writable and shared.
bool SharedSection() {
  const auto* image = reinterpret_cast<const BYTE*>(LoadLibraryW(L"ZvDll.dll"));
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  const DWORD flags = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (memcmp(section->Name, "ZvDllHid", 8) == 0) return (section->Characteristics & flags) == flags;
  return false;
}

// Each mode, with the hot key still down as the window hides and a second host trying to hide its own.
TEST(Tray, TheModesChordPressedAnewBringsTheWindowBackAndGoesNoFurther) {
  Watchdog watchdog(150000);
  KeySink sink;
  ASSERT_TRUE(WaitForCondition([&] { return sink.window != nullptr; }));
  const struct {
    UINT mode;
    std::vector<std::vector<BYTE>> refused;
    std::vector<BYTE> taken;
  } cases[] = {
      {0, {{VK_SHIFT, 'H'}, {VK_CONTROL, 'H'}, {VK_MENU, 'H'}}, {'H'}},  // Alt from the keystroke's context code
      {2, {{VK_CONTROL, VK_SHIFT, 'H'}, {'H'}}, {VK_CONTROL, 'H'}},
      {7, {}, {VK_CONTROL, VK_MENU, VK_SHIFT, 'H'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    ASSERT_TRUE(sink.Focus());
    keybd_event('H', 0, 0, 0);
    ASSERT_TRUE(sink.Got("H"));
    // A failed step ends the test at once; the host then ends by its timeout.
    const std::wstring tray = L"tray " + std::to_wstring(c.mode) + L" H --timeout 20000 --stay 3000";
    auto host = std::async(std::launch::async, RunProgram, ProgramDir() + L"zvhost.exe", tray);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitForCondition([&] {
      return (frame = FindWindowW(L"ZvHostTrayFrame", nullptr)) && !IsWindowVisible(frame) && TrayShown();
    })) << "hidden";
    const ProcessResult second = RunProgram(ProgramDir() + L"zvhost.exe", L"tray 3 J --timeout 3000");
    EXPECT_NE(second.output.find("隠せません"), std::string::npos) << second.output;
    ASSERT_TRUE(sink.Focus());
    keybd_event('H', 0, 0, 0);  // the held key's repeat
    EXPECT_TRUE(sink.Got("H"));
    keybd_event('H', 0, KEYEVENTF_KEYUP, 0);
    for (const auto& chord : c.refused) {
      Chord(chord);
      EXPECT_TRUE(sink.Got("H")) << "a refused chord's H reaches the focused program";
    }
    Chord(c.taken);
    ASSERT_TRUE(WaitForCondition([&] { return IsWindowVisible(frame); }, 5000)) << "not back";
    EXPECT_TRUE(WaitForCondition([] { return !TrayShown(); }, 5000)) << "the icon is still in the tray";
    // The host still runs: a hook left in the focused program would take this H.
    ASSERT_TRUE(sink.Focus());
    Chord({'H', 'M'});  // M marks the end
    EXPECT_TRUE(sink.Got("HM")) << "the hot key's H went on, or the next one was taken";
    EXPECT_EQ(host.get().exitCode, 0u) << "the host did not see its window back";
  }
  // Nothing hidden, the last host gone with its window: harmless.
  const DWORD handles = OpenHandleCount();
  GetExport<void(WINAPI*)()>(LoadLibraryW(L"ZvDll.dll"), "ReleaseToTaskTray")();
  EXPECT_FALSE(TrayShown());
  EXPECT_EQ(HandlesSettleTo(handles), handles);
  // Loaded here first by the hook, which reads the hidden window's mode and key from that section.
  EXPECT_TRUE(SharedSection());
}

// What the boxes show, read off the screen: 'x' where a box's middle holds a dark mark, '-' where empty.
std::string Shown(HWND list) {
  std::string shown;
  HDC dc = GetDC(list);
  for (int i = 0; i < 8; ++i) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    const int middle = (item.top + item.bottom) / 2;
    int dark = 0;
    for (int y = middle - 3; y <= middle + 3; ++y)
      for (int x = item.left + 5; x <= item.left + 11; ++x) dark += GetRValue(GetPixel(dc, x, y)) < 0x80;
    shown += dark ? 'x' : '-';
  }
  ReleaseDC(list, dc);
  return shown;
}

TEST(DebugDialog, ShowsTheSwitchesAndWritesNineValuesOnOkOnly) {
  const auto onDebug = GetExport<void(WINAPI*)(int*, int*)>(LoadLibraryW(L"ZvDll.dll"), "OnDebug");
  const std::vector<std::wstring> labels = {L"SUSIE PLUGINの表示",     L"リムーバブルメディアの監視する",
                                            L"ASPIをすべて無視",       L"ControlPanel読み込み時確認する",
                                            L"Viewerエラーデバック",   L"コンテキストメニューデバック",
                                            L"画像サイズをログに記述", L"デバッグ用Log出力"};
  // A two-state box cannot hold 2, so it shows and stores 0; other values show
  // checked, the space bar clears them, and untouched ones come back as they were.
  const std::vector<int> before = {0, 1, 2, 5, -1, 1, 0, 7}, afterOk = {1, 1, 0, 0, 0, 1, 0, 7};
  for (const int button : {IDOK, IDCANCEL}) {
    std::vector<int> switches = before;
    int mode = 0;
    UiScript person([&] {
      HWND dlg = RequireDialog(L"デバック用ﾀﾞｲｱﾛｸﾞ");
      EXPECT_EQ(Items(dlg, IDC_DEBUG_SWITCHES), labels);
      HWND list = GetDlgItem(dlg, IDC_DEBUG_SWITCHES);
      Require(WaitForCondition([&] { return Shown(list) == "-x-xxx-x"; }), "boxes as the host's values");
      for (const WORD key : {VK_SPACE, VK_DOWN, VK_DOWN, VK_DOWN, VK_SPACE, VK_DOWN, VK_SPACE})  // switches 0, 3, 4
        Require(PressKey(dlg, key), "keys on the switches");
      Require(Click(dlg, IDC_DEBUG_MODE), "debug mode");
      Require(Click(dlg, button), "OK or Cancel");
    });
    onDebug(switches.data(), &mode);
    EXPECT_TRUE(person.Join()) << person.Failure();
    EXPECT_EQ(switches, button == IDOK ? afterOk : before) << "button " << button;
    EXPECT_EQ(mode, button == IDOK ? 1 : 0) << "button " << button;
  }
}

}  // namespace
