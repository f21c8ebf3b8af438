// zvhost: a host of ZvDll.dll that meets what the library requires of the file
// manager. It is the test host and the demo: one subcommand per tool.
//   zvhost info      the library's file, version strings and bound exports
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "exports.h"

namespace {

void Print(const std::wstring& text, FILE* stream = stdout) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
  if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
    return L"(なし)";
  }
  return value;
}

int ShowInfo(HMODULE library) {
  const std::wstring path = ModulePath(library);
  Print(L"ライブラリ: " + path + L"\n");
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
  if (!block.empty() && ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
      Print(L"バージョン: " + std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
            std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) +
            L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS)) + L"\n");
    }
    for (const wchar_t* name : {L"FileDescription", L"InternalName", L"OriginalFilename", L"ProductName"}) {
      Print(std::wstring(L"  ") + name + L": " + VersionString(block, name) + L"\n");
    }
  }
  Print(L"エクスポート:\n  DisableWow64FsRedirection\n  RevertWow64FsRedirection\n");
  return 0;
}

int Usage() {
  Print(L"使い方: zvhost info\n", stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ZvDllExports exports = {};
  std::wstring error;
  HMODULE library = LoadZvDll(exports, error);
  if (!library) {
    Print(L"zvhost: " + error + L"\n", stderr);
    return 1;
  }
  const std::wstring command = argc > 1 ? argv[1] : L"info";
  const int result = command == L"info" ? ShowInfo(library) : Usage();
  ::FreeLibrary(library);
  return result;
}
