#include "dialog_driver.h"

#include <dlgs.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>

#include "test_files.h"

namespace zvtest {
namespace {

constexpr DWORD kPollMs = 15;
constexpr UINT kSendTimeoutMs = 5000;
constexpr UINT kReportSendTimeoutMs = 300;

// Set on a script's watcher thread: the waits return early once the script is cancelled.
thread_local const std::atomic<bool>* t_cancelled = nullptr;

bool Cancelled() { return t_cancelled != nullptr && t_cancelled->load(); }

// Bounded polling; the short pause is the polling interval, not a synchronisation.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (Cancelled() || GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

void WriteErr(const std::wstring& text) {
  // A console wants UTF-16 (its code page is 932 here); a pipe or file gets UTF-8.
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(err, &mode)) {
    WriteConsoleW(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    const std::string bytes = Utf8(text);
    WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// The title as stored by the window manager: reading it sends no message, so a
// busy or hung window cannot stall the poll.
std::wstring StoredTitle(HWND window) {
  wchar_t buffer[512] = {};
  InternalGetWindowText(window, buffer, 512);
  return buffer;
}

// No SMTO_ABORTIFHUNG: a thread counts as hung when it has not asked for a
// message for 5 s, which is every test thread that prepared files that long
// before its dialog's message loop began. The timeout alone bounds the wait.
std::wstring TextOf(HWND window, UINT timeoutMs) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                           timeoutMs, &copied))
    return {};
  text.resize(copied < text.size() ? copied : text.size() - 1);
  return text;
}

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                             result ? result : &ignored) != 0;
}

std::wstring Describe(HWND dlg) { return L"dialog \"" + StoredTitle(dlg) + L"\""; }

// What a person would have seen when a wait ran out; nothing once the script is
// cancelled, whose own report already says why.
void ReportEvidence(const std::wstring& what) {
  if (Cancelled()) return;
  ReportWindows(what);
  CaptureEvidence(what);
}

HWND Control(HWND dlg, int id, const wchar_t* action) {
  HWND control = dlg ? GetDlgItem(dlg, id) : nullptr;
  if (!control)
    WriteErr(std::wstring(action) + L": no control " + std::to_wstring(id) + L" in " +
             (dlg ? Describe(dlg) : std::wstring(L"a null dialog")) + L"\n");
  return control;
}

bool IsProcessDialog(HWND window) {
  return IsWindowVisible(window) && ProcessOf(window) == GetCurrentProcessId() && ClassName(window) == L"#32770";
}

// Keys are posted to the focused control's queue rather than sent with
// SendInput: the foreground window is shared by every test process on the
// display, so under ctest -j another test's dialog could take the keys. Posted
// keys still pass through the dialog's message loop, PreTranslateMessage and
// IsDialogMessage exactly as typed ones do.
HWND FocusedControl(HWND dlg, const wchar_t* action) {
  const auto inDialog = [dlg](HWND focus) { return focus && (focus == dlg || IsChild(dlg, focus)); };
  HWND focus = FocusOf(dlg);
  if (!inDialog(focus)) {
    // Another test process's window took the activation, and with it this
    // thread's focus. The dialog gives the focus back to the control that had
    // it when it is activated again, as when a person clicks its title bar.
    PostMessageW(dlg, WM_ACTIVATE, WA_ACTIVE, 0);
    PollUntil([&] { return inDialog(focus = FocusOf(dlg)); }, 2000);
  }
  if (!inDialog(focus)) {
    WriteErr(std::wstring(action) + L": nothing in " + Describe(dlg) + L" has the focus\n");
    return nullptr;
  }
  return focus;
}

// Down and up only: the loop's TranslateMessage makes the WM_CHAR, as for a real key.
bool PostKeyStroke(HWND target, WORD virtualKey) {
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return PostMessageW(target, WM_KEYDOWN, virtualKey, down) && PostMessageW(target, WM_KEYUP, virtualKey, up);
}

