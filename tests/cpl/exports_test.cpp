// The applet list and the dialog of files not to load through ZvDll.dll, with our applets in the
// prefix's system directory beside Wine's; the library's LoadLibraryW and MessageBoxW go through the test.
#include <afxcoll.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "cpl/cpl_ids.h"
#include "cpl_record.h"
#include "dialog_driver.h"
#include "import_hook.h"

namespace {

using namespace zvtest;
using Strings = std::vector<std::wstring>;

Strings g_loaded, g_asked;
int g_realBoxes = 0;  // questions shown for real; any further one is answered No unseen
HMODULE WINAPI RecordingLoad(LPCWSTR name) { return g_loaded.push_back(name), LoadLibraryW(name); }
int WINAPI RecordingBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_asked.push_back(std::wstring(caption) + L" " + text + (owner || type != MB_YESNO ? L" owner/type" : L""));
  return g_realBoxes-- > 0 ? MessageBoxW(owner, text, caption, type) : IDNO;
}

std::wstring SystemDir() {
  wchar_t dir[MAX_PATH];
  return std::wstring(dir, GetSystemDirectoryW(dir, MAX_PATH)) + L"\\";
}

// Our applets, and two files that are no DLL, one under a name the tables know.
struct InstalledApplets {
  const Strings names = {L"zvapplet1.cpl", L"zvapplet2.cpl", L"zvapplet3.cpl", L"zvapplet4.cpl",
                         L"zvapplet5.cpl", L"zvjunk.cpl",    L"main.cpl"};
  InstalledApplets() {
    for (const std::wstring& name : names)
      if (!CopyFileW((ProgramDir() + name).c_str(), (SystemDir() + name).c_str(), FALSE))
        WriteBytes(SystemDir() + name, "MZ, no DLL");
  }
  ~InstalledApplets() {
    for (const std::wstring& name : names) DeleteFileW((SystemDir() + name).c_str());
  }
};

HMODULE Library() {
  static InstalledApplets applets;
  static const HMODULE library = LoadLibraryW(L"ZvDll.dll");
  static const bool hooked = ReplaceImport(library, "kernel32.dll", "LoadLibraryW", &RecordingLoad) &&
                             ReplaceImport(library, "user32.dll", "MessageBoxW", &RecordingBox);
  return hooked ? library : nullptr;
}

// Each case lists into one record more than its capacity, which must come back
// as it went in; answers, when given, are clicked in the real boxes.
TEST(CplList, TableRowsLoadedAppletsExclusionsConfirmationAndCapacity) {
  const std::wstring appwiz =
      L"appwiz.cpl|アプリケーションの追加と削除|"
      L"アプリケーションやWindowsコンポーネントをインストールおよび削除します。|1";
  const std::wstring inetcpl =
      L"inetcpl.cpl|インターネット オプション|インターネットの表示画面や接続情報を設定します。|0";
  const std::wstring main = L"main.cpl|キーボード|キーボードの設定をカスタマイズします。|1";
  const std::wstring named = L"zvapplet1.cpl|自分で名乗る設定|新しい問い合わせに答えます|0";
  const std::wstring strings = L"zvapplet2.cpl|文字列で名乗る設定|名前と説明は文字列リソースから読みます|0";
  const std::wstring third = L"zvapplet3.cpl|自分で名乗る設定|新しい問い合わせに答えます|0";
  // Wine's bthprops.cpl and irprops.cpl have no CPlApplet; joy.cpl is in the table, excluded here.
  const Strings unknown = {L"bthprops.cpl",  L"irprops.cpl",   L"zvapplet1.cpl", L"zvapplet2.cpl",
                           L"zvapplet3.cpl", L"zvapplet4.cpl", L"zvapplet5.cpl", L"zvjunk.cpl"};
  const Strings shouted = {
      L"ZVAPPLET1.CPL", L"zvapplet2.CPL", L"",          L"JOY.CPL", L"BTHPROPS.CPL", L"IrProps.cpl", L"zvapplet3.cpl",
      L"zvapplet4.cpl", L"zvapplet5.cpl", L"ZvJunk.cpl"};
  const Strings butTwo(shouted.begin() + 2, shouted.end());
  const Strings asked = {L"読み込み確認 zvapplet1.cplを読み込みますか", L"読み込み確認 zvapplet2.cplを読み込みますか"};
  const struct {
    int capacity;
    BOOL confirm;
    Strings excluded, lines, loaded, asked;
    std::vector<int> answers;
  } cases[] = {
      {20, FALSE, {L"joy.cpl"}, {appwiz, inetcpl, main, named, strings, third}, unknown, {}, {}},
      // Excluded in any letter case, the rest known: nothing loaded or asked.
      {20, TRUE, shouted, {appwiz, inetcpl, main}, {}, {}, {}},
      {20, TRUE, butTwo, {appwiz, inetcpl, main, named}, {L"zvapplet1.cpl"}, asked, {IDYES, IDNO}},
      {0, TRUE, {}, {}, {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", excluded " << c.excluded.size());
    std::vector<CplAllData> records(c.capacity + 1);
    memset(records.data(), 0xA5, records.size() * sizeof(CplAllData));
    CStringArray excluded;
    for (const std::wstring& name : c.excluded) excluded.Add(name.c_str());
    g_loaded.clear(), g_asked.clear();
    g_realBoxes = static_cast<int>(c.answers.size());
    UiScript person([&] {
      for (const int answer : c.answers) Require(AnswerMessageBox(answer).has_value(), "no confirmation");
    });
    using ListFn = int(WINAPI*)(CplAllData*, int, BOOL, const CStringArray*);
    const int count = GetExport<ListFn>(Library(), "ZvGetCplAllData")(records.data(), c.capacity, c.confirm, &excluded);
    EXPECT_TRUE(person.Join()) << person.Failure();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&records[c.capacity]), 1000), std::string(1000, '\xA5'));
    records.resize(count);
    Strings lines;
    for (const CplAllData& r : records)
      lines.push_back(std::wstring(r.szFileName) + L"|" + r.info.szName + L"|" + r.info.szInfo + L"|" +
                      std::to_wstring(r.dwFlag));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(g_loaded, c.loaded);
    EXPECT_EQ(g_asked, c.asked);
  }
  wchar_t current[MAX_PATH];
  EXPECT_EQ(std::wstring(current, GetCurrentDirectoryW(MAX_PATH, current)) + L"\\", SystemDir());
  for (const std::wstring& name : unknown) EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr) << Utf8(name);
}

