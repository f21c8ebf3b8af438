#include "dialog_driver.h"

#include <dlgs.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace zvtest {

namespace detail {
extern thread_local const std::atomic<bool>* t_cancelled;
bool WaitsCancelled();
}  // namespace detail

namespace {

constexpr UINT kSendTimeoutMs = 5000;

void WriteErr(const std::wstring& text) { std::fputs(Utf8(text).c_str(), stderr); }

// Top-level windows are the desktop window's children, topmost first.
std::vector<HWND> TopLevelWindows() { return ChildWindows(::GetDesktopWindow()); }

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

// The title as the window manager stores it: reading it sends no message, so
// a busy or hung window cannot stall a poll.
std::wstring StoredTitle(HWND window) {
  wchar_t buffer[512] = {};
  ::InternalGetWindowText(window, buffer, 512);
  return buffer;
}

// No SMTO_ABORTIFHUNG: Wine calls a thread hung when it has not asked for a
// message for 5 s, which is every test thread that prepared files that long
// before its dialog's loop began. The timeout alone bounds the wait.
DWORD_PTR Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, UINT timeoutMs = kSendTimeoutMs) {
  DWORD_PTR result = static_cast<DWORD_PTR>(-1);
  ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result);
  return result;
}

std::wstring TextOf(HWND window, UINT timeoutMs = kSendTimeoutMs) {
  const auto length = static_cast<LRESULT>(Send(window, WM_GETTEXTLENGTH, 0, 0, timeoutMs));
  if (length < 0) return {};
  std::wstring text(length + 1, L'\0');
  const auto copied =
      static_cast<LRESULT>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), timeoutMs));
  text.resize(copied >= 0 && copied <= length ? copied : 0);
  return text;
}

std::wstring Describe(HWND dlg) { return L"dialog \"" + StoredTitle(dlg) + L"\""; }

// What a person would have seen when a wait ran out; nothing once the script
// is cancelled, whose own report already says why.
void ReportEvidence(const std::wstring& what) {
  if (!detail::WaitsCancelled()) CaptureEvidence(what);
}

HWND Control(HWND dlg, int id, const wchar_t* action) {
  HWND control = dlg ? ::GetDlgItem(dlg, id) : nullptr;
  if (!control)
    WriteErr(std::wstring(action) + L": no control " + std::to_wstring(id) + L" in " + Describe(dlg) + L"\n");
  return control;
}

bool IsProcessDialog(HWND window) {
  return ::IsWindowVisible(window) && ProcessOf(window) == ::GetCurrentProcessId() && ClassName(window) == L"#32770";
}

// A dialog of statics and buttons only, whose text is static 0xFFFF: our own
// dialogs have labels of that id too.
bool IsMessageBox(HWND window) {
  if (!IsProcessDialog(window) || !::GetDlgItem(window, 0xFFFF)) return false;
  const std::vector<HWND> children = ChildWindows(window);
  return std::all_of(children.begin(), children.end(),
                     [](HWND child) { return ClassName(child) == L"Static" || ClassName(child) == L"Button"; });
}

// The messages of a list box, or of a combo box, for one purpose.
UINT ListMessage(HWND control, UINT list, UINT combo) { return ClassName(control) == L"ListBox" ? list : combo; }

}  // namespace

// --- Finding windows --------------------------------------------------------

HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs) {
  return WaitForDialog([&title](HWND window) { return StoredTitle(window) == title; }, timeoutMs,
                       L"dialog \"" + title + L"\"");
}

HWND WaitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs, const std::wstring& description) {
  HWND found = nullptr;
  WaitForCondition(
      [&] {
        for (HWND window : ProcessDialogs())
          if (match(window)) return (found = window) != nullptr;
        return false;
      },
      timeoutMs);
  if (!found) ReportEvidence(L"no " + description + L" within " + std::to_wstring(timeoutMs) + L" ms");
  return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  return WaitForCondition([window] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeoutMs);
}

std::vector<HWND> ProcessDialogs() {
  std::vector<HWND> dialogs = TopLevelWindows();
  std::erase_if(dialogs, [](HWND window) { return !IsProcessDialog(window); });
  return dialogs;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
  for (HWND child : ChildWindows(parent)) {
    if (ClassName(child) == className) return child;
    if (HWND found = FindChildOfClass(child, className)) return found;
  }
  return nullptr;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  ::GetClassNameW(window, buffer, 256);
  return buffer;
}

// --- Reading and filling controls -------------------------------------------

std::wstring WindowText(HWND window) { return TextOf(window); }

std::wstring GetText(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"GetText");
  return control ? TextOf(control) : std::wstring();
}

