// The task tray across real processes: zvhost hides its window and installs the
// hook, zvkeysink has the focus and prints the letters that reach it, and this
// test types through the system's input (SendInput) as a third program. The
// shared section is read in this process's own copy of the library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support.h"

namespace {

using namespace zvtest;

struct SharedTray {
  int32_t armed;
  uint32_t hotKey, mode;
  HWND host;
  HHOOK hook;
};

const BYTE* Library() { return reinterpret_cast<const BYTE*>(LoadLibraryW(L"ZvDll.dll")); }

const IMAGE_SECTION_HEADER* TraySection() {
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      Library() + reinterpret_cast<const IMAGE_DOS_HEADER*>(Library())->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (memcmp(section->Name, "ZvDllHid", 8) == 0) return section;
  return nullptr;
}

const volatile SharedTray& Shared() {
  return *reinterpret_cast<const volatile SharedTray*>(Library() + TraySection()->VirtualAddress);
}

// A program started without waiting for it, its output into a file; closed,
// else ended, and waited for when the object goes.
class Program {
 public:
  Program(const std::wstring& exe, const std::wstring& arguments) : output_(temp_.Path(L"out.txt")) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    std::wstring line = L"\"" + ProgramDir() + exe + L"\" " + arguments;
    PROCESS_INFORMATION info = {};
    CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(info.hThread);
    CloseHandle(out);
    process_ = info.hProcess, pid_ = info.dwProcessId;
  }
  ~Program() {
    if (HWND window = Window(L"ZvKeySink")) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  // Its top-level window of the class, shown or not.
  HWND Window(const wchar_t* className) const {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == pid_) return window;
    }
    return nullptr;
  }
  DWORD Exit(DWORD timeoutMs) const {  // STILL_ACTIVE when it has not ended
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
    return code;
  }
  std::string Output() const {
    const std::vector<uint8_t> bytes = ReadBytes(output_);
    std::string text(bytes.begin(), bytes.end());
    std::erase(text, '\r');
    return text;
  }
  bool WaitOutput(const std::string& text) const {
    return WaitForCondition([&] { return Output() == text; }, 5000);
  }

 private:
  TempDir temp_;
  std::wstring output_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The focused program, brought to the front as a click on it would.
struct KeySink : Program {
  KeySink() : Program(L"zvkeysink.exe", L"") {}
  bool Focus() const {
    HWND window = nullptr;
    WaitForCondition([&] { return (window = Window(L"ZvKeySink")) != nullptr; });
    SetForegroundWindow(window);
    return WaitForCondition([&] { return GetForegroundWindow() == window; }, 5000);
  }
};

void Keys(const std::vector<WORD>& keys, bool down, bool up) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys)
    if (down) inputs.push_back({INPUT_KEYBOARD, {.ki = {key, 0, 0, 0, 0}}});
  for (auto key = keys.rbegin(); up && key != keys.rend(); ++key)
    inputs.push_back({INPUT_KEYBOARD, {.ki = {*key, 0, KEYEVENTF_KEYUP, 0, 0}}});
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
void Chord(const std::vector<WORD>& keys) { Keys(keys, true, true); }

// Wine's tray, without a tray of the X desktop, is a window of its own, shown while it holds an icon.
bool TrayShown() {
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  return tray && IsWindowVisible(tray);
}

// zvhost with its frame hidden; it prints 隠しました once SetToTaskTray has returned.
struct HiddenHost : Program {
  HiddenHost(UINT mode, const std::wstring& more = L"")
      : Program(L"zvhost.exe", L"tray " + std::to_wstring(mode) + L" H --timeout 30000" + more) {
    WaitOutput("隠しました\n");
  }
  bool Hidden() const { return Window(L"ZvHostTrayFrame") && !IsWindowVisible(Window(L"ZvHostTrayFrame")); }
  HWND View() const { return GetWindow(Window(L"ZvHostTrayFrame"), GW_CHILD); }
};

constexpr WORD kH = 'H', kMarker = 'M';

// zvhost saw its frame visible again (and closed it), the icon has gone, and
// the letters typed so far, a marker behind them, are all the sink got.
void ExpectBackAndSwallowed(const HiddenHost& host, const KeySink& sink, const std::string& letters) {
  EXPECT_EQ(host.Exit(5000), 0u);
  EXPECT_EQ(host.Output(), "隠しました\n表示しました\n");
  EXPECT_EQ(Shared().hook, nullptr);
  EXPECT_TRUE(WaitForCondition([] { return !TrayShown(); }, 5000)) << "the icon is still in the tray";
  EXPECT_TRUE(sink.Focus());
  Chord({kMarker});
  EXPECT_TRUE(sink.WaitOutput(letters + "M")) << sink.Output();
}

