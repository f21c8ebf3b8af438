#include "import_hook.h"

#include <cstring>

namespace zvtest {

AnyFunction ReplaceImport(HMODULE module, const char* dll, const char* name, AnyFunction replacement) {
  const HMODULE exporter = ::GetModuleHandleA(dll);
  const auto original = exporter ? reinterpret_cast<ULONGLONG>(::GetProcAddress(exporter, name)) : 0;
  if (!module || !original) return nullptr;
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); import->Name;
       ++import) {
    if (_stricmp(reinterpret_cast<const char*>(base + import->Name), dll) != 0) continue;
    // The loader has bound every slot to the export's address: find it by that.
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + import->FirstThunk); slot->u1.Function; ++slot) {
      if (slot->u1.Function != original) continue;
      DWORD protection = 0;
      ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      slot->u1.Function = reinterpret_cast<ULONGLONG>(replacement);
      ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      return reinterpret_cast<AnyFunction>(original);
    }
  }
  return nullptr;
}

}  // namespace zvtest
