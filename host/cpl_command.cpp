#include "cpl_command.h"

#include <afxcoll.h>

#include <cwchar>

#include "console.h"

namespace {

int ListApplets(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  BOOL confirm = FALSE;
  int capacity = 100;
  CStringArray excluded;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == L"--confirm") {
      confirm = TRUE;
    } else if (arguments[i] == L"--capacity" && i + 1 < arguments.size()) {
      capacity = _wtoi(arguments[++i].c_str());
    } else if (arguments[i] == L"--exclude") {
      while (i + 1 < arguments.size() && arguments[i + 1].rfind(L"--", 0) != 0) excluded.Add(arguments[++i].c_str());
    } else {
      return 2;
    }
  }
  std::vector<CplAllData> records(capacity > 0 ? capacity : 0);
  const int count = exports.ZvGetCplAllData(records.data(), capacity, confirm, &excluded);
  for (int i = 0; i < count; ++i) {
    const CplAllData& record = records[i];
    Print(std::wstring(record.szFileName) + L"\t" + record.info.szName + L"\t" + record.info.szInfo + L"\t" +
          std::to_wstring(record.dwFlag) + L"\n");
  }
  return 0;
}

int EditExcluded(const ZvDllExports& exports, const std::vector<std::wstring>& names) {
  CStringArray list;
  for (size_t i = 0; i < 10; ++i) list.Add(i < names.size() ? names[i].c_str() : L"");
  exports.OnSetNonLoadCpl(&list);
  for (INT_PTR i = 0; i < list.GetCount(); ++i) Print(std::to_wstring(i) + L": " + list[i].GetString() + L"\n");
  return 0;
}

}  // namespace

int RunCplCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return 2;
  const std::vector<std::wstring> rest(arguments.begin() + 1, arguments.end());
  if (arguments[0] == L"list") return ListApplets(exports, rest);
  if (arguments[0] == L"exclude") return EditExcluded(exports, rest);
  return 2;
}
