#include "exports.h"

#include <cstring>
#include <type_traits>

namespace {

// Binds one export to its member with the member's own function type.
template <auto Member>
void Bind(ZvDllExports& exports, FARPROC address) {
  using Function = std::remove_reference_t<decltype(exports.*Member)>;
  // GetProcAddress answers with a generic function type; void(*)() is the cast GCC accepts as deliberate.
  exports.*Member = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

struct ExportSlot {
  const char* name;
  void (*bind)(ZvDllExports&, FARPROC);
};

const ExportSlot kSlots[] = {
    {"DisableWow64FsRedirection", Bind<&ZvDllExports::DisableWow64FsRedirection>},
    {"RevertWow64FsRedirection", Bind<&ZvDllExports::RevertWow64FsRedirection>},
    {"ZvCmpBinaryDlg", Bind<&ZvDllExports::ZvCmpBinaryDlg>},
    {"ZvPrintTextDlg", Bind<&ZvDllExports::ZvPrintTextDlg>},
    {"ReadMpegTagData", Bind<&ZvDllExports::ReadMpegTagData>},
    {"WriteMpegTagData", Bind<&ZvDllExports::WriteMpegTagData>},
    {"ZvTagMakeDlg", Bind<&ZvDllExports::ZvTagMakeDlg>},
    {"OnCdplay", Bind<&ZvDllExports::OnCdplay>},
    {"OnCdCommand", Bind<&ZvDllExports::OnCdCommand>},
    {"OnCdrandom", Bind<&ZvDllExports::OnCdrandom>},
    {"OnCdrepeat", Bind<&ZvDllExports::OnCdrepeat>},
    {"CloseCdPlay", Bind<&ZvDllExports::CloseCdPlay>},
    {"OnMciCdVolume", Bind<&ZvDllExports::OnMciCdVolume>},
    {"OnCdPlaydef", Bind<&ZvDllExports::OnCdPlaydef>},
    {"ZvGetCplAllData", Bind<&ZvDllExports::ZvGetCplAllData>},
    {"OnSetNonLoadCpl", Bind<&ZvDllExports::OnSetNonLoadCpl>},
    {"OnLancher", Bind<&ZvDllExports::OnLancher>},
    {"ZvDirTreeDlg", Bind<&ZvDllExports::ZvDirTreeDlg>},
    {"OnAttcolor", Bind<&ZvDllExports::OnAttcolor>},
    {"OnBinarycolor", Bind<&ZvDllExports::OnBinarycolor>},
    {"OnKindcolor", Bind<&ZvDllExports::OnKindcolor>},
    {"OnSetwallpaper", Bind<&ZvDllExports::OnSetwallpaper>},
    {"OnDebug", Bind<&ZvDllExports::OnDebug>},
    {"SetToTaskTray", Bind<&ZvDllExports::SetToTaskTray>},
    {"ReleaseToTaskTray", Bind<&ZvDllExports::ReleaseToTaskTray>},
};

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

}  // namespace

HMODULE LoadZvDll(ZvDllExports& exports, std::wstring& error, const wchar_t* path) {
  HMODULE library = ::LoadLibraryW(path);
  if (!library) {
    error = std::wstring(path) + L" を読み込めません (エラー " + std::to_wstring(::GetLastError()) + L")";
    return nullptr;
  }
  for (const ExportSlot& export_ : kSlots) {
    const FARPROC address = ::GetProcAddress(library, export_.name);
    export_.bind(exports, address);
    if (!address) {
      error = std::wstring(path) + L" にエクスポート " + Widen(export_.name) + L" がありません";
      ::FreeLibrary(library);
      return nullptr;
    }
  }
  return library;
}
