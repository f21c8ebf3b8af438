// The applet list and the dialog of files not to load through ZvDll.dll, with
// applet files of our own in the prefix's system directory beside Wine's.
// LoadLibraryW and MessageBoxW of the library go through the test.
#include <afxcoll.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "cpl/cpl_ids.h"
#include "cpl_record.h"
#include "dialog_driver.h"
#include "import_hook.h"

namespace {

using namespace zvtest;
using Strings = std::vector<std::wstring>;

Strings g_loaded, g_asked;
bool g_showBoxes = false;  // otherwise every question is answered No unseen
HMODULE WINAPI RecordingLoad(LPCWSTR name) {
  g_loaded.push_back(name);
  return LoadLibraryW(name);
}
int WINAPI RecordingBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_asked.push_back(std::wstring(caption) + L" " + text + (owner || type != MB_YESNO ? L" owner/type" : L""));
  return g_showBoxes ? MessageBoxW(owner, text, caption, type) : IDNO;
}

std::wstring SystemDir() {
  wchar_t dir[MAX_PATH];
  return std::wstring(dir, GetSystemDirectoryW(dir, MAX_PATH));
}

// Our applets and two files that are no DLL, one under a name the tables know,
// in the system directory while the tests run.
const Strings kOurs = {L"zvapplet1.cpl", L"zvapplet2.cpl", L"zvapplet3.cpl", L"zvapplet4.cpl",
                       L"zvapplet5.cpl", L"zvapplet6.cpl", L"zvjunk.cpl",    L"main.cpl"};
struct InstalledApplets {
  InstalledApplets() {
    for (const std::wstring& name : kOurs) {
      const std::wstring to = SystemDir() + L"\\" + name;
      if (name.starts_with(L"zvapplet"))
        CopyFileW((ProgramDir() + name).c_str(), to.c_str(), FALSE);
      else
        WriteBytes(to, "MZ but no DLL");
    }
  }
  ~InstalledApplets() {
    for (const std::wstring& name : kOurs) DeleteFileW((SystemDir() + L"\\" + name).c_str());
  }
};

HMODULE Library() {
  static InstalledApplets applets;
  static const HMODULE library = [] {
    const HMODULE module = LoadLibraryW(L"ZvDll.dll");
    return ReplaceImport(module, "kernel32.dll", "LoadLibraryW", &RecordingLoad) &&
                   ReplaceImport(module, "user32.dll", "MessageBoxW", &RecordingBox)
               ? module
               : nullptr;
  }();
  return library;
}

void Fill(CStringArray& array, const Strings& items) {
  array.RemoveAll();
  for (const std::wstring& item : items) array.Add(item.c_str());
}

// The records as lines of file, name, description and flag; the array has one
// more record than its capacity, which must come back as it went in.
Strings List(int capacity, BOOL confirm, const Strings& excluded) {
  std::vector<CplAllData> records(capacity + 1);
  memset(records.data(), 0xA5, records.size() * sizeof(CplAllData));
  CStringArray names;
  Fill(names, excluded);
  g_loaded.clear(), g_asked.clear();
  using ListFn = int(WINAPI*)(CplAllData*, int, BOOL, const CStringArray*);
  const int count = GetExport<ListFn>(Library(), "ZvGetCplAllData")(records.data(), capacity, confirm, &names);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&records[capacity]), 1000), std::string(1000, '\xA5'));
  Strings lines;
  for (int i = 0; i < count; ++i) {
    const CplAllData& r = records[i];
    lines.push_back(std::wstring(r.szFileName) + L"|" + r.info.szName + L"|" + r.info.szInfo + L"|" +
                    std::to_wstring(r.dwFlag));
  }
  return lines;
}

const std::wstring kAppwiz =
    L"appwiz.cpl|アプリケーションの追加と削除|アプリケーションやWindowsコンポーネントをインストールおよび削除します。|"
    L"1";
const std::wstring kInetcpl =
    L"inetcpl.cpl|インターネット オプション|インターネットの表示画面や接続情報を設定します。|0";
const std::wstring kJoy =
    L"joy.cpl|ゲーム コントローラ|ジョイスティック、ゲームパッドなどのゲーム "
    L"コントローラのハードウェアを追加、削除、構成します|0";
const std::wstring kMain = L"main.cpl|キーボード|キーボードの設定をカスタマイズします。|1";
const std::wstring kNew = L"zvapplet1.cpl|自分で名乗る設定|新しい問い合わせに答えます|0";
const std::wstring kStrings = L"zvapplet2.cpl|文字列で名乗る設定|名前と説明は文字列リソースから読みます|0";
const std::wstring kLater = L"zvapplet3.cpl|自分で名乗る設定|新しい問い合わせに答えます|0";
// Wine's applets answer CPL_INQUIRE with 1, so loaded they give no record either.
const Strings kUnknown = {L"bthprops.cpl",  L"irprops.cpl",   L"zvapplet1.cpl", L"zvapplet2.cpl", L"zvapplet3.cpl",
                          L"zvapplet4.cpl", L"zvapplet5.cpl", L"zvapplet6.cpl", L"zvjunk.cpl"};

