// Checks a dialog as a person sees it at 96 DPI: every control inside the
// dialog, no caption cut off, no two controls on top of each other.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

namespace zvtest {

// GoogleTest failures for each fault found; ellipsized lists the controls whose
// text may be cut off on purpose (path and name statics).
void ExpectCleanLayout(HWND dialog, std::initializer_list<int> ellipsized = {});

}  // namespace zvtest
