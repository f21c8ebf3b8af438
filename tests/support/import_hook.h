// Watching what a library asks of the system without changing the library:
// one entry of its import table pointed at a function of the test.
#pragma once

#include <windows.h>

namespace zvtest {

// void(*)() is the generic function pointer: casts through it are deliberate.
using AnyFunction = void (*)();

// Points module's import of dll's export name at replacement and returns the
// function it pointed to before; nullptr, leaving the table as it was, when
// the module does not import it. Not undone: the module keeps calling the
// replacement until it is unloaded.
AnyFunction ReplaceImport(HMODULE module, const char* dll, const char* name, AnyFunction replacement);

// The same for a replacement of the import's own type.
template <class Function>
Function ReplaceImport(HMODULE module, const char* dll, const char* name, Function replacement) {
  return reinterpret_cast<Function>(ReplaceImport(module, dll, name, reinterpret_cast<AnyFunction>(replacement)));
}

}  // namespace zvtest
