// zvhost launcher: the launcher on a small list of the prefix's programs.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// launcher [--keys]: with --keys the host's key table (F2, F3) goes along.
int RunLauncherCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
