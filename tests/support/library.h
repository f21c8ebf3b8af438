// Calling a DLL's exports from a test as the host does: by undecorated name.
#pragma once

#include <windows.h>

namespace zvtest {

// GetProcAddress answers with a generic function type; the detour through
// void(*)() tells the compiler the cast is deliberate.
template <class Function>
Function GetExport(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace zvtest
