// Drives the dialogs of the test's own process as a person would: finds them on
// the screen, reads and fills their controls, clicks, types and answers message
// boxes. Every wait is bounded; a wait that runs out leaves a screenshot and the
// windows it saw on stderr, so a test fails with evidence instead of hanging.
//
// The usual shape: the test's main thread calls something modal (an export that
// shows a dialog) while a UiScript plays the person on a watcher thread.
//
// How input reaches the dialog (Wine 8 on Xvfb):
// - Click posts BM_CLICK: a click handler that opens a nested modal does not
//   return until that closes, so a sent click would block the watcher that has
//   to answer it. BM_CLICK also toggles check boxes and radio buttons.
// - SetText sends WM_SETTEXT (bounded); an edit tells its dialog with EN_CHANGE.
// - TypeKeys focuses the control and posts WM_CHAR, so Japanese text types as it
//   is; PressKey posts one key down and up to the focused control. Keys are
//   posted, not sent with SendInput: the foreground window is shared by every
//   process on the display, and under ctest -j another test's dialog could take them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support.h"

namespace zvtest {

// --- Finding windows --------------------------------------------------------

// A visible "#32770" window of this process titled title, or for which match
// holds; nullptr, with evidence, when none appears within the timeout.
HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs = 10000);
HWND WaitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs = 10000,
                   const std::wstring& description = L"a matching dialog");
// True when the window is destroyed or hidden within the timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);
// Visible top-level "#32770" windows of this process, topmost first.
std::vector<HWND> ProcessDialogs();
// The window's own children in z-order (a dialog's controls in template order).
std::vector<HWND> ChildWindows(HWND parent);
std::wstring ClassName(HWND window);
// The first descendant of parent of the class ("Edit", "SysTreeView32"…), or nullptr.
HWND FindChildOfClass(HWND parent, const wchar_t* className);

// --- Reading and filling controls -------------------------------------------

// Text through WM_GETTEXT (bounded); empty when the window does not answer.
std::wstring WindowText(HWND window);
std::wstring GetText(HWND dlg, int id);
bool SetText(HWND dlg, int id, const std::wstring& text);
bool WaitForText(HWND dlg, int id, const std::wstring& text, DWORD timeoutMs = 10000);
// False, with the reason on stderr, when a person could not click it: missing,
// hidden or disabled, or its dialog is disabled (a nested modal is open).
bool Click(HWND dlg, int id);
bool IsChecked(HWND dlg, int id);
bool IsEnabled(HWND dlg, int id);
bool TypeKeys(HWND dlg, int id, const std::wstring& text);
// One virtual key (VK_RETURN, VK_ESCAPE…) on the focused control.
bool PressKey(HWND dlg, WORD virtualKey);

// Combo and list boxes alike: select as a person does (the dialog gets
// CBN_SELCHANGE or LBN_SELCHANGE), read the selection and the items.
bool SelectIndex(HWND dlg, int id, int index);
int Selection(HWND dlg, int id);
std::vector<std::wstring> Items(HWND dlg, int id);
// A person's click on a list box's item with keys held (MK_CONTROL adds it to
// an extended selection), twice for a double click. Posted: it reaches the
// list after what was posted before, a Click's too.
bool ClickItem(HWND dlg, int id, int index, WPARAM keys = 0, bool twice = false);

// --- Message boxes and the system's file dialogs ------------------------------

struct SeenMessageBox {
  std::wstring caption, text;
};
// Waits for a message box (the text is static 0xFFFF), reads it, presses
// buttonId (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7) and waits until it has gone.
std::optional<SeenMessageBox> AnswerMessageBox(int buttonId, DWORD timeoutMs = 10000);

// The open or save dialog once a person can use it: the shell's file list lst2
// and the file name field cmb13 (ids from <dlgs.h>).
HWND WaitForFileDialog(DWORD timeoutMs = 10000);
// Types path into the open or save dialog's name field and presses its OK
// button: true once it has closed or opened a nested box. Wine 8's name field
// is a ComboBoxEx32 around a ComboBox around an Edit, all cmb13.
bool AnswerFileDialog(const std::wstring& path, DWORD timeoutMs = 10000);
bool CancelFileDialog(DWORD timeoutMs = 10000);

// --- Evidence ---------------------------------------------------------------

// Lists the visible windows (and the controls of this process's dialogs) on
// stderr and takes a screenshot with ImageMagick's import into the folder
// %ZVTEST_SCREENSHOTS%, or "screenshots" beside the test program.
void CaptureEvidence(const std::wstring& reason);
// Closes every dialog of this process, innermost first (WM_CLOSE, then
// IDCANCEL, then EndDialog); true when none is left within the timeout.
bool CloseProcessDialogs(DWORD timeoutMs = 5000);
// The window with the keyboard focus on window's thread, or null.
HWND FocusOf(HWND window);

// --- Scripts on a watcher thread --------------------------------------------

struct ScriptFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& message);
void Require(bool condition, const std::string& message);
HWND RequireDialog(const std::wstring& title, DWORD timeoutMs = 10000);

// Runs script on a watcher thread while the test's own thread blocks in a
// modal call. When the script fails, or it or the modal call still runs at the
// deadline, the screen is captured and every dialog of the process is closed,
// so the modal call returns and the test fails instead of hanging. The waits
// above return early once a script is cancelled. EXPECT_* work inside scripts.
class UiScript {
 public:
  explicit UiScript(std::function<void()> script, DWORD deadlineMs = 30000);
  ~UiScript();
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  // True when the script ran to its end without failure.
  bool Join(DWORD timeoutMs = 10000);
  // What went wrong, UTF-8; empty while nothing did.
  std::string Failure() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  HANDLE worker_ = nullptr;
  HANDLE guard_ = nullptr;
  bool joined_ = false;
};

}  // namespace zvtest