TEST(CplList, TableRowsLoadedAppletsExclusionsAndTheCapacity) {
  const Strings excludedNew = {L"", L"ZVAPPLET1.CPL", L"Main.Cpl"};
  Strings loadedButNew = kUnknown;
  std::erase(loadedButNew, L"zvapplet1.cpl");
  const struct {
    int capacity;
    BOOL confirm;
    Strings excluded, lines, loaded, asked;
  } cases[] = {
      {20, FALSE, {}, {kAppwiz, kInetcpl, kJoy, kMain, kNew, kStrings, kLater}, kUnknown, {}},
      {20, FALSE, excludedNew, {kAppwiz, kInetcpl, kJoy, kStrings, kLater}, loadedButNew, {}},
      {20, TRUE, kUnknown, {kAppwiz, kInetcpl, kJoy, kMain}, {}, {}},  // a machine the table knows
      {0, TRUE, {}, {}, {}, {}},
      {1, TRUE, {}, {kAppwiz}, {}, {}},
      {2, TRUE, {}, {kAppwiz, kInetcpl}, {}, {L"読み込み確認 bthprops.cplを読み込みますか"}},  // No to it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", excluded " << c.excluded.size());
    EXPECT_EQ(List(c.capacity, c.confirm, c.excluded), c.lines);
    EXPECT_EQ(g_loaded, c.loaded);
    EXPECT_EQ(g_asked, c.asked);
    wchar_t current[MAX_PATH];
    EXPECT_EQ(std::wstring(current, GetCurrentDirectoryW(MAX_PATH, current)), SystemDir());
    for (const std::wstring& name : kUnknown) EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr) << Utf8(name);
  }
}

TEST(CplList, ConfirmationIsAskedInARealBoxAndOnlyYesLoads) {
  Strings excluded = kUnknown;
  excluded.erase(excluded.begin() + 2, excluded.begin() + 4);  // zvapplet1 and zvapplet2 are asked about
  Strings seen;
  g_showBoxes = true;
  UiScript person([&] {
    for (const int answer : {IDYES, IDNO}) {
      const auto box = AnswerMessageBox(answer);
      Require(box.has_value(), "no confirmation");
      seen.push_back(box->caption + L" " + box->text);
    }
  });
  EXPECT_EQ(List(20, TRUE, excluded), (Strings{kAppwiz, kInetcpl, kJoy, kMain, kNew}));
  g_showBoxes = false;
  EXPECT_TRUE(person.Join()) << person.Failure();
  EXPECT_EQ(seen,
            (Strings{L"読み込み確認 zvapplet1.cplを読み込みますか", L"読み込み確認 zvapplet2.cplを読み込みますか"}));
  EXPECT_EQ(g_loaded, Strings{L"zvapplet1.cpl"});
}

// Wine reports each version to a program named in AppDefaults: a copy of
// zvhost under its own name per version.
TEST(CplList, EachWindowsVersionListsFromItsTable) {
  ASSERT_TRUE(Library());
  const std::wstring latest =
      L"appwiz.cpl|アプリケーションの追加と削除|1 inetcpl.cpl|インターネット オプション|0 "
      L"joy.cpl|ゲーム コントローラ|0 main.cpl|キーボード|1 ";
  const struct {
    const wchar_t* version;
    std::wstring lines;
  } cases[] = {
      {L"win95",
       L"appwiz.cpl|ｱﾌﾟﾘｹｰｼｮﾝの追加と削除|0 inetcpl.cpl|ﾕｰｻﾞｰ|1 joy.cpl|ゲーム コントローラ|0 main.cpl|ﾌｫﾝﾄ|1 "},
      {L"win98",
       L"appwiz.cpl|アプリケーションの追加と削除|0 inetcpl.cpl|ユーザー|1 joy.cpl|ゲーム コントローラ|0 "
       L"main.cpl|フォント|1 "},
      {L"nt40", L"appwiz.cpl|ｱﾌﾟﾘｹｰｼｮﾝの追加と削除|0 inetcpl.cpl|ｲﾝﾀｰﾈｯﾄ|0 main.cpl|ｷｰﾎﾞｰﾄﾞ|1 "},  // joy.cpl loaded
      {L"winme", latest},
      {L"win2k", latest},
      {L"winxp64", latest},
      {L"win7", latest},
      {L"win10", latest},
  };
  TempDir dir;
  for (const wchar_t* file : {L"zvfw.dll", L"ZvDll.dll"})
    ASSERT_TRUE(CopyFileW((ProgramDir() + file).c_str(), dir.Path(file).c_str(), FALSE));
  for (const auto& c : cases) {
    const std::wstring exe = std::wstring(L"zvcpl_") + c.version + L".exe",
                       key = L"Software\\Wine\\AppDefaults\\" + exe;
    ASSERT_TRUE(CopyFileW((ProgramDir() + L"zvhost.exe").c_str(), dir.Path(exe).c_str(), FALSE));
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Version", REG_SZ, c.version, 2 * (wcslen(c.version) + 1));
    std::string out = RunProgram(dir.Path(exe), L"cpl list --exclude zvapplet1.cpl zvapplet2.cpl zvapplet3.cpl").output;
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    std::erase(out, '\r');  // stdout is in text mode
    std::wstring lines;     // without the descriptions
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::wstring line = Utf16(out.substr(at, end - at));
      const size_t name = line.find(L'\t'), info = line.find(L'\t', name + 1), flag = line.rfind(L'\t');
      lines += line.substr(0, info) + L"|" + line.substr(flag + 1) + L" ";
    }
    std::replace(lines.begin(), lines.end(), L'\t', L'|');
    EXPECT_EQ(lines, c.lines) << Utf8(c.version);
  }
}