// Wine gives a program the version AppDefaults names: a copy of zvhost under a
// name of its own lists inetcpl.cpl's first row, which tells the older tables apart.
TEST(CplList, OlderWindowsVersionsListFromTheirTables) {
  const std::wstring exe = ProgramDir() + L"zvcpl_old.exe", key = L"Software\\Wine\\AppDefaults\\zvcpl_old.exe";
  ASSERT_TRUE(CopyFileW((ProgramDir() + L"zvhost.exe").c_str(), exe.c_str(), FALSE));
  for (const auto& [version, expected] :
       {std::pair{L"win95", L"ﾕｰｻﾞｰ\tこのｺﾝﾋﾟｭｰﾀに複数のﾕｰｻﾞｰを設定し管理します。\t1"},
        std::pair{L"win98", L"ユーザー\tこのコンピュータに複数のユーザーを設定し管理します。\t1"},
        std::pair{L"nt40", L"ｲﾝﾀｰﾈｯﾄ\tｲﾝﾀｰﾈｯﾄの設定を変更します。\t0"}}) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Version", REG_SZ, version, 2 * (wcslen(version) + 1));
    const auto run = RunProgram(exe, L"cpl list --capacity 1 --exclude appwiz.cpl");
    EXPECT_EQ(Utf16(run.output), L"inetcpl.cpl\t" + std::wstring(expected) + L"\r\n") << Utf8(version);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  DeleteFileW(exe.c_str());
}

// Nine rows in: the tenth shows empty and OK makes ten.
TEST(CplDialog, OkStoresTheTenRowsAndCancelNothing) {
  const Strings nine = {L"a.cpl", L"", L"c.cpl", L"d.cpl", L"e.cpl", L"f.cpl", L"g.cpl", L"h.cpl", L"i.cpl"};
  const Strings edited = {
      L"", L"日本語の設定.cpl", L"c.cpl", L"joy.cpl", L"e.cpl", L"f.cpl", L"g.cpl", L"h.cpl", L"i.cpl", L""};
  for (const int button : {IDOK, IDCANCEL}) {
    CStringArray list;
    for (const std::wstring& name : nine) list.Add(name.c_str());
    // The file dialog must start in the system directory by itself, not from here nor the folder last used.
    SetCurrentDirectoryW(ProgramDir().c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    UiScript person([&] {
      HWND dlg = RequireDialog(L"読み込まないCPLファイルの設定");
      Require(SetText(dlg, IDC_CPL_FILE0, L"") && TypeKeys(dlg, IDC_CPL_FILE1, L"日本語の設定.cpl"), "rows 1, 2");
      const HWND files = Click(dlg, IDC_CPL_REF3) ? WaitForFileDialog() : nullptr;
      Require(files && GetText(files, cmb13) == L"d.cpl" && Items(files, cmb1) == Strings{L"CPLファイル"}, "参照");
      Require(AnswerFileDialog(L"joy.cpl"), "joy.cpl of the system directory");
      Require(WaitForText(dlg, IDC_CPL_FILE3, L"joy.cpl") && Click(dlg, IDC_CPL_REF9) && CancelFileDialog(), "cancel");
      Require(Click(dlg, button), "OK or Cancel");
    });
    GetExport<void(WINAPI*)(CStringArray*)>(Library(), "OnSetNonLoadCpl")(&list);
    EXPECT_TRUE(person.Join()) << person.Failure();
    Strings after;
    for (INT_PTR i = 0; i < list.GetCount(); ++i) after.push_back(list[i].GetString());
    EXPECT_EQ(after, button == IDOK ? edited : nine);
  }
}

}  // namespace
