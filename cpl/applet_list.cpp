#include <afxdllx.h>

#include <string_view>
#include <vector>

#include "applet_table.h"
#include "cpl_exports.h"
#include "zvutil.h"

namespace {

using zv::cpl::FilePlan;

constexpr UINT kSystemDirChars = 520;

// Copies as much of text as fits, with the terminator; nothing past it is touched.
template <size_t N>
void CopyText(WCHAR (&field)[N], std::u16string_view text) {
  const size_t length = text.size() < N ? text.size() : N - 1;
  text.copy(reinterpret_cast<char16_t*>(field), length);
  field[length] = L'\0';
}

// The applet file stays loaded only while it is asked.
struct LibraryOwner {
  HMODULE module;
  ~LibraryOwner() {
    if (module) ::FreeLibrary(module);
  }
};

bool AskToLoad(LPCWSTR lpszFile) {
  CString strText;
  strText.Format(L"%sを読み込みますか", lpszFile);
  return ::MessageBoxW(nullptr, strText, L"読み込み確認", MB_YESNO) == IDYES;
}

// The applets' own older inquiry: ids of strings in the applet file.
bool InquireByStrings(HMODULE module, APPLET_PROC applet, LONG count, NEWCPLINFOW* info) {
  for (LONG i = 0; i < count; ++i) {
    CPLINFO inquiry{};
    if (applet(nullptr, CPL_INQUIRE, i, reinterpret_cast<LPARAM>(&inquiry)) != 0) continue;
    std::vector<WCHAR> text(1000);
    const auto load = [&](UINT id) {
      text[0] = L'\0';
      ::LoadStringW(module, id, text.data(), static_cast<int>(text.size()));
      return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()));
    };
    CopyText(info->szName, load(inquiry.idName));
    CopyText(info->szInfo, load(inquiry.idInfo));
    return true;
  }
  return false;
}

std::vector<std::u16string_view> ExcludedNames(const CStringArray* pExcluded) {
  std::vector<std::u16string_view> names;
  for (INT_PTR i = 0; pExcluded && i < pExcluded->GetCount(); ++i) names.push_back(AsUtf16(pExcluded->GetAt(i)));
  return names;
}

// Fills the record at its place for one file; false when the file gives none.
bool FillRecord(const WIN32_FIND_DATAW& find, const FilePlan& plan, CplAllData& record) {
  switch (plan.action) {
    case FilePlan::kSkip:
      return false;
    case FilePlan::kFromTable:
      CopyText(record.info.szName, plan.row->name);
      CopyText(record.info.szInfo, plan.row->info);
      record.dwFlag = plan.row->flag;
      break;
    case FilePlan::kAskThenLoad:
      if (!AskToLoad(find.cFileName)) return false;
      [[fallthrough]];
    case FilePlan::kLoad:
      if (!LoadAppletInfo(find.cFileName, &record.info)) return false;
      record.dwFlag = 0;
      break;
  }
  CopyText(record.szFileName, AsUtf16(find.cFileName));
  return true;
}

int ListApplets(CplAllData* pRecords, int nCapacity, BOOL bConfirm, const CStringArray* pExcluded) {
  WCHAR szSystemDir[kSystemDirChars];
  if (!::GetSystemDirectoryW(szSystemDir, kSystemDirChars)) return 0;
  // Applets are loaded by bare name: from here.
  ::SetCurrentDirectoryW(szSystemDir);
  const auto table = zv::cpl::AppletTable(GetOsVariant());
  const std::vector<std::u16string_view> excluded = ExcludedNames(pExcluded);

  CString strPattern;
  strPattern.Format(L"%s\\*.cpl", szSystemDir);
  WIN32_FIND_DATAW find;
  ScopedNoRedirectFind search(FindFirstFileNoRedirect(strPattern, &find));
  if (!search.IsValid()) return 0;
  int nCount = 0;
  do {
    if (nCount >= nCapacity) break;
    const FilePlan plan = zv::cpl::PlanFile(AsUtf16(find.cFileName), excluded, table, bConfirm != FALSE);
    if (FillRecord(find, plan, pRecords[nCount])) ++nCount;
  } while (::FindNextFileW(search.Get(), &find));
  return nCount;
}

}  // namespace

int GetOsVariant() {
  const OSVERSIONINFOW& version = GetOsVersionRecord();
  return zv::cpl::OsVariant(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
}

bool LoadAppletInfo(LPCWSTR lpszFile, NEWCPLINFOW* info) {
  const LibraryOwner library{::LoadLibraryW(lpszFile)};
  if (!library.module) return false;
  const auto applet =
      reinterpret_cast<APPLET_PROC>(reinterpret_cast<void (*)()>(::GetProcAddress(library.module, "CPlApplet")));
  if (!applet || applet(nullptr, CPL_INIT, 0, 0) == 0) return false;
  LONG count = applet(nullptr, CPL_GETCOUNT, 0, 0);
  if (count == 0) count = 1;
  for (LONG i = 0; i < count; ++i) {
    if (applet(nullptr, CPL_NEWINQUIRE, i, reinterpret_cast<LPARAM>(info)) == 0 && info->szName[0] != L'\0')
      return true;
  }
  return InquireByStrings(library.module, applet, count, info);
}

int WINAPI ZvGetCplAllData(CplAllData* pRecords, int nCapacity, BOOL bConfirm, const CStringArray* pExcluded) noexcept {
  return ExportBoundary(0, [&] { return pRecords ? ListApplets(pRecords, nCapacity, bConfirm, pExcluded) : 0; });
}
