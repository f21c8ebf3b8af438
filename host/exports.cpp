#include "exports.h"

namespace {

struct ExportSlot {
  const char* name;
  FARPROC* slot;
};

}  // namespace

HMODULE LoadZvDll(ZvDllExports& exports, std::wstring& error, const wchar_t* path) {
  HMODULE library = ::LoadLibraryW(path);
  if (!library) {
    error = std::wstring(path) + L" を読み込めません (エラー " + std::to_wstring(::GetLastError()) + L")";
    return nullptr;
  }
  const ExportSlot slots[] = {
      {"DisableWow64FsRedirection", reinterpret_cast<FARPROC*>(&exports.DisableWow64FsRedirection)},
      {"RevertWow64FsRedirection", reinterpret_cast<FARPROC*>(&exports.RevertWow64FsRedirection)},
  };
  for (const ExportSlot& export_ : slots) {
    *export_.slot = ::GetProcAddress(library, export_.name);
    if (!*export_.slot) {
      error = std::wstring(path) + L" にエクスポート " +
              std::wstring(export_.name, export_.name + strlen(export_.name)) + L" がありません";
      ::FreeLibrary(library);
      return nullptr;
    }
  }
  return library;
}