bool SetText(HWND dlg, int id, const std::wstring& text) {
  HWND control = Control(dlg, id, L"SetText");
  return control && Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

bool WaitForText(HWND dlg, int id, const std::wstring& text, DWORD timeoutMs) {
  if (WaitForCondition([&] { return GetText(dlg, id) == text; }, timeoutMs)) return true;
  WriteErr(L"control " + std::to_wstring(id) + L" of " + Describe(dlg) + L" shows \"" + GetText(dlg, id) +
           L"\", not \"" + text + L"\"\n");
  return false;
}

bool Click(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"Click");
  if (!control) return false;
  if (::IsWindowVisible(control) && ::IsWindowEnabled(control) && ::IsWindowEnabled(dlg))
    return ::PostMessageW(control, BM_CLICK, 0, 0) != FALSE;
  // Disabled, hidden, or its dialog disabled by a nested modal: a person could not click it.
  WriteErr(L"Click: control " + std::to_wstring(id) + L" \"" + TextOf(control) + L"\" of " + Describe(dlg) +
           L" cannot be clicked\n");
  return false;
}

bool IsChecked(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"IsChecked");
  return control && Send(control, BM_GETCHECK) == BST_CHECKED;
}

bool IsEnabled(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"IsEnabled");
  return control && ::IsWindowEnabled(control);
}

bool TypeKeys(HWND dlg, int id, const std::wstring& text) {
  HWND control = Control(dlg, id, L"TypeKeys");
  if (!control) return false;
  // Focusing an edit selects its text, which the keys then replace.
  if (FocusOf(dlg) != control) ::PostMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  if (!WaitForCondition([&] { return FocusOf(dlg) == control; }, 5000)) {
    WriteErr(L"TypeKeys: control " + std::to_wstring(id) + L" of " + Describe(dlg) + L" takes no focus\n");
    return false;
  }
  return std::all_of(text.begin(), text.end(), [&](wchar_t c) { return ::PostMessageW(control, WM_CHAR, c, 1); });
}

bool PressKey(HWND dlg, WORD virtualKey) {
  const auto inDialog = [dlg](HWND focus) { return focus && (focus == dlg || ::IsChild(dlg, focus)); };
  HWND focus = FocusOf(dlg);
  if (!inDialog(focus)) {
    // Another test process's window took the activation, and with it this
    // thread's focus: activating the dialog gives the focus back to its
    // control, as a click on its title bar does.
    ::PostMessageW(dlg, WM_ACTIVATE, WA_ACTIVE, 0);
    if (!WaitForCondition([&] { return inDialog(focus = FocusOf(dlg)); }, 2000)) {
      WriteErr(L"PressKey: nothing in " + Describe(dlg) + L" has the focus\n");
      return false;
    }
  }
  // Down and up only: the loop's TranslateMessage makes the WM_CHAR, as for a real key.
  const LPARAM down = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16);
  const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  // Esc or Enter may end the dialog, and destroy the control, before the key up is posted.
  const bool posted = ::PostMessageW(focus, WM_KEYDOWN, virtualKey, down);
  ::PostMessageW(focus, WM_KEYUP, virtualKey, up);
  return posted;
}

bool SelectIndex(HWND dlg, int id, int index) {
  HWND control = Control(dlg, id, L"SelectIndex");
  if (!control || static_cast<int>(Send(control, ListMessage(control, LB_SETCURSEL, CB_SETCURSEL), index)) != index)
    return false;
  // Setting the selection by message does not notify; a person's choice does.
  const WORD notification = ListMessage(control, LBN_SELCHANGE, CBN_SELCHANGE);
  return ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control)) != FALSE;
}

int Selection(HWND dlg, int id) {
  HWND control = Control(dlg, id, L"Selection");
  return control ? static_cast<int>(Send(control, ListMessage(control, LB_GETCURSEL, CB_GETCURSEL))) : -1;
}

std::vector<std::wstring> Items(HWND dlg, int id) {
  std::vector<std::wstring> items;
  HWND control = Control(dlg, id, L"Items");
  const auto count = control ? static_cast<LRESULT>(Send(control, ListMessage(control, LB_GETCOUNT, CB_GETCOUNT))) : 0;
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<LRESULT>(Send(control, ListMessage(control, LB_GETTEXTLEN, CB_GETLBTEXTLEN), i));
    std::wstring text(std::max<LRESULT>(length, 0) + 1, L'\0');
    Send(control, ListMessage(control, LB_GETTEXT, CB_GETLBTEXT), i, reinterpret_cast<LPARAM>(text.data()));
    items.push_back(text.c_str());
  }
  return items;
}

