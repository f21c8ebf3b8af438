// zvhost dirtree: the directory tree as the host's menu command calls it.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// dirtree PATH [--keep] [--tree-file DIR]: the tree dialog twice in a row on one
// host cache, so that the second call shows the list the first one left;
// after each call, the chosen folder and the number of folders the cache holds.
int RunDirtreeCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
