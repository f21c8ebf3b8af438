// zvhost: a host of ZvDll.dll that meets what the library requires of the file
// manager. It is the test host and the demo: one subcommand per tool.
//   zvhost info                            the library's file, version strings and exports
//   zvhost compare [--dir D] FILE1 FILE2   the comparison command, D the current directory
//   zvhost tags read FILE…                 the tags the reader hangs on each file's record
//   zvhost tags write FILE --kind N [--title T] … [--info ID=TEXT]… [--rename NEW]
//   zvhost tags edit [--all] FILE…           the tag dialog on the files, one by one or all at once
//   zvhost cd COMMAND…                     the CD player: play stop pause next prev random repeat
//                                          volume N (percent) wait MS dialog, in order; closed at the end
//   zvhost print FILE [--face F] [--height H] [--margins L,R,T,B] [--chars N] [--tabs N] [--line-numbers]
//                [--select-printer]         the print dialog on the file read into memory
//   zvhost cpl list [--confirm] [--capacity N] [--exclude NAME…]   the applet records
//   zvhost cpl exclude [NAME…]             the dialog of files not to load on a list of ten, then the list
//   zvhost launcher [--keys]               the launcher on five of the prefix's programs (a shortcut among
//                                          them, F2 on two); prints the chosen index and the arrays after
//   zvhost dirtree PATH [--keep] [--tree-file DIR]   the tree dialog twice on one host cache
//   zvhost colors attr|binary|kind         a colour dialog on the host's table, shown before and after
//   zvhost wallpaper FILE                  the wallpaper dialog on the image, the desktop values before and after
//   zvhost debug [S0 … S7 MODE]            the debug dialog on the host's switches, then the nine values
//   zvhost tray MODE KEY [--timeout MS] [--stay MS]   the host's window hidden to the tray until the hot key
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cd_command.h"
#include "console.h"
#include "cpl_command.h"
#include "dirtree_command.h"
#include "exports.h"
#include "launcher_command.h"
#include "frame_command.h"
#include "print_command.h"
#include "settings_command.h"
#include "tags_command.h"

namespace {

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

// Every name in the library's export directory, as the loader sees them: a
// decorated or stray export shows here, not only the ones the host binds.
std::vector<std::wstring> ExportDirectoryNames(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::wstring> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const auto* name = reinterpret_cast<const char*>(base + names[i]);
    result.emplace_back(name, name + std::strlen(name));
  }
  return result;
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
  Print(L"エクスポート:\n");
  for (const std::wstring& name : ExportDirectoryNames(library)) Print(L"  " + name + L"\n");
  return 0;
}

int Usage() {
  Print(
      L"使い方: zvhost info\n       zvhost compare [--dir フォルダ] ファイル1 ファイル2\n"
      L"       zvhost tags read ファイル…\n"
      L"       zvhost tags write ファイル --kind 種別 [--title 曲名] [--artist 名前] [--album 名前] [--year 年]\n"
      L"                         [--comment 文] [--genre 番号] [--info ID=文]… [--rename 新しい名前]\n"
      L"       zvhost tags edit [--all] ファイル…\n"
      L"       zvhost cd play|stop|pause|next|prev|random|repeat|volume 段階|wait ミリ秒|dialog…\n"
      L"       zvhost print ファイル [--face 書体] [--height 高さ] [--margins 左,右,上,下] [--chars 文字数]\n"
      L"                    [--tabs タブ] [--line-numbers] [--select-printer]\n"
      L"       zvhost cpl list [--confirm] [--capacity 件数] [--exclude ファイル…]\n"
      L"       zvhost cpl exclude [ファイル…]\n"
      L"       zvhost launcher [--keys]\n"
      L"       zvhost dirtree フォルダ [--keep] [--tree-file フォルダ]\n"
      L"       zvhost colors attr|binary|kind\n"
      L"       zvhost wallpaper 画像ファイル\n"
      L"       zvhost debug [スイッチ0 … スイッチ7 モード]\n"
      L"       zvhost tray 修飾モード キー [--timeout ミリ秒] [--stay ミリ秒]\n",
      stderr);
  return 2;
}