bool ClickItem(HWND dlg, int id, int index, WPARAM keys, bool twice) {
  HWND list = Control(dlg, id, L"ClickItem");
  RECT item{};
  if (!list || static_cast<LRESULT>(Send(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item))) == LB_ERR)
    return false;
  const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
  // A double click's second press comes as WM_LBUTTONDBLCLK.
  const auto press = [&](UINT down) {
    return ::PostMessageW(list, down, keys | MK_LBUTTON, at) && ::PostMessageW(list, WM_LBUTTONUP, keys, at);
  };
  return press(WM_LBUTTONDOWN) && (!twice || press(WM_LBUTTONDBLCLK));
}

// --- Message boxes and the system's file dialogs ------------------------------

std::optional<SeenMessageBox> AnswerMessageBox(int buttonId, DWORD timeoutMs) {
  HWND box = WaitForDialog(IsMessageBox, timeoutMs, L"message box");
  if (!box) return std::nullopt;
  SeenMessageBox seen{StoredTitle(box), GetText(box, 0xFFFF)};
  if (!Click(box, buttonId)) return std::nullopt;
  if (WaitForWindowGone(box, timeoutMs)) return seen;
  ReportEvidence(L"the message box \"" + seen.text + L"\" stays after pressing " + std::to_wstring(buttonId));
  return std::nullopt;
}

HWND WaitForFileDialog(DWORD timeoutMs) {
  return WaitForDialog(
      [](HWND window) {
        return ::IsWindowEnabled(window) && ::GetDlgItem(window, lst2) && ::GetDlgItem(window, cmb13);
      },
      timeoutMs, L"file open or save dialog");
}

bool AnswerFileDialog(const std::wstring& path, DWORD timeoutMs) {
  HWND dlg = WaitForFileDialog(timeoutMs);
  HWND edit = dlg ? FindChildOfClass(::GetDlgItem(dlg, cmb13), L"Edit") : nullptr;
  if (edit && Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())) == TRUE && Click(dlg, IDOK) &&
      WaitForCondition([dlg] { return !::IsWindow(dlg) || !::IsWindowVisible(dlg) || !::IsWindowEnabled(dlg); },
                       timeoutMs))
    return true;
  ReportEvidence(L"the file dialog neither closes nor asks after choosing \"" + path + L"\"");
  return false;
}

bool CancelFileDialog(DWORD timeoutMs) {
  HWND dlg = WaitForFileDialog(timeoutMs);
  if (dlg && Click(dlg, IDCANCEL) && WaitForWindowGone(dlg, timeoutMs)) return true;
  ReportEvidence(L"the file dialog does not close on Cancel");
  return false;
}

// --- Evidence ---------------------------------------------------------------

void CaptureEvidence(const std::wstring& reason) {
  std::wstring report = reason + L"\nvisible top-level windows (pid, class, title):\n";
  const auto state = [](HWND w) {
    return std::wstring(::IsWindowVisible(w) ? L"" : L" [hidden]") + (::IsWindowEnabled(w) ? L"" : L" [disabled]");
  };
  for (HWND window : TopLevelWindows()) {
    if (!::IsWindowVisible(window)) continue;
    const bool own = ProcessOf(window) == ::GetCurrentProcessId();
    report += L"  " + std::to_wstring(ProcessOf(window)) + (own ? L"* " : L"  ") + ClassName(window) + L" \"" +
              StoredTitle(window) + L"\"" + state(window) + L"\n";
    if (own && ClassName(window) == L"#32770")
      for (HWND child : ChildWindows(window))
        report += L"      " + std::to_wstring(::GetDlgCtrlID(child)) + L" " + ClassName(child) + L" \"" +
                  TextOf(child, 300) + L"\"" + state(child) + L"\n";
  }
  static std::atomic<unsigned> counter{0};
  const wchar_t* dir = _wgetenv(L"ZVTEST_SCREENSHOTS");
  const std::wstring folder = dir && *dir ? dir : ProgramDir() + L"screenshots";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  std::string shot = Utf8(folder.substr(folder.rfind(L"Z:", 0) == 0 ? 2 : 0)) + "\\" +
                     std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".png";
  std::replace(shot.begin(), shot.end(), '\\', '/');  // the Unix path of a folder on Z:
  const bool taken = RunShell("import -window root '" + shot + "'", 10000).has_value();
  WriteErr(report + L"screenshot: " + (taken ? Utf16(shot) : L"(import failed)") + L"\n");
}

