// The task tray across real processes: zvhost hides its window and installs the
// hook, zvkeysink has the focus and shows the letters that reach it, and this
// test types through the system's input (SendInput) as a third program. The
// shared section is read in this process's own copy of the library.
#include <gtest/gtest.h>

#include <cstring>
#include <future>

#include "frame/task_tray.h"
#include "support.h"

namespace {

using namespace zvtest;

const BYTE* Library() { return reinterpret_cast<const BYTE*>(LoadLibraryW(L"ZvDll.dll")); }

const IMAGE_SECTION_HEADER* TraySection() {
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      Library() + reinterpret_cast<const IMAGE_DOS_HEADER*>(Library())->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (memcmp(section->Name, "ZvDllHid", 8) == 0) return section;
  return nullptr;
}

const volatile ZvDllHideShareData& Shared() {
  return *reinterpret_cast<const volatile ZvDllHideShareData*>(Library() + TraySection()->VirtualAddress);
}

// A program run to its end on a thread of its own while the test goes on.
std::future<ProcessResult> Start(const std::wstring& exe, const std::wstring& arguments) {
  return std::async(std::launch::async, RunProgram, ProgramDir() + exe, arguments);
}

// The focused program, whose title is the letters that reached it; closed when the object goes.
struct KeySink {
  // It ends with this test too, should the watchdog end the test first.
  std::future<ProcessResult> process = Start(L"zvkeysink.exe", std::to_wstring(GetCurrentProcessId()));
  HWND window = nullptr;
  KeySink() {
    WaitForCondition([&] { return (window = FindWindowW(L"ZvKeySink", nullptr)) != nullptr; });
  }
  ~KeySink() { PostMessageW(window, WM_CLOSE, 0, 0); }
  std::string Letters() const {
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    return Utf8(title);
  }
  bool Got(const std::string& letters) const {
    return WaitForCondition([&] { return Letters() == letters; }, 5000);
  }
  // Brought to the front as a click on it would; again while a host that has
  // just come back takes the activation.
  bool Focus() const {
    return WaitForCondition([&] { return SetForegroundWindow(window), GetForegroundWindow() == window; }, 5000);
  }
};

// The keys pressed in order and released in reverse, either half left out.
void Keys(const std::vector<WORD>& keys, bool down = true, bool up = true) {
  std::vector<INPUT> inputs;
  for (size_t i = 0; down && i < keys.size(); ++i) inputs.push_back({INPUT_KEYBOARD, {.ki = {keys[i], 0, 0, 0, 0}}});
  for (size_t i = keys.size(); up && i-- > 0;)
    inputs.push_back({INPUT_KEYBOARD, {.ki = {keys[i], 0, KEYEVENTF_KEYUP, 0, 0}}});
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Wine's tray, without a tray of the X desktop, is a window of its own, shown while it holds an icon.
bool TrayShown() {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  return tray && IsWindowVisible(tray);
}

constexpr WORD kH = 'H';

// zvhost with its frame hidden, the hook and the icon in place.
struct HiddenHost {
  std::future<ProcessResult> process;
  HWND frame = nullptr;
  HiddenHost(UINT mode, const std::wstring& more = L"")
      : process(Start(L"zvhost.exe", L"tray " + std::to_wstring(mode) + L" H --timeout 30000" + more)) {
    EXPECT_TRUE(WaitForCondition([&] {
      frame = FindWindowW(L"ZvHostTrayFrame", nullptr);
      return frame && !IsWindowVisible(frame) && Shared().hHook && TrayShown();
    })) << "hidden";
    EXPECT_TRUE(Shared().hWndHost == GetWindow(frame, GW_CHILD) && Shared().nMode == mode && Shared().nHotKey == kH);
  }
  // zvhost saw its frame visible again, the hook and the icon have gone, and
  // the letters typed so far, a marker behind them, are all the sink got.
  void ExpectBackAndSwallowed(const KeySink& sink, const std::string& letters) {
    // A frame that stays hidden fails here, not after the host's own timeout;
    // one shown again may already be gone with its host.
    if (!WaitForCondition([&] { return IsWindowVisible(frame) || !IsWindow(frame); }, 5000)) {
      ADD_FAILURE() << "not back";
      return;
    }
    ProcessResult result = process.get();
    std::erase(result.output, '\r');
    EXPECT_EQ(result.output, "隠しました\n表示しました\n");
    EXPECT_EQ(Shared().hHook, nullptr);
    EXPECT_TRUE(WaitForCondition([] { return !TrayShown(); }, 5000)) << "the icon is still in the tray";
    EXPECT_TRUE(sink.Focus());
    Keys({'M'});
    EXPECT_TRUE(sink.Got(letters + "M")) << sink.Letters();
  }
};

TEST(Tray, EachModeTakesItsChordOnlyAndTheHookGoesNoFurther) {
  Watchdog watchdog(120000);
  const DWORD flags = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
  ASSERT_TRUE(TraySection() && (TraySection()->Characteristics & flags) == flags);
  KeySink sink;
  std::string letters;
  const struct {
    UINT mode;
    std::vector<std::vector<WORD>> refused;
    std::vector<WORD> taken;
  } cases[] = {
      {2, {{VK_CONTROL, VK_SHIFT, kH}, {kH}}, {VK_CONTROL, kH}},
      {0, {{VK_SHIFT, kH}, {VK_CONTROL, kH}, {VK_MENU, kH}}, {kH}},  // Alt from the keystroke's context code
      {7, {}, {VK_CONTROL, VK_MENU, VK_SHIFT, kH}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    HiddenHost host(c.mode);
    for (const auto& chord : c.refused) {
      ASSERT_TRUE(sink.Focus());
      Keys(chord);
      EXPECT_TRUE(sink.Got(letters += "H")) << "a refused chord's H reaches the focused program";
    }
    ASSERT_TRUE(sink.Focus());
    Keys(c.taken);
    host.ExpectBackAndSwallowed(sink, letters);
    if (HasFailure()) return;  // the later modes would only wait out the same fault
    letters += "M";
  }
}

TEST(Tray, AHeldHotKeyNeedsANewPressASecondHostChangesNothingAndOnceBackHIsAKeyAgain) {
  Watchdog watchdog(60000);
  KeySink sink;
  ASSERT_TRUE(sink.Focus());
  Keys({kH}, true, false);
  ASSERT_TRUE(sink.Got("H"));
  {
    // Mode 0: a modifier held across the change of focus would be a second
    // question (Wine's key state of the focused thread).
    HiddenHost first(0, L" --stay 3000");
    const ProcessResult second = RunProgram(ProgramDir() + L"zvhost.exe", L"tray 3 J --timeout 3000");
    EXPECT_EQ(second.exitCode, 1u);
    EXPECT_NE(second.output.find("隠せません"), std::string::npos) << second.output;
    EXPECT_TRUE(Shared().hWndHost == GetWindow(first.frame, GW_CHILD) && Shared().nMode == 0 && Shared().nHotKey == kH);
    ASSERT_TRUE(sink.Focus());  // the host was active when it hid itself
    Keys({kH}, true, false);    // the key still held: its repeat
    EXPECT_TRUE(sink.Got("HH"));
    Keys({kH}, false, true);
    Keys({kH});
    // Back, the host still running: the hook has gone from the other program.
    ASSERT_TRUE(WaitForCondition([&] { return IsWindowVisible(first.frame); }, 5000));
    ASSERT_TRUE(sink.Focus());
    Keys({kH});
    first.ExpectBackAndSwallowed(sink, "HHH");
  }
  // Nothing hidden, the last host window gone with its process: harmless.
  const DWORD handles = OpenHandleCount();
  GetExport<void(WINAPI*)()>(LoadLibraryW(L"ZvDll.dll"), "ReleaseToTaskTray")();
  EXPECT_EQ(Shared().hHook, nullptr);
  EXPECT_FALSE(TrayShown());
  EXPECT_EQ(HandlesSettleTo(handles), handles);
}

}  // namespace
