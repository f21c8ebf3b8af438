// zvhost tags: the tag reader and writer as the host calls them.
#pragma once

#include <string>
#include <vector>

#include "exports.h"

// tags read FILE…  |  tags write FILE --kind N [--title T] [--artist A] [--album B]
// [--year Y] [--comment C] [--genre G] [--info ID=TEXT]… [--rename NEW]
int RunTagsCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments);