// The dialog on a host list, played by a person; the list afterwards.
void RunDialog(CStringArray& list, const std::function<void(HWND)>& person) {
  SetCurrentDirectoryW(ProgramDir().c_str());  // the file dialog must start in the system directory itself
  UiScript script([&] { person(RequireDialog(L"読み込まないCPLファイルの設定")); });
  GetExport<void(WINAPI*)(CStringArray*)>(Library(), "OnSetNonLoadCpl")(&list);
  EXPECT_TRUE(script.Join()) << script.Failure();
}

Strings Entries(const CStringArray& list) {
  Strings entries;
  for (INT_PTR i = 0; i < list.GetCount(); ++i) entries.push_back(list[i].GetString());
  return entries;
}

TEST(CplDialog, OkStoresTheTenRowsAndCancelNothing) {
  const Strings ten = {L"a.cpl", L"", L"c.cpl", L"d.cpl", L"e.cpl", L"f.cpl", L"g.cpl", L"h.cpl", L"i.cpl", L"j.cpl"};
  const auto edit = [](HWND dlg) {
    Require(GetText(dlg, IDC_CPL_FILE9) == L"j.cpl" && GetText(dlg, IDC_CPL_FILE0) == L"a.cpl", "rows not filled");
    Require(SetText(dlg, IDC_CPL_FILE0, L"") && TypeKeys(dlg, IDC_CPL_FILE1, L"日本語の設定.cpl"), "typing");
    Require(Click(dlg, IDC_CPL_REF3), "参照 of row 4");
    HWND files = WaitForFileDialog();
    Require(files && GetText(files, cmb13) == L"d.cpl" && Items(files, cmb1) == Strings{L"CPLファイル"}, "file dialog");
    Require(AnswerFileDialog(L"joy.cpl"), "choosing joy.cpl of the system directory");
    Require(WaitForText(dlg, IDC_CPL_FILE3, L"joy.cpl") && Click(dlg, IDC_CPL_REF9) && CancelFileDialog(), "cancel");
  };
  const struct {
    Strings before;
    std::function<void(HWND)> person;
    Strings after;
  } cases[] = {
      {ten, [](HWND dlg) { Require(Click(dlg, IDOK), "OK"); }, ten},
      {ten,
       [&](HWND dlg) { edit(dlg), Require(Click(dlg, IDOK), "OK"); },
       {L"", L"日本語の設定.cpl", L"c.cpl", L"joy.cpl", L"e.cpl", L"f.cpl", L"g.cpl", L"h.cpl", L"i.cpl", L"j.cpl"}},
      {ten, [&](HWND dlg) { edit(dlg), Require(Click(dlg, IDCANCEL), "Cancel"); }, ten},
      // A host list shorter than ten: the missing rows are empty, and OK makes ten.
      {{L"x.cpl"},
       [](HWND dlg) { Require(GetText(dlg, IDC_CPL_FILE1).empty() && Click(dlg, IDOK), "OK"); },
       {L"x.cpl", L"", L"", L"", L"", L"", L"", L"", L"", L""}},
      {{}, [](HWND dlg) { Require(Click(dlg, IDCANCEL), "Cancel"); }, {}},
  };
  for (const auto& c : cases) {
    CStringArray list;
    Fill(list, c.before);
    RunDialog(list, c.person);
    EXPECT_EQ(Entries(list), c.after);
  }
}

}  // namespace
