#include "frame_command.h"

#include <cwchar>

#include "console.h"

int RunDebugCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (!arguments.empty() && arguments.size() != 9) return 2;
  int switches[8] = {};
  int mode = 0;
  for (size_t i = 0; i < arguments.size(); ++i) (i < 8 ? switches[i] : mode) = _wtoi(arguments[i].c_str());
  exports.OnDebug(switches, &mode);
  std::wstring line = L"スイッチ:";
  for (const int value : switches) line += L" " + std::to_wstring(value);
  Print(line + L" デバッグモード: " + std::to_wstring(mode) + L"\n");
  return 0;
}