std::vector<std::wstring> ReadItems(HWND dlg, int id, UINT countMessage, UINT lengthMessage, UINT textMessage) {
  std::vector<std::wstring> items;
  HWND control = Control(dlg, id, L"reading items");
  DWORD_PTR count = 0;
  if (!control || !SendBounded(control, countMessage, 0, 0, &count)) return items;
  for (int i = 0; i < static_cast<int>(count); ++i) {
    DWORD_PTR length = 0;
    if (!SendBounded(control, lengthMessage, i, 0, &length) || static_cast<LRESULT>(length) < 0) break;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendBounded(control, textMessage, i, reinterpret_cast<LPARAM>(text.data()), &copied);
    text.resize(static_cast<LRESULT>(copied) >= 0 && copied <= length ? copied : length);
    items.push_back(std::move(text));
  }
  return items;
}

bool SelectIndex(HWND dlg, int id, int index, UINT selectMessage, WORD notification) {
  HWND control = Control(dlg, id, L"selecting");
  DWORD_PTR result = 0;
  if (!control || !SendBounded(control, selectMessage, index, 0, &result)) return false;
  if (static_cast<int>(result) != index) return false;
  // Setting the selection by message does not notify; a person's choice does.
  return PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control)) != FALSE;
}

int Selection(HWND dlg, int id, UINT message) {
  HWND control = Control(dlg, id, L"reading the selection");
  DWORD_PTR result = static_cast<DWORD_PTR>(-1);
  if (!control || !SendBounded(control, message, 0, 0, &result)) return -1;
  return static_cast<int>(result);
}

std::wstring EvidenceDir() {
  if (const wchar_t* dir = _wgetenv(L"ZVTEST_SCREENSHOTS"); dir && *dir) return dir;
  return ProgramDir() + L"screenshots";
}

