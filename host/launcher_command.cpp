#include "launcher_command.h"

#include <shlobj.h>

#include <vector>

#include "console.h"

namespace {

// A shortcut to Notepad in the temporary folder, as a user's launcher often holds one.
std::wstring MakeShortcut() {
  wchar_t folder[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"メモ帳.lnk";
  IShellLinkW* link = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return path;
  IPersistFile* file = nullptr;
  link->SetPath(L"C:\\windows\\notepad.exe");
  if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
    file->Save(path.c_str(), TRUE);
    file->Release();
  }
  link->Release();
  return path;
}

void PrintArray(const wchar_t* name, const CStringArray& array) {
  std::wstring line = std::wstring(name) + L":";
  for (INT_PTR i = 0; i < array.GetCount(); ++i) line += std::wstring(L" [") + array.GetAt(i).GetString() + L"]";
  Print(line + L"\n");
}

}  // namespace

int RunLauncherCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  const bool keys = arguments.size() == 1 && arguments[0] == L"--keys";
  if (!arguments.empty() && !keys) return 2;
  const bool com = SUCCEEDED(::CoInitialize(nullptr));
  const struct {
    std::wstring path;
    const wchar_t *params, *dir, *key;
  } entries[] = {
      {L"C:\\windows\\notepad.exe", L"", L"C:\\windows", L"F2"},
      {L"C:\\windows\\regedit.exe", L"", L"", L""},
      {MakeShortcut(), L"", L"", L"F3"},
      {L"C:\\windows\\system32\\winver.exe", L"", L"", L"F2"},
      {L"C:\\windows\\system32\\cmd.exe", L"/k ver", L"C:\\", L""},
  };
  CStringArray paths, params, dirs, keyNames;
  for (const auto& entry : entries) {
    paths.Add(entry.path.c_str());
    params.Add(entry.params);
    dirs.Add(entry.dir);
    keyNames.Add(entry.key);
  }
  std::vector<KEYASSIGN> table(2);
  table[0] = {VK_F2, L"F2"};
  table[1] = {VK_F3, L"F3"};
  const int chosen = exports.OnLancher(&paths, &params, &dirs, &keyNames, keys ? 2 : 0, keys ? table.data() : nullptr);
  Print(L"選択: " + std::to_wstring(chosen) + L"\n");
  PrintArray(L"パス", paths);
  PrintArray(L"パラメータ", params);
  PrintArray(L"作業ディレクトリ", dirs);
  PrintArray(L"キー", keyNames);
  if (com) ::CoUninitialize();
  return 0;
}
