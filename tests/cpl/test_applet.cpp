// A control-panel applet file for the tests, built once for each way of
// answering (ZV_APPLET): 1 names itself through CPL_NEWINQUIRE; 2 leaves the
// name empty there and answers CPL_INQUIRE with ids of its strings; 3 has
// three applets of which only the third answers; 4 answers no inquiry; 5
// refuses CPL_INIT.
#include <windows.h>
#include <cpl.h>

#include <cwchar>

extern "C" __declspec(dllexport) LONG WINAPI CPlApplet(HWND, UINT message, LPARAM index, LPARAM data) {
  const bool unnamed = ZV_APPLET == 2 || (ZV_APPLET == 3 && index == 0),
             refused = ZV_APPLET == 4 || (ZV_APPLET == 3 && index == 1);
  const auto info = reinterpret_cast<NEWCPLINFOW*>(data);
  if (message == CPL_INIT) return ZV_APPLET != 5;
  if (message == CPL_GETCOUNT) return ZV_APPLET == 3 ? 3 : 0;  // 0 is taken as one
  if (message == CPL_NEWINQUIRE) {
    wcscpy(info->szName, unnamed ? L"" : refused ? L"答えていない二番目" : L"自分で名乗る設定");
    wcscpy(info->szInfo, L"新しい問い合わせに答えます");
    return refused;
  }
  if (message != CPL_INQUIRE || ZV_APPLET != 2) return 1;
  *reinterpret_cast<CPLINFO*>(data) = {1, 101, 102, 0};
  return 0;
}