// The file manager passes its current folder with a trailing backslash.
std::wstring CurrentDirectory() {
  std::wstring folder(::GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

int Compare(const ZvDllExports& exports, std::vector<std::wstring> arguments) {
  std::wstring folder = CurrentDirectory();
  if (arguments.size() >= 2 && arguments[0] == L"--dir") {
    folder = arguments[1];
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  if (arguments.size() != 2) return 2;
  exports.ZvCmpBinaryDlg(folder.c_str(), arguments[0].c_str(), arguments[1].c_str());
  return 0;
}

// The file manager calls the library from its user-interface thread while its
// message loop runs; so does the host: the command runs from a message posted
// to the host's own window, and the loop ends when the command has returned.
constexpr UINT kRunCommand = WM_APP + 1;

struct HostSession {
  HMODULE library;
  ZvDllExports exports;
  std::vector<std::wstring> arguments;
  int result = 0;
};

using Arguments = std::vector<std::wstring>;

// The subcommands, each given the arguments after its name. A command's 2 means
// its arguments were wrong: the usage is shown.
const struct {
  const wchar_t* name;
  int (*run)(const HostSession& session, const Arguments& rest);
} kCommands[] = {
    {L"info", [](const HostSession& session, const Arguments&) { return ShowInfo(session.library); }},
    {L"compare", [](const HostSession& session, const Arguments& rest) { return Compare(session.exports, rest); }},
    {L"tags", [](const HostSession& session, const Arguments& rest) { return RunTagsCommand(session.exports, rest); }},
    {L"cd", [](const HostSession& session, const Arguments& rest) { return RunCdCommand(session.exports, rest); }},
    {L"print",
     [](const HostSession& session, const Arguments& rest) { return RunPrintCommand(session.exports, rest); }},
    {L"cpl", [](const HostSession& session, const Arguments& rest) { return RunCplCommand(session.exports, rest); }},
    {L"launcher",
     [](const HostSession& session, const Arguments& rest) { return RunLauncherCommand(session.exports, rest); }},
    {L"dirtree",
     [](const HostSession& session, const Arguments& rest) { return RunDirtreeCommand(session.exports, rest); }},
    {L"colors",
     [](const HostSession& session, const Arguments& rest) { return RunColorsCommand(session.exports, rest); }},
    {L"wallpaper",
     [](const HostSession& session, const Arguments& rest) { return RunWallpaperCommand(session.exports, rest); }},
    {L"debug",
     [](const HostSession& session, const Arguments& rest) { return RunDebugCommand(session.exports, rest); }},
    {L"tray", [](const HostSession& session, const Arguments& rest) { return RunTrayCommand(session.exports, rest); }},
};

int RunCommand(const HostSession& session) {
  const Arguments& arguments = session.arguments;
  const std::wstring name = arguments.empty() ? L"info" : arguments.front();
  for (const auto& command : kCommands) {
    if (name != command.name) continue;
    const int status = command.run(session, {arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()});
    return status == 2 ? Usage() : status;
  }
  return Usage();
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCommand) {
    auto* session = reinterpret_cast<HostSession*>(lParam);
    session->result = RunCommand(*session);
    ::DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int RunInMessageLoop(HostSession& session) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ZvHostWindow";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"zvhost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return RunCommand(session);
  ::PostMessageW(window, kRunCommand, 0, reinterpret_cast<LPARAM>(&session));
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return session.result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HostSession session = {};
  std::wstring error;
  session.library = LoadZvDll(session.exports, error);
  if (!session.library) {
    Print(L"zvhost: " + error + L"\n", stderr);
    return 1;
  }
  session.arguments.assign(argv + 1, argv + argc);
  const int result = RunInMessageLoop(session);
  ::FreeLibrary(session.library);
  return result;
}
