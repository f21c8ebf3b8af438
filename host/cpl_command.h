// zvhost cpl: the applet list and the dialog of applet files not to load.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// cpl list [--confirm] [--capacity N] [--exclude NAME…]: one line per record,
// file, name, description and flag separated by tabs.
// cpl exclude [NAME…]: the dialog on a list of ten (the names, then empty
// entries), and the list afterwards, one entry a line.
// Returns 2 for arguments it does not know.
int RunCplCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
