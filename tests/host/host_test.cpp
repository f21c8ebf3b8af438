// ZvDll.dll as the host meets it: zvhost's view of the library and its failures,
// exports that leave the module state alone, tag commands, the modules' version
// records, every dialog's layout.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_driver.h"

namespace {

using namespace zvtest;

std::string Output(const std::wstring& exe, const std::wstring& arguments, DWORD exitCode) {
  ProcessResult result = RunProgram(exe, arguments);
  EXPECT_EQ(result.exitCode, exitCode) << result.output;
  std::erase(result.output, '\r');  // stderr is in text mode
  return result.output;
}

TEST(Host, ShowsTheLibraryOrNamesWhatIsMissing) {
  const std::wstring bin = ProgramDir();
  const std::string info = Output(bin + L"zvhost.exe", L"info", 0);
  EXPECT_EQ(info.substr(info.find('\n') + 1),
            "バージョン: 0.6.6.7\n  FileDescription: Zv用拡張機能 DLL\n  InternalName: ZvDll\n"
            "  OriginalFilename: ZvDll.DLL\n  ProductName: ZvDll ﾀﾞｲﾅﾐｯｸ ﾘﾝｸ ﾗｲﾌﾞﾗﾘ\nエクスポート:\n"
            "  CloseCdPlay\n  DisableWow64FsRedirection\n  OnAttcolor\n  OnBinarycolor\n  OnCdCommand\n  OnCdPlaydef\n"
            "  OnCdplay\n  OnCdrandom\n  OnCdrepeat\n  OnDebug\n  OnKindcolor\n  OnLancher\n  OnMciCdVolume\n"
            "  OnSetNonLoadCpl\n  OnSetwallpaper\n  ReadMpegTagData\n  ReleaseToTaskTray\n  RevertWow64FsRedirection\n"
            "  SetToTaskTray\n  WriteMpegTagData\n"
            "  ZvCmpBinaryDlg\n  ZvDirTreeDlg\n  ZvGetCplAllData\n  ZvPrintTextDlg\n  ZvTagMakeDlg\n");
  TempDir copy;  // the host without the library, then with a library of its name that lacks the exports
  for (const wchar_t* file : {L"zvhost.exe", L"zvfw.dll"})
    ASSERT_TRUE(::CopyFileW((bin + file).c_str(), copy.Path(file).c_str(), FALSE));
  EXPECT_EQ(Output(copy.Path(L"zvhost.exe"), L"info", 1), "zvhost: ZvDll.dll を読み込めません (エラー 126)\n");
  ASSERT_TRUE(::CopyFileW((bin + L"zvtestext.dll").c_str(), copy.Path(L"ZvDll.dll").c_str(), FALSE));
  EXPECT_EQ(Output(copy.Path(L"zvhost.exe"), L"info", 1),
            "zvhost: ZvDll.dll にエクスポート DisableWow64FsRedirection がありません\n");
}

TEST(Host, RedirectionExportsLeaveTheModuleStateAlone) {
  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  static AFX_MODULE_STATE sentinel(FALSE, &AfxWndProc, _MFC_VER);
  AFX_MANAGE_STATE(&sentinel);
  for (const char* name : {"DisableWow64FsRedirection", "RevertWow64FsRedirection"}) {
    GetExport<void(WINAPI*)()>(library, name)();
    EXPECT_EQ(AfxGetModuleState(), &sentinel) << name;
  }
}

TEST(Host, TagCommandsWriteRenameAndReadBack) {
  TempDir temp;
  std::string frames(3 * 417, '\0');  // three MPEG-1 layer III frames, 128 kbit/s, 44.1 kHz
  for (size_t at = 0; at < frames.size(); at += 417) frames.replace(at, 4, "\xFF\xFB\x90\x40");
  ASSERT_TRUE(WriteBytes(temp.Path(L"a.mp3"), frames));
  const std::wstring exe = ProgramDir() + L"zvhost.exe", renamed = L" \"" + temp.Path(L"春.mp3") + L"\"";
  EXPECT_NE(Output(exe, L"tags write \"" + temp.Path(L"a.mp3") + L"\" --kind 1 --title 春の歌 --rename 春.mp3", 0)
                .find("書き込みました"),
            std::string::npos);
  EXPECT_NE(Output(exe, L"tags read" + renamed, 0).find("ID3v1: 春の歌 /"), std::string::npos);
  EXPECT_NE(Output(exe, L"tags write" + renamed + L" --colour red", 2).find("使い方"), std::string::npos);
}

// The languages of a module's version records. Explorer shows the record of the
// user's language first, so a second one hides ours.
std::vector<WORD> VersionLanguages(HMODULE module) {
  std::vector<WORD> languages;
  const ENUMRESLANGPROCW add = [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) -> BOOL {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
  };
  ::EnumResourceLanguagesW(module, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), add,
                           reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

TEST(Library, EveryModuleCarriesOneJapaneseVersionRecord) {
  for (const wchar_t* name : {L"ZvDll.dll", L"zvfw.dll"})
    EXPECT_EQ(VersionLanguages(::LoadLibraryW(name)), std::vector<WORD>{1041}) << Utf8(name);
}

// A control outside the dialog, a caption cut off (not shown on bitmap and
// owner-drawn buttons; ellipsis statics cut on purpose), or two controls on
// top of each other (group boxes hold others).
std::vector<std::string> LayoutFaults(HWND dialog) {
  RECT client;
  ::GetClientRect(dialog, &client);
  ::MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  HDC dc = ::GetDC(dialog);
  ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
  std::vector<std::string> faults;
  std::vector<std::pair<RECT, std::string>> placed;
  for (HWND control : ChildWindows(dialog)) {
    const std::wstring text = WindowText(control);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE), type = style & BS_TYPEMASK;
    const bool button = ClassName(control) == L"Button", group = button && type == BS_GROUPBOX;
    const bool boxed = button && (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON);
    const std::string name = std::to_string(::GetDlgCtrlID(control)) + " " + Utf8(text);
    RECT a, overlap;
    ::GetWindowRect(control, &a);
    if (a.left < client.left || a.top < client.top || a.right > client.right || a.bottom > client.bottom)
      faults.push_back(name + " leaves the dialog");
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const bool shown = button ? !(style & (BS_BITMAP | BS_ICON)) && type != BS_OWNERDRAW && !group
                              : ClassName(control) != L"Static" || !(style & SS_ELLIPSISMASK);
    if (!text.empty() && shown && extent.cx > a.right - a.left - (boxed ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0))
      faults.push_back(name + " is cut off");
    for (const auto& [b, other] : placed)
      if (!group && ::IntersectRect(&overlap, &a, &b)) faults.push_back(name + " overlaps " + other);
    if (!group) placed.emplace_back(a, name);
  }
  ::ReleaseDC(dialog, dc);
  return faults;
}

TEST(Library, EveryDialogHoldsItsControlsWithNothingOverlappingOrCutOff) {
  HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  const DLGPROC quiet = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
  for (const int id : {106, 109, 113, 119, 129, 130, 131, 132, 133, 134, 172, 173, 181}) {
    HWND dialog = ::CreateDialogParamW(library, MAKEINTRESOURCEW(id), nullptr, quiet, 0);
    ASSERT_NE(dialog, nullptr) << id;
    EXPECT_EQ(LayoutFaults(dialog), std::vector<std::string>{}) << "dialog " << id;
    ::DestroyWindow(dialog);
  }
}

}  // namespace
