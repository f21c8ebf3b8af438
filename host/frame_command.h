// zvhost debug and zvhost tray: the frame's own dialogs and the task tray.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// debug [S0 … S7 MODE]: the debug dialog on eight switches and the debug mode
// (all 0 unless given), and the nine values afterwards on one line.
// Returns 2 for arguments it does not know.
int RunDebugCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
