// Drives the dialogs of the test's own process as a person would: finds them on
// the screen, reads and fills their controls, clicks, types and answers message
// boxes. Every wait is bounded; a wait that runs out writes a screenshot and the
// windows it saw to stderr, so a test fails with evidence instead of hanging.
//
// The usual shape: the test's main thread calls something modal (an export that
// shows a dialog) while a UiScript plays the person on a watcher thread.
//
// How input reaches the dialog (tried under Wine 8 on Xvfb, for a dialog on the
// test's main thread driven from a watcher and for one on a second thread):
// - Click posts BM_CLICK to the control. Posting matters: a click handler that
//   opens a nested modal (a message box) does not return until that closes, so
//   a sent BM_CLICK blocks the watcher that has to answer it (it times out).
//   BM_CLICK also toggles auto check boxes and radio buttons; a WM_COMMAND
//   posted to the dialog does not.
// - SetText sends WM_SETTEXT (bounded): the control changes at once and an edit
//   tells its dialog with EN_CHANGE.
// - TypeKeys focuses the control (WM_NEXTDLGCTL) and posts WM_CHAR to it, so
//   Japanese text types as it is; PressKey posts one key down and up to the
//   focused control. Keys are posted, not sent with SendInput, because the
//   foreground window is shared by every process on the display: under ctest -j
//   another test's dialog could take them.
// - The screen is captured in-process with GDI; it shows Wine's windows as X draws them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

// --- Finding windows --------------------------------------------------------

// A visible top-level "#32770" window of this process whose title is title;
// nullptr when none appears within the timeout (then the screen is captured and
// the visible top-level windows are listed on stderr).
HWND WaitForDialog(const std::wstring& title, DWORD timeoutMs = 10000);
// The same for the first visible "#32770" window of this process that match
// accepts; description names it in the report.
HWND WaitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs = 10000,
                   const std::wstring& description = L"a matching dialog");
