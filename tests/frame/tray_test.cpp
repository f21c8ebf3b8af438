// The task tray across real processes: zvhost hides its window and installs the
// hook, zvkeysink has the focus and logs every key that reaches it, and this
// test types through the system's input (SendInput) as a third program. The
// shared section is read in this process's own copy of the library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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

// The library's section ZvDllHid as this process maps it.
const IMAGE_SECTION_HEADER* SectionHeader(const BYTE* base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (memcmp(section->Name, "ZvDllHid", 8) == 0) return section;
  return nullptr;
}

const BYTE* Library() { return reinterpret_cast<const BYTE*>(LoadLibraryW(L"ZvDll.dll")); }

const volatile SharedTray* Shared() {
  static const volatile SharedTray* shared =
      reinterpret_cast<const volatile SharedTray*>(Library() + SectionHeader(Library())->VirtualAddress);
  return shared;
}

HWND TopWindow(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search{pid, className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        wchar_t name[64] = {};
        GetWindowThreadProcessId(window, &owner);
        GetClassNameW(window, name, 64);
        if (owner == s->pid && wcscmp(name, s->className) == 0) s->found = window;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A program started without waiting for it, its output into a file; it is
// asked to close, then ended, and waited for when the object goes.
class Program {
 public:
  Program(const std::wstring& exe, const std::wstring& arguments) : output_(temp_.Path(L"out.txt")) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    std::wstring line = L"\"" + ProgramDir() + exe + L"\" " + arguments;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
    }
    CloseHandle(out);
  }
  ~Program() {
    if (!process_) return;
    if (HWND window = TopWindow(pid_, L"ZvKeySink")) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Pid() const { return pid_; }
  // The exit code once it has ended within the timeout, else STILL_ACTIVE.
  DWORD Exit(DWORD timeoutMs) const {
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

 private:
  TempDir temp_;
  std::wstring output_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The focused program: how many times each key went down in it.
class KeySink {
 public:
  KeySink() : log_(temp_.Path(L"keys.txt")), program_(L"zvkeysink.exe", L"\"" + log_ + L"\"") {
    WaitForCondition([&] { return (window_ = TopWindow(program_.Pid(), L"ZvKeySink")) != nullptr; });
  }
  // Brings the sink to the front, as a click on it would.
  bool Focus() {
    SetForegroundWindow(window_);
    return WaitForCondition([&] { return GetForegroundWindow() == window_; }, 5000);
  }
  std::string Log() const {
    const std::vector<uint8_t> bytes = ReadBytes(log_);
    return std::string(bytes.begin(), bytes.end());
  }
  int Downs(WORD key) const {
    const std::vector<uint8_t> bytes = ReadBytes(log_);
    const std::string log(bytes.begin(), bytes.end()), entry = "d" + std::to_string(key) + " ";
    int count = 0;
    for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1)) ++count;
    return count;
  }
  bool WaitDowns(WORD key, int count) const {
    return WaitForCondition([&] { return Downs(key) == count; }, 5000);
  }

 private:
  TempDir temp_;
  std::wstring log_;
  Program program_;
  HWND window_ = nullptr;
};

void Keys(const std::vector<WORD>& keys, bool down, bool up) {
  std::vector<INPUT> inputs;
  for (const WORD key : keys) {
    INPUT input = {INPUT_KEYBOARD};
    input.ki.wVk = key;
    if (down) inputs.push_back(input);
  }
  for (auto key = keys.rbegin(); up && key != keys.rend(); ++key) {
    INPUT input = {INPUT_KEYBOARD};
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
void Chord(const std::vector<WORD>& keys) { Keys(keys, true, true); }

bool TrayShown() {
  HWND tray = FindWindowW(nullptr, L"Wine System Tray");
  return tray && IsWindowVisible(tray);
}

// zvhost with its window hidden to the tray: the frame, hidden, and the view it gave the library.
struct HiddenHost {
  HiddenHost(UINT mode, const wchar_t* key, const std::wstring& more = L"")
      : program(L"zvhost.exe", L"tray " + std::to_wstring(mode) + L" " + key + L" --timeout 30000" + more) {
    // It prints once SetToTaskTray has returned, the icon added.
    WaitForCondition([&] { return program.Output() == "隠しました\n"; });
    frame = TopWindow(program.Pid(), L"ZvHostTrayFrame");
    view = frame ? GetWindow(frame, GW_CHILD) : nullptr;
  }
  bool Hidden() const { return frame && !IsWindowVisible(frame); }
  bool WaitShown() const {
    return WaitForCondition([&] { return IsWindowVisible(frame); }, 5000);
  }

  Program program;
  HWND frame = nullptr, view = nullptr;
};

constexpr WORD kH = 'H', kMarker = 'M';

// After the window came back: a marker key behind the hot key shows that the
// hot key never reached the focused program, and the host is done.
void ExpectShownAndSwallowed(const HiddenHost& host, KeySink& sink, int hDowns) {
  // zvhost says 表示しました once IsWindowVisible holds for its frame, which it then closes.
  EXPECT_EQ(host.program.Exit(5000), 0u) << sink.Log();
  EXPECT_EQ(host.program.Output(), "隠しました\n表示しました\n");
  EXPECT_EQ(Shared()->hook, nullptr);
  EXPECT_TRUE(WaitForCondition([] { return !TrayShown(); }, 5000)) << "the icon is still in the tray";
  EXPECT_TRUE(sink.Focus());  // the host's window came back active, and has gone with its host
  const int markers = sink.Downs(kMarker);
  Chord({kMarker});
  EXPECT_TRUE(sink.WaitDowns(kMarker, markers + 1)) << sink.Log();
  EXPECT_EQ(sink.Downs(kH), hDowns) << sink.Log();
}

TEST(Tray, TheStateIsOneSharedWritableSectionOfTheImage) {
  const IMAGE_SECTION_HEADER* section = SectionHeader(Library());
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->Characteristics & (IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE),
            static_cast<DWORD>(IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE));
  EXPECT_GE(section->Misc.VirtualSize, sizeof(SharedTray));
}

TEST(Tray, EachModeBringsTheWindowBackOnItsChordOnly) {
  Watchdog watchdog(120000);
  KeySink sink;
  const struct {
    UINT mode;
    std::vector<std::vector<WORD>> refused;
    std::vector<WORD> taken;
  } cases[] = {
      {2, {{VK_CONTROL, VK_SHIFT, kH}, {kH}}, {VK_CONTROL, kH}},
      {0, {{VK_SHIFT, kH}, {VK_CONTROL, kH}}, {kH}},
      {1, {{kH}, {VK_CONTROL, VK_SHIFT, kH}}, {VK_SHIFT, kH}},
      {3, {{kH}, {VK_CONTROL, VK_MENU, kH}}, {VK_MENU, kH}},
      {7, {}, {VK_CONTROL, VK_MENU, VK_SHIFT, kH}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode);
    HiddenHost host(c.mode, L"H");
    ASSERT_TRUE(host.Hidden());
    EXPECT_EQ(Shared()->host, host.view);
    EXPECT_EQ(Shared()->mode, c.mode);
    EXPECT_EQ(Shared()->hotKey, kH);
    EXPECT_TRUE(TrayShown());
    int hDowns = sink.Downs(kH);
    for (const auto& chord : c.refused) {
      ASSERT_TRUE(sink.Focus());
      Chord(chord);
      EXPECT_TRUE(sink.WaitDowns(kH, ++hDowns)) << "a refused chord's H reaches the focused program";
      EXPECT_TRUE(host.Hidden());
    }
    ASSERT_TRUE(sink.Focus());
    Chord(c.taken);
    ExpectShownAndSwallowed(host, sink, hDowns);
  }
}

TEST(Tray, AHotKeyHeldWhileHidingNeedsAReleaseAndANewPress) {
  Watchdog watchdog(60000);
  KeySink sink;
  ASSERT_TRUE(sink.Focus());
  Keys({kH}, true, false);
  ASSERT_TRUE(sink.WaitDowns(kH, 1));
  // Mode 0: a modifier held across the change of focus would be a second
  // question (Wine's key state of the focused thread).
  HiddenHost host(0, L"H");
  ASSERT_TRUE(host.Hidden());
  ASSERT_TRUE(sink.Focus());  // the host was active when it hid itself
  Keys({kH}, true, false);    // the key still held: its repeat
  EXPECT_TRUE(sink.WaitDowns(kH, 2));
  EXPECT_TRUE(host.Hidden());
  Keys({kH}, false, true);
  Keys({kH}, true, true);
  ExpectShownAndSwallowed(host, sink, 2);
}

TEST(Tray, ASecondHostCannotHideWhileOneIsHiddenAndAStrayReleaseIsHarmless) {
  Watchdog watchdog(60000);
  KeySink sink;
  {
    HiddenHost first(2, L"H", L" --stay 3000");
    ASSERT_TRUE(first.Hidden());
    const ProcessResult second = RunProgram(ProgramDir() + L"zvhost.exe", L"tray 0 J --timeout 3000");
    EXPECT_EQ(second.exitCode, 1u);
    EXPECT_NE(second.output.find("隠せません"), std::string::npos) << second.output;
    EXPECT_EQ(Shared()->host, first.view);
    EXPECT_EQ(Shared()->mode, 2u);
    EXPECT_EQ(Shared()->hotKey, kH);
    EXPECT_TRUE(first.Hidden());
    ASSERT_TRUE(sink.Focus());
    Chord({VK_CONTROL, kH});
    // Shown, the host still running: the hot key is an ordinary key again.
    ASSERT_TRUE(WaitForCondition([&] { return first.program.Output() == "隠しました\n表示しました\n"; }));
    ASSERT_TRUE(sink.Focus());
    Chord({VK_CONTROL, kH});
    EXPECT_TRUE(sink.WaitDowns(kH, 1)) << sink.Log();
    ExpectShownAndSwallowed(first, sink, 1);
  }
  // Nothing hidden: the window is gone with its process, the icon too.
  const DWORD handles = OpenHandleCount();
  GetExport<void(WINAPI*)()>(LoadLibraryW(L"ZvDll.dll"), "ReleaseToTaskTray")();
  EXPECT_EQ(Shared()->hook, nullptr);
  EXPECT_FALSE(TrayShown());
  EXPECT_EQ(HandlesSettleTo(handles), handles);
}

}  // namespace
