// zvhost cd: the CD player's exports as the host's menu commands call them.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// cd COMMAND…, run in order on the host's thread, each followed by a line with
// the host's play state and flags; then the player is closed as the host ends.
// COMMAND: play | stop | pause | next | prev | random | repeat | volume N | wait MS | dialog
// Returns 2 for an unknown command (nothing is run).
int RunCdCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
