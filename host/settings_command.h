// zvhost colors and zvhost wallpaper: the display settings dialogs on the
// host's own tables, shown before and after.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// colors attr|binary|kind
int RunColorsCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
// wallpaper FILE
int RunWallpaperCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