TEST(Tray, EachModeTakesItsChordOnlyAndTheHookGoesNoFurther) {
  Watchdog watchdog(120000);
  const IMAGE_SECTION_HEADER* section = TraySection();
  const DWORD flags = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
  ASSERT_TRUE(section && (section->Characteristics & flags) == flags);
  KeySink sink;
  std::string letters;
  const struct {
    UINT mode;
    std::vector<std::vector<WORD>> refused;
    std::vector<WORD> taken;
  } cases[] = {
      {2, {{VK_CONTROL, VK_SHIFT, kH}, {kH}}, {VK_CONTROL, kH}},
      {0, {{VK_SHIFT, kH}, {VK_CONTROL, kH}}, {kH}},
      {3, {{kH}, {VK_CONTROL, VK_MENU, kH}}, {VK_MENU, kH}},  // Alt from the keystroke's context code
      {7, {}, {VK_CONTROL, VK_MENU, VK_SHIFT, kH}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    HiddenHost host(c.mode);
    ASSERT_TRUE(host.Hidden());
    EXPECT_EQ(Shared().host, host.View());
    EXPECT_EQ(Shared().mode, c.mode);
    EXPECT_EQ(Shared().hotKey, kH);
    EXPECT_TRUE(TrayShown());
    for (const auto& chord : c.refused) {
      ASSERT_TRUE(sink.Focus());
      Chord(chord);
      EXPECT_TRUE(sink.WaitOutput(letters += "H")) << "a refused chord's H reaches the focused program";
      EXPECT_TRUE(host.Hidden());
    }
    ASSERT_TRUE(sink.Focus());
    Chord(c.taken);
    ExpectBackAndSwallowed(host, sink, letters);
    letters += "M";
  }
}

TEST(Tray, AHotKeyHeldWhileHidingNeedsAReleaseAndANewPress) {
  Watchdog watchdog(60000);
  KeySink sink;
  ASSERT_TRUE(sink.Focus());
  Keys({kH}, true, false);
  ASSERT_TRUE(sink.WaitOutput("H"));
  // Mode 0: a modifier held across the change of focus would be a second
  // question (Wine's key state of the focused thread).
  HiddenHost host(0);
  ASSERT_TRUE(host.Hidden());
  ASSERT_TRUE(sink.Focus());  // the host was active when it hid itself
  Keys({kH}, true, false);    // the key still held: its repeat
  EXPECT_TRUE(sink.WaitOutput("HH"));
  EXPECT_TRUE(host.Hidden());
  Keys({kH}, false, true);
  Chord({kH});
  ExpectBackAndSwallowed(host, sink, "HH");
}

TEST(Tray, ASecondHostChangesNothingAndTheHotKeyIsAKeyAgainOnceBack) {
  Watchdog watchdog(60000);
  KeySink sink;
  {
    HiddenHost first(2, L" --stay 3000");
    ASSERT_TRUE(first.Hidden());
    const ProcessResult second = RunProgram(ProgramDir() + L"zvhost.exe", L"tray 0 J --timeout 3000");
    EXPECT_EQ(second.exitCode, 1u);
    EXPECT_NE(second.output.find("隠せません"), std::string::npos) << second.output;
    EXPECT_EQ(Shared().host, first.View());
    EXPECT_EQ(Shared().mode, 2u);
    EXPECT_EQ(Shared().hotKey, kH);
    ASSERT_TRUE(sink.Focus());
    Chord({VK_CONTROL, kH});
    // Back, the host still running: the hook has gone from the other program.
    ASSERT_TRUE(first.WaitOutput("隠しました\n表示しました\n"));
    ASSERT_TRUE(sink.Focus());
    Chord({VK_CONTROL, kH});
    ExpectBackAndSwallowed(first, sink, "H");
  }
  // Nothing hidden, the last host window gone with its process: harmless.
  const DWORD handles = OpenHandleCount();
  GetExport<void(WINAPI*)()>(LoadLibraryW(L"ZvDll.dll"), "ReleaseToTaskTray")();
  EXPECT_EQ(Shared().hook, nullptr);
  EXPECT_FALSE(TrayShown());
  EXPECT_EQ(HandlesSettleTo(handles), handles);
}

}  // namespace