// Where people find the file when the test ran under Wine; empty elsewhere.
std::wstring UnixPathOf(const std::wstring& path) {
  using ToUnix = char* (*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  char* unixPath = toUnix(path.c_str());
  if (!unixPath) return {};
  std::wstring result = Utf16(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

class ScopedDC {
 public:
  explicit ScopedDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedDC(const ScopedDC&) = delete;
  ScopedDC& operator=(const ScopedDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A GDI handle this code created, deleted by its deleter on every way out.
template <class Handle, auto Delete>
class ScopedGdi {
 public:
  explicit ScopedGdi(Handle handle) : handle_(handle) {}
  ~ScopedGdi() {
    if (handle_) Delete(handle_);
  }
  ScopedGdi(const ScopedGdi&) = delete;
  ScopedGdi& operator=(const ScopedGdi&) = delete;
  Handle Get() const { return handle_; }

 private:
  Handle handle_;
};
using ScopedMemoryDC = ScopedGdi<HDC, &DeleteDC>;
using ScopedGdiObject = ScopedGdi<HGDIOBJ, &DeleteObject>;

class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, previous_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Lets this process's windows finish painting, so a capture shows what a person
// would see rather than a dialog half drawn. Reads update regions only: a hung
// window cannot stall it beyond the bounds.
void SettlePainting() {
  std::vector<HWND> tops, all;
  for (HWND window : TopLevelWindows()) {
    if (!IsWindowVisible(window) || ProcessOf(window) != GetCurrentProcessId()) continue;
    tops.push_back(window);
    all.push_back(window);
    for (HWND child : ChildWindows(window)) all.push_back(child);
  }
  PollUntil(
      [&] {
        for (HWND window : all)
          if (IsWindow(window) && GetUpdateRect(window, nullptr, FALSE)) return false;
        return true;
      },
      1000);
  // Wine hands a window's pixels to X when its thread next goes idle; a
  // round trip through each queue gets there.
  for (int round = 0; round < 2; ++round) {
    for (HWND window : tops) {
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReportSendTimeoutMs, &ignored);
    }
  }
}

}  // namespace

// --- Finding windows --------------------------------------------------------

HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs) {
  return WaitForDialog([&title](HWND window) { return StoredTitle(window) == title; }, timeoutMs,
                       L"dialog \"" + title + L"\"");
}

HWND WaitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs, const std::wstring& description) {
  HWND found = nullptr;
  PollUntil(
      [&] {
        for (HWND window : ProcessDialogs()) {
          if (match(window)) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (!found) ReportEvidence(L"no " + description + L" within " + std::to_wstring(timeoutMs) + L" ms");
  return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  return PollUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool WaitForCondition(const std::function<bool()>& condition, DWORD timeoutMs) {
  return PollUntil(condition, timeoutMs);
}

std::vector<HWND> ProcessDialogs() {
  std::vector<HWND> dialogs;
  for (HWND window : TopLevelWindows())
    if (IsProcessDialog(window)) dialogs.push_back(window);
  return dialogs;
}

HWND FindChildOfClass(HWND parent, const std::wstring& className) {
  for (HWND child : ChildWindows(parent))
    if (ClassName(child) == className) return child;
  return nullptr;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

// --- Reading and filling controls -------------------------------------------

std::wstring WindowText(HWND window) { return TextOf(window, kSendTimeoutMs); }

std::wstring GetText(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"GetText");
  return control ? WindowText(control) : std::wstring();
}

bool SetText(HWND dlg, int id, const std::wstring& text) {
  HWND control = Control(dlg, id, L"SetText");
  return control && SendBounded(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool WaitForText(HWND dlg, int id, const std::wstring& text, DWORD timeoutMs) {
  if (PollUntil([&] { return GetText(dlg, id) == text; }, timeoutMs)) return true;
  WriteErr(L"control " + std::to_wstring(id) + L" of " + Describe(dlg) + L" shows \"" + GetText(dlg, id) +
           L"\", not \"" + text + L"\"\n");
  return false;
}

bool Click(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"Click");
  if (!control) return false;
  const wchar_t* refusal = !IsWindowVisible(control)   ? L"is hidden"
                           : !IsWindowEnabled(control) ? L"is disabled"
                           : !IsWindowEnabled(dlg)     ? L"is in a disabled dialog (a nested modal is open)"
                                                       : nullptr;
  if (refusal) {
    WriteErr(L"Click: control " + std::to_wstring(id) + L" \"" + WindowText(control) + L"\" of " + Describe(dlg) +
             L" " + refusal + L"\n");
    return false;
  }
  return PostMessageW(control, BM_CLICK, 0, 0) != FALSE;
}

bool IsChecked(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"IsChecked");
  DWORD_PTR state = 0;
  return control && SendBounded(control, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool IsEnabled(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"IsEnabled");
  return control && IsWindowEnabled(control);
}

bool IsVisible(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"IsVisible");
  return control && IsWindowVisible(control);
}

bool TypeKeys(HWND dlg, int id, const std::wstring& text) {
  HWND control = Control(dlg, id, L"TypeKeys");
  if (!control) return false;
  if (FocusOf(dlg) != control) {
    PostMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    if (!PollUntil([&] { return FocusOf(dlg) == control; }, 5000)) {
      WriteErr(L"TypeKeys: control " + std::to_wstring(id) + L" of " + Describe(dlg) + L" takes no focus\n");
      return false;
    }
  }
  for (wchar_t c : text) {
    if (!PostMessageW(control, WM_CHAR, c, 1)) return false;
  }
  return true;
}

bool PressKey(HWND dlg, WORD virtualKey) {
  HWND focus = FocusedControl(dlg, L"PressKey");
  if (!focus) return false;
  return PostKeyStroke(focus, virtualKey);
}

bool SelectComboIndex(HWND dlg, int id, int index) { return SelectIndex(dlg, id, index, CB_SETCURSEL, CBN_SELCHANGE); }

int ComboSelection(HWND dlg, int id) { return Selection(dlg, id, CB_GETCURSEL); }

std::vector<std::wstring> ComboItems(HWND dlg, int id) {
  return ReadItems(dlg, id, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

bool SelectListIndex(HWND dlg, int id, int index) { return SelectIndex(dlg, id, index, LB_SETCURSEL, LBN_SELCHANGE); }

int ListSelection(HWND dlg, int id) { return Selection(dlg, id, LB_GETCURSEL); }

std::vector<std::wstring> ListItems(HWND dlg, int id) {
  return ReadItems(dlg, id, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

// --- Message boxes ----------------------------------------------------------

bool IsMessageBox(HWND window) {
  if (!IsProcessDialog(window)) return false;
  HWND text = GetDlgItem(window, 0xFFFF);
  if (!text || ClassName(text) != L"Static") return false;
  for (HWND child : ChildWindows(window)) {
    const std::wstring name = ClassName(child);
    if (name != L"Static" && name != L"Button") return false;
  }
  return true;
}

std::optional<SeenMessageBox> AnswerMessageBox(int buttonId, DWORD timeoutMs) {
  HWND box = WaitForDialog(IsMessageBox, timeoutMs, L"message box");
  if (!box) return std::nullopt;
  SeenMessageBox seen{StoredTitle(box), GetText(box, 0xFFFF)};
  const std::wstring described = L"message box \"" + seen.caption + L"\": \"" + seen.text + L"\"";
  if (!Click(box, buttonId)) {
    WriteErr(L"AnswerMessageBox: cannot press button " + std::to_wstring(buttonId) + L" of the " + described + L"\n");
    return std::nullopt;
  }
  if (!WaitForWindowGone(box, timeoutMs)) {
    ReportEvidence(L"the " + described + L" stays after pressing " + std::to_wstring(buttonId));
    return std::nullopt;
  }
  return seen;
}

// --- The system's open and save dialogs ---------------------------------------

HWND WaitForFileDialog(DWORD timeoutMs) {
  return WaitForDialog(
      [](HWND window) { return IsWindowEnabled(window) && GetDlgItem(window, lst2) && GetDlgItem(window, cmb13); },
      timeoutMs, L"file open or save dialog");
}

bool AnswerFileDialog(const std::wstring& path, DWORD timeoutMs) {
  HWND dlg = WaitForFileDialog(timeoutMs);
  if (!dlg) return false;
  // A person types into the edit inside the name field's combo boxes.
  HWND edit = FindChildOfClass(GetDlgItem(dlg, cmb13), L"Edit");
  if (!edit || !SendBounded(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()))) {
    ReportEvidence(L"AnswerFileDialog: the file name field of " + Describe(dlg) + L" takes no text");
    return false;
  }
  if (!Click(dlg, IDOK)) return false;
  if (PollUntil([dlg] { return !IsWindow(dlg) || !IsWindowVisible(dlg) || !IsWindowEnabled(dlg); }, timeoutMs))
    return true;
  ReportEvidence(L"the file " + Describe(dlg) + L" neither closes nor asks after choosing \"" + path + L"\"");
  return false;
}

bool CancelFileDialog(DWORD timeoutMs) {
  HWND dlg = WaitForFileDialog(timeoutMs);
  if (!dlg || !Click(dlg, IDCANCEL)) return false;
  if (WaitForWindowGone(dlg, timeoutMs)) return true;
  ReportEvidence(L"the file " + Describe(dlg) + L" stays after pressing Cancel");
  return false;
}

// --- Evidence ---------------------------------------------------------------

bool Screenshot(const std::wstring& path) {
  SettlePainting();
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  ScopedDC screen(nullptr);
  if (!screen.Get()) return false;
  ScopedMemoryDC memory(CreateCompatibleDC(screen.Get()));

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, the row order of a .bmp file
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedGdiObject dib(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory.Get() || !dib.Get() || !bits) return false;
  {
    ScopedSelect select(memory.Get(), dib.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), 0, 0, SRCCOPY | CAPTUREBLT)) return false;
    GdiFlush();
  }

  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;

  std::string bytes;
  bytes.reserve(file.bfSize);
  bytes.append(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), imageSize);
  return WriteBytes(path, bytes);
}

std::wstring CaptureEvidence(const std::wstring& reason) {
  static std::atomic<unsigned> counter{0};
  const std::wstring dir = EvidenceDir();
  CreateDirectoryW(dir.c_str(), nullptr);
  std::wstring program = ProgramDir();
  {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    program = path + program.size();
    program = program.substr(0, program.rfind(L'.'));
  }
  const std::wstring path = dir + L"\\" + program + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(counter++) + L".bmp";
  if (!Screenshot(path)) {
    WriteErr(L"screenshot for \"" + reason + L"\" failed\n");
    return {};
  }
  const std::wstring unixPath = UnixPathOf(path);
  WriteErr(L"screenshot for \"" + reason + L"\": " + path + (unixPath.empty() ? L"" : L" (" + unixPath + L")") + L"\n");
  return path;
}

void ReportWindows(const std::wstring& heading) {
  std::wstring report = heading + L"\nvisible top-level windows (pid, class, title):\n";
  const DWORD self = GetCurrentProcessId();
  for (HWND window : TopLevelWindows()) {
    if (!IsWindowVisible(window)) continue;
    const DWORD pid = ProcessOf(window);
    report += L"  " + std::to_wstring(pid) + (pid == self ? L"* " : L"  ") + ClassName(window) + L" \"" +
              StoredTitle(window) + L"\"" + (IsWindowEnabled(window) ? L"" : L" [disabled]") + L"\n";
    if (pid != self || ClassName(window) != L"#32770") continue;
    for (HWND child : ChildWindows(window)) {
      if (GetParent(child) != window) continue;
      report += L"      " + std::to_wstring(GetDlgCtrlID(child)) + L" " + ClassName(child) + L" \"" +
                TextOf(child, kReportSendTimeoutMs) + L"\"" + (IsWindowVisible(child) ? L"" : L" [hidden]") +
                (IsWindowEnabled(child) ? L"" : L" [disabled]") + L"\n";
    }
  }
  WriteErr(report);
}

bool CloseProcessDialogs(DWORD timeoutMs) {
  std::map<HWND, int> attempts;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    std::vector<HWND> dialogs = ProcessDialogs();
    if (dialogs.empty()) return true;
    if (GetTickCount64() >= deadline) {
      ReportWindows(L"dialogs still open after closing them for " + std::to_wstring(timeoutMs) + L" ms");
      return false;
    }
    // Only the innermost modal is enabled; its owner follows once it has gone.
    std::vector<HWND> targets;
    for (HWND dlg : dialogs)
      if (IsWindowEnabled(dlg)) targets.push_back(dlg);
    if (targets.empty()) targets = dialogs;
    for (HWND dlg : targets) {
      switch (attempts[dlg]++) {
        case 0:
          PostMessageW(dlg, WM_CLOSE, 0, 0);
          break;
        case 1:
          PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
          break;
        default:
          // A dialog whose Cancel is disabled ignores both; ending it from
          // outside is the last resort.
          EndDialog(dlg, IDCANCEL);
          break;
      }
    }
    PollUntil([&] { return !IsWindow(targets.front()) || !IsWindowVisible(targets.front()); }, 400);
  }
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// --- Scripts on a watcher thread --------------------------------------------

void Fail(const std::string& message) { throw ScriptFailure(message); }

void Require(bool condition, const std::string& message) {
  if (!condition) Fail(message);
}

HWND RequireDialog(const std::wstring& title, DWORD timeoutMs) {
  HWND dlg = WaitForDialog(title, timeoutMs);
  if (!dlg) Fail("no dialog \"" + Utf8(title) + "\"");
  return dlg;
}

namespace {

// The script and its guard run on threads of the system's own. A std::thread
// leaves an event behind in winpthreads' store of thread records, one more
// whenever more of them are alive at once than before, and tests that count
// the process's handles took that for a leak.
HANDLE StartThread(std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  const auto run = [](void* pBody) -> DWORD {
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(pBody));
    (*body)();
    return 0;
  };
  HANDLE thread = ::CreateThread(nullptr, 0, run, owned.get(), 0, nullptr);
  if (!thread) throw std::runtime_error("UiScript: no thread for the script");
  owned.release();  // the thread deletes it
  return thread;
}

// Waits for the thread to end when wait is set, then lets its handle go.
void EndThread(HANDLE& thread, bool wait) {
  if (!thread) return;
  if (wait) ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  thread = nullptr;
}

}  // namespace

// The state the test's thread, the script and the guard share. Its lock and
// its waits are the system's slim lock and condition variable, which hold no
// handle either.
struct UiScript::State {
  std::function<void()> script;
  std::atomic<bool> cancelled{false};
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  bool done = false;
  bool joining = false;
  std::string failure;
  HANDLE worker = nullptr;
  HANDLE guard = nullptr;

  // With the lock held: waits until condition holds or timeoutMs have passed;
  // the condition's last value.
  template <class Condition>
  bool WaitFor(DWORD timeoutMs, Condition condition) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
      const ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) return false;
      ::SleepConditionVariableSRW(&changed, &lock, static_cast<DWORD>(deadline - now), 0);
    }
    return true;
  }

  // Sets a flag under the lock and wakes every waiter.
  void Set(bool State::*flag) {
    ::AcquireSRWLockExclusive(&lock);
    this->*flag = true;
    ::ReleaseSRWLockExclusive(&lock);
    ::WakeAllConditionVariable(&changed);
  }

  void AddFailure(const std::string& what) {
    ::AcquireSRWLockExclusive(&lock);
    failure += failure.empty() ? what : "; then " + what;
    ::ReleaseSRWLockExclusive(&lock);
  }

  // Leaves the screen as evidence and lets the blocked modal call return.
  static void Unblock(const std::string& what) {
    const std::wstring reason = Utf16(std::string_view(what));
    ReportWindows(L"UiScript: " + reason);
    CaptureEvidence(reason);
    CloseProcessDialogs();
  }
};

UiScript::UiScript(std::function<void()> script, DWORD deadlineMs) : state_(std::make_shared<State>()) {
  // Wine loads its display driver on a process's first window call and takes
  // the loader lock to do it. Were the watcher the first, while this thread
  // loads a DLL whose attach code touches the display (the library's imports
  // do), the two would wait for each other for ever: load it here, before
  // the watcher exists.
  ::GetDesktopWindow();
  state_->script = std::move(script);
  state_->worker = StartThread([state = state_] {
    t_cancelled = &state->cancelled;
    std::string failure;
    try {
      state->script();
    } catch (const std::exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "unknown exception";
    }
    if (!failure.empty()) {
      state->AddFailure(failure);
      if (!state->cancelled) State::Unblock("script failed: " + failure);
    }
    state->Set(&State::done);
  });
  state_->guard = StartThread([state = state_, deadlineMs] {
    ::AcquireSRWLockExclusive(&state->lock);
    // The script and the modal call it drives both end by the deadline.
    const bool joined = state->WaitFor(deadlineMs, [&] { return state->joining; });
    const bool scriptDone = state->done;
    ::ReleaseSRWLockExclusive(&state->lock);
    if (joined) return;
    const std::string what =
        scriptDone ? "the modal call had not returned " + std::to_string(deadlineMs) + " ms after the script began"
                   : "script still running after " + std::to_string(deadlineMs) + " ms";
    state->AddFailure(what);
    if (!scriptDone) state->cancelled = true;
    State::Unblock(what);
  });
}

UiScript::~UiScript() {
  if (!joined_) Join();
}

bool UiScript::Join(DWORD timeoutMs) {
  if (joined_) return Failure().empty();
  joined_ = true;
  State& state = *state_;
  ::AcquireSRWLockExclusive(&state.lock);
  if (!state.WaitFor(timeoutMs, [&] { return state.done; })) {
    ::ReleaseSRWLockExclusive(&state.lock);
    const std::string what = "script did not end within " + std::to_string(timeoutMs) + " ms of Join";
    state.AddFailure(what);
    state.cancelled = true;
    State::Unblock(what);
    ::AcquireSRWLockExclusive(&state.lock);
    state.WaitFor(5000, [&] { return state.done; });
  }
  const bool finished = state.done;
  ::ReleaseSRWLockExclusive(&state.lock);
  state.Set(&State::joining);
  EndThread(state.guard, true);
  if (!finished) state.AddFailure("the script thread is left running");
  EndThread(state.worker, finished);
  return Failure().empty();
}

std::string UiScript::Failure() const {
  ::AcquireSRWLockExclusive(&state_->lock);
  std::string failure = state_->failure;
  ::ReleaseSRWLockExclusive(&state_->lock);
  return failure;
}

}  // namespace zvtest
