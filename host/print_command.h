// zvhost print: the text print as the file manager calls it.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// print FILE [--face NAME] [--height H] [--margins L,R,T,B] [--chars N] [--tabs N]
//            [--line-numbers] [--select-printer]
int RunPrintCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