// True when the window is destroyed or hidden within the timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);
// Polls condition until it holds; false after the timeout (no report: the caller knows what it waited for).
bool WaitForCondition(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Visible top-level "#32770" windows of this process, in z-order (topmost first).
std::vector<HWND> ProcessDialogs();
// First descendant of the given window class ("Edit", "SysTreeView32"…), or nullptr.
HWND FindChildOfClass(HWND parent, const std::wstring& className);
std::wstring ClassName(HWND window);

// --- Reading and filling controls -------------------------------------------

// Text of a window through WM_GETTEXT (bounded); empty when it does not answer.
std::wstring WindowText(HWND window);
std::wstring GetText(HWND dlg, int id);
// WM_SETTEXT through SendMessageTimeoutW; false when the control is missing or does not answer.
bool SetText(HWND dlg, int id, const std::wstring& text);
// Waits until the control's text equals text.
bool WaitForText(HWND dlg, int id, const std::wstring& text, DWORD timeoutMs = 10000);
// Posts BM_CLICK. False, with the reason on stderr, when a person could not
// click it: the control is missing, hidden or disabled, or its dialog is
// disabled (a nested modal is open).
bool Click(HWND dlg, int id);
bool IsChecked(HWND dlg, int id);
bool IsEnabled(HWND dlg, int id);
bool IsVisible(HWND dlg, int id);

// Focuses the control and types text as character messages in the dialog's
// queue. False when the control is missing or cannot be focused.
bool TypeKeys(HWND dlg, int id, const std::wstring& text);
// Presses one virtual key (VK_RETURN, VK_ESCAPE, VK_TAB…) on the focused control.
bool PressKey(HWND dlg, WORD virtualKey);

// Combo and list boxes: select like a person (the dialog gets CBN_SELCHANGE /
// LBN_SELCHANGE), read the items and the selection.
bool SelectComboIndex(HWND dlg, int id, int index);
int ComboSelection(HWND dlg, int id);
std::vector<std::wstring> ComboItems(HWND dlg, int id);
bool SelectListIndex(HWND dlg, int id, int index);
int ListSelection(HWND dlg, int id);
std::vector<std::wstring> ListItems(HWND dlg, int id);

// --- Message boxes ----------------------------------------------------------

struct SeenMessageBox {
  std::wstring caption, text;
};
// A visible message box of this process: a "#32770" of statics and buttons with
// the text static 0xFFFF. (Any dialog of only labels and buttons whose label
// has the id -1 looks the same; the caption tells them apart.)
bool IsMessageBox(HWND window);
// Waits for a message box, reads it, clicks buttonId (IDOK 1, IDCANCEL 2, IDYES 6,
// IDNO 7) and waits until it has gone. nullopt when none appeared, the button is
// missing or the box stayed (all reported on stderr).
std::optional<SeenMessageBox> AnswerMessageBox(int buttonId, DWORD timeoutMs = 10000);

// --- The system's open and save dialogs ---------------------------------------

// The open or save dialog of this process once a person can use it (enabled):
// a "#32770" with the shell's file list lst2 and the file name field cmb13
// (ids from <dlgs.h>). Under Wine 8 it is titled 開く or 名前を付けて保存, the
// name field is a ComboBoxEx32 around a ComboBox around an Edit (all cmb13),
// the file types are the combo box cmb1, the buttons IDOK and IDCANCEL. Reports
// like WaitForDialog when none appears.
HWND WaitForFileDialog(DWORD timeoutMs = 10000);
// Types path into the file name field and presses 開く/保存 (IDOK). True once
// the dialog has closed or has opened a nested box (the question whether to
// replace an existing file: answer it with AnswerMessageBox); false, with a
// report, when no dialog appears or it does neither.
bool AnswerFileDialog(const std::wstring& path, DWORD timeoutMs = 10000);
// Presses キャンセル and waits until the dialog has gone.
bool CancelFileDialog(DWORD timeoutMs = 10000);

// --- Evidence ---------------------------------------------------------------

// Captures the whole screen with GDI and writes a 24-bit .bmp.
bool Screenshot(const std::wstring& path);
// Screenshot into the evidence folder (%ZVTEST_SCREENSHOTS% or "screenshots"
// beside the test program); returns the file written, empty on failure.
std::wstring CaptureEvidence(const std::wstring& reason);
// Lists the visible top-level windows (class, title, pid) and the controls of
// this process's dialogs on stderr.
void ReportWindows(const std::wstring& heading);
// Asks every dialog of this process to close (WM_CLOSE, then IDCANCEL, then
// EndDialog), innermost first; true when none is left within the timeout.
bool CloseProcessDialogs(DWORD timeoutMs = 5000);

// --- Scripts on a watcher thread --------------------------------------------

// Thrown by Fail and Require inside a script; UiScript records the message.
struct ScriptFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& message);
void Require(bool condition, const std::string& message);
// The window that has the keyboard focus on window's thread; null when none
// has (another thread's window is active).
HWND FocusOf(HWND window);

// RequireDialog: WaitForDialog or Fail.
HWND RequireDialog(const std::wstring& title, DWORD timeoutMs = 10000);

// Runs script on a watcher thread while the test's own thread blocks in a
// modal call. When the script fails (Fail, Require, any exception), or it or
// the modal call is still running at the deadline, the screen is captured and
// every dialog of the process is closed, so the modal call returns and the
// test fails instead of hanging. The waits above return early once a script is cancelled.
// GoogleTest's EXPECT_* may be used inside the script too.
class UiScript {
 public:
  explicit UiScript(std::function<void()> script, DWORD deadlineMs = 30000);
  // Joins when the test did not.
  ~UiScript();
  UiScript(const UiScript&) = delete;
  UiScript& operator=(const UiScript&) = delete;

  // Waits for the script; true when it ran to its end without failure. A
  // script that ignores cancellation and outlives the timeout is left behind
  // (detached) and reported as a failure.
  bool Join(DWORD timeoutMs = 10000);
  // What went wrong, UTF-8; empty while nothing did.
  std::string Failure() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  bool joined_ = false;
};

}  // namespace zvtest
