// zvhost debug and zvhost tray: the frame's own dialogs and the task tray.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// debug [S0 … S7 MODE]: the debug dialog on eight switches and the debug mode
// (all 0 unless given), and the nine values afterwards on one line.
// Returns 2 for arguments it does not know.
int RunDebugCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);

// tray MODE KEY [--timeout MS] [--stay MS]: hides a window of the host (a frame and its
// view, the view given to the library) until the hot key brings it back or the
// icon is double-clicked; after MS milliseconds (default 60000) the host calls
// ReleaseToTaskTray itself. Prints 隠しました once hidden, then how it came
// back, and keeps the frame shown for --stay; 0 when the hot key or the icon brought it back, 1 when it could not be
// hidden (another window is), 3 after the timeout. KEY is a letter or digit,
// or a virtual-key code.
int RunTrayCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