bool CloseProcessDialogs(DWORD timeoutMs) {
  std::map<HWND, int> attempts;
  for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; ::GetTickCount64() < deadline;) {
    std::vector<HWND> dialogs = ProcessDialogs();
    if (dialogs.empty()) return true;
    // Only the innermost modal is enabled; its owner follows once it has gone.
    if (std::any_of(dialogs.begin(), dialogs.end(), ::IsWindowEnabled))
      std::erase_if(dialogs, std::not_fn(::IsWindowEnabled));
    for (HWND dlg : dialogs) {
      const int attempt = attempts[dlg]++;
      if (attempt == 0) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
      if (attempt == 1)
        ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDCANCEL)));
      if (attempt >= 2) ::EndDialog(dlg, IDCANCEL);  // a dialog whose Cancel is disabled ignores both
    }
    WaitForCondition([&] { return !::IsWindow(dialogs.front()) || !::IsWindowVisible(dialogs.front()); }, 400);
  }
  CaptureEvidence(L"dialogs still open after closing them for " + std::to_wstring(timeoutMs) + L" ms");
  return false;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
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

// The script and its guard run on threads of the system's own: a std::thread
// leaves an event behind in winpthreads' store of thread records, which the
// tests that count the process's handles take for a leak.
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

}  // namespace

// What the test's thread, the script and its guard share.
struct UiScript::State {
  std::function<void()> script;
  DWORD deadlineMs;
  std::atomic<bool> cancelled{false};
  HANDLE scriptDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE joining = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SRWLOCK lock = SRWLOCK_INIT;
  std::string failure;

  void AddFailure(const std::string& what) {
    ::AcquireSRWLockExclusive(&lock);
    failure += failure.empty() ? what : "; then " + what;
    ::ReleaseSRWLockExclusive(&lock);
  }
  // Records what went wrong, leaves the screen as evidence and lets the
  // blocked modal call return.
  void Abandon(const std::string& what) {
    AddFailure(what);
    CaptureEvidence(L"UiScript: " + Utf16(what));
    CloseProcessDialogs();
  }
  // A script that was cancelled has been abandoned already.
  void Fail(const std::string& what) { cancelled ? AddFailure(what) : Abandon(what); }
};

UiScript::UiScript(std::function<void()> script, DWORD deadlineMs) : state_(std::make_shared<State>()) {
  // Wine loads its display driver on a process's first window call, under the
  // loader lock. Were the watcher the first while this thread loads a DLL whose
  // attach code touches the display, the two would wait for each other for
  // ever: load it here, before the watcher exists.
  ::GetDesktopWindow();
  state_->script = std::move(script);
  state_->deadlineMs = deadlineMs;
  worker_ = StartThread([state = state_] {
    detail::t_cancelled = &state->cancelled;
    try {
      state->script();
    } catch (const std::exception& e) {
      state->Fail(std::string("script failed: ") + e.what());
    } catch (...) {
      state->Fail("script failed");
    }
    ::SetEvent(state->scriptDone);
  });
  guard_ = StartThread([state = state_] {
    // The script and the modal call it drives both end by the deadline.
    if (::WaitForSingleObject(state->joining, state->deadlineMs) == WAIT_OBJECT_0) return;
    const bool done = ::WaitForSingleObject(state->scriptDone, 0) == WAIT_OBJECT_0;
    state->cancelled = !done;
    const std::string after = std::to_string(state->deadlineMs) + " ms";
    state->Abandon(done ? "the modal call had not returned " + after + " after the script began"
                        : "script still running after " + after);
  });
}

UiScript::~UiScript() {
  if (!joined_) Join();
}

bool UiScript::Join(DWORD timeoutMs) {
  if (joined_) return Failure().empty();
  joined_ = true;
  State& state = *state_;
  if (::WaitForSingleObject(state.scriptDone, timeoutMs) != WAIT_OBJECT_0) {
    state.cancelled = true;
    state.Abandon("script did not end within " + std::to_string(timeoutMs) + " ms of Join");
  }
  const bool finished = ::WaitForSingleObject(state.scriptDone, 5000) == WAIT_OBJECT_0;
  ::SetEvent(state.joining);
  ::WaitForSingleObject(guard_, INFINITE);
  ::CloseHandle(guard_);
  if (finished) {
    ::WaitForSingleObject(worker_, INFINITE);
    // Nobody waits on them any more: no handle of the script outlives the join.
    ::CloseHandle(state.scriptDone);
    ::CloseHandle(state.joining);
  } else {
    state.AddFailure("the script thread is left running");
  }
  ::CloseHandle(worker_);
  return Failure().empty();
}

std::string UiScript::Failure() const {
  ::AcquireSRWLockExclusive(&state_->lock);
  std::string failure = state_->failure;
  ::ReleaseSRWLockExclusive(&state_->lock);
  return failure;
}

}  // namespace zvtest
