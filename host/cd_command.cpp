#include "cd_command.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

#include "console.h"

namespace {

// The command codes of OnCdCommand.
constexpr UINT kStop = 2, kPause = 3, kPrevious = 4, kNext = 5;

struct CdHost {
  int random = 0, repeat = 0, state = 0;  // the host's own variables, which the player writes

  void Show(const std::wstring& command) {
    Print(command + L": 状態 " + std::to_wstring(std::atomic_ref<int>(state).load()) + L" ランダム " +
          std::to_wstring(random) + L" リピート " + std::to_wstring(repeat) + L"\n");
  }
};

bool IsNumber(const std::wstring& text) {
  wchar_t* end = nullptr;
  std::wcstol(text.c_str(), &end, 10);
  return !text.empty() && *end == L'\0';
}

bool Valid(const std::vector<std::wstring>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& a = arguments[i];
    if (a == L"volume" || a == L"wait") {
      if (++i == arguments.size() || !IsNumber(arguments[i])) return false;
    } else if (a != L"play" && a != L"stop" && a != L"pause" && a != L"next" && a != L"prev" && a != L"random" &&
               a != L"repeat" && a != L"dialog") {
      return false;
    }
  }
  return !arguments.empty();
}

}  // namespace

int RunCdCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (!Valid(arguments)) return 2;
  CdHost host;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& command = arguments[i];
    if (command == L"play") exports.OnCdplay(&host.random, &host.repeat, &host.state);
    if (command == L"stop") exports.OnCdCommand(kStop);
    if (command == L"pause") exports.OnCdCommand(kPause);
    if (command == L"next") exports.OnCdCommand(kNext);
    if (command == L"prev") exports.OnCdCommand(kPrevious);
    if (command == L"random") exports.OnCdrandom(&host.random);
    if (command == L"repeat") exports.OnCdrepeat(&host.repeat);
    if (command == L"dialog") exports.OnCdPlaydef(&host.random, &host.repeat, &host.state);
    if (command == L"volume") exports.OnMciCdVolume(std::wcstol(arguments[++i].c_str(), nullptr, 10));
    // The player sends the host nothing: waiting here blocks no one.
    if (command == L"wait") ::Sleep(std::wcstoul(arguments[++i].c_str(), nullptr, 10));
    host.Show(command == L"volume" || command == L"wait" ? command + L" " + arguments[i] : command);
  }
  exports.CloseCdPlay(&host.state);
  host.Show(L"閉じる");
  return 0;
}
