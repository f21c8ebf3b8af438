// The library as the host meets it: the export table, the version record and
// the manifest of ZvDll.dll, exports that must leave the module state alone,
// and zvhost's binding with its failure messages.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support.h"
#include "support.h"

namespace {

HMODULE LoadLibraryUnderTest() {
  static HMODULE library = ::LoadLibraryW(L"ZvDll.dll");
  return library;
}

// Names in the export directory of a loaded image, as the loader sees them.
std::vector<std::string> ExportNames(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames) << "exports by ordinal only";
  return result;
}

TEST(Library, ExportsExactlyTheImplementedFunctionsByUndecoratedName) {
  HMODULE library = LoadLibraryUnderTest();
  ASSERT_TRUE(library) << "error " << ::GetLastError();
  const std::vector<std::string> expected = {"CloseCdPlay",      "DisableWow64FsRedirection",
                                             "OnCdCommand",      "OnCdPlaydef",
                                             "OnCdplay",         "OnCdrandom",
                                             "OnCdrepeat",       "OnMciCdVolume",
                                             "ReadMpegTagData",  "RevertWow64FsRedirection",
                                             "WriteMpegTagData", "ZvCmpBinaryDlg",
                                             "ZvPrintTextDlg",   "ZvTagMakeDlg"};
  EXPECT_EQ(ExportNames(library), expected);
}

TEST(Library, VersionRecordReadsBackThroughTheVersionApi) {
  const std::wstring path = zvtest::ProgramDir() + L"ZvDll.dll";
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000006u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00060007u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000006u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00060007u);

  struct {
    WORD language, codePage;
  }* translation = nullptr;
  ASSERT_TRUE(
      ::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation->language, 0x0411);
  EXPECT_EQ(translation->codePage, 1200);

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } strings[] = {
      {L"FileDescription", L"Zv用拡張機能 DLL"},
      {L"InternalName", L"ZvDll"},
      {L"OriginalFilename", L"ZvDll.DLL"},
      {L"ProductName", L"ZvDll ﾀﾞｲﾅﾐｯｸ ﾘﾝｸ ﾗｲﾌﾞﾗﾘ"},
  };
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + s.name;
    ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << s.name;
    EXPECT_STREQ(value, s.value) << s.name;
  }
}

TEST(Library, ManifestAsksForInvokerLevelAndDpiAwareness) {
  HMODULE library = LoadLibraryUnderTest();
  HRSRC resource =
      ::FindResourceExW(library, RT_MANIFEST, MAKEINTRESOURCEW(2), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  ASSERT_TRUE(resource);
  const auto* text = static_cast<const char*>(::LockResource(::LoadResource(library, resource)));
  const std::string manifest(text, ::SizeofResource(library, resource));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

TEST(Library, RedirectionExportsLeaveTheModuleStateAlone) {
  HMODULE library = LoadLibraryUnderTest();
  auto disable = zvtest::GetExport<void(WINAPI*)()>(library, "DisableWow64FsRedirection");
  auto revert = zvtest::GetExport<void(WINAPI*)()>(library, "RevertWow64FsRedirection");
  ASSERT_TRUE(disable && revert);
  static AFX_MODULE_STATE sentinel(FALSE, &AfxWndProc, _MFC_VER);
  AFX_MANAGE_STATE(&sentinel);
  disable();
  EXPECT_EQ(AfxGetModuleState(), &sentinel);
  revert();
  EXPECT_EQ(AfxGetModuleState(), &sentinel);
}

TEST(Host, ShowsTheLoadedLibraryOrNamesWhatIsMissing) {
  const std::wstring bin = zvtest::ProgramDir();
  zvtest::TempDir noLibrary;
  zvtest::TempDir wrongLibrary;
  for (const wchar_t* file : {L"zvhost.exe", L"zvfw.dll"}) {
    ASSERT_TRUE(::CopyFileW((bin + file).c_str(), noLibrary.Path(file).c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((bin + file).c_str(), wrongLibrary.Path(file).c_str(), FALSE));
  }
  // A library of the right name that lacks the exports.
  ASSERT_TRUE(::CopyFileW((bin + L"zvtestext.dll").c_str(), wrongLibrary.Path(L"ZvDll.dll").c_str(), FALSE));

  const struct {
    std::wstring exe;
    DWORD exitCode;
    std::vector<std::string> shown;
  } cases[] = {
      {bin + L"zvhost.exe",
       0,
       {"バージョン: 0.6.6.7", "ProductName: ZvDll ﾀﾞｲﾅﾐｯｸ ﾘﾝｸ ﾗｲﾌﾞﾗﾘ", "DisableWow64FsRedirection"}},
      {noLibrary.Path(L"zvhost.exe"), 1, {"ZvDll.dll を読み込めません"}},
      {wrongLibrary.Path(L"zvhost.exe"), 1, {"エクスポート DisableWow64FsRedirection がありません"}},
  };
  for (const auto& c : cases) {
    const zvtest::ProcessResult result = zvtest::RunProgram(c.exe, L"info");
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& text : c.shown) EXPECT_NE(result.output.find(text), std::string::npos) << result.output;
  }
}

}  // namespace

namespace {

// zvhost's tag commands as a person runs them: write a Japanese tag with a
// rename, read it back, and get the usage and an error for bad calls.
TEST(Host, TagCommandsWriteRenameAndReadBack) {
  zvtest::TempDir temp;
  std::vector<uint8_t> frames;
  for (int i = 0; i < 3; ++i) {
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x40};
    frames.insert(frames.end(), header, header + 4);
    frames.resize(frames.size() + 413, 0);
  }
  ASSERT_TRUE(zvtest::WriteBytes(temp.Path(L"a.mp3"), frames));
  const std::wstring exe = zvtest::ProgramDir() + L"zvhost.exe";
  const struct {
    std::wstring arguments;
    DWORD exitCode;
    std::string shown;
  } cases[] = {
      {L"tags write \"" + temp.Path(L"a.mp3") + L"\" --kind 1 --title 春の歌 --genre 146 --rename 春.mp3", 0,
       "書き込みました"},
      {L"tags read \"" + temp.Path(L"春.mp3") + L"\"", 0, "ID3v1: 春の歌 /  /  /  /  / genre 146"},
      {L"tags read \"" + temp.Path(L"gone.mp3") + L"\"", 1, "読み込めません"},
      {L"tags write \"" + temp.Path(L"春.mp3") + L"\" --colour red", 2, "使い方"},
      {L"tags edit --all", 0, "結果: IDOK"},  // no files: the dialog ends as it opens
      {L"tags edit \"" + temp.Path(L"gone.mp3") + L"\"", 1, "見つかりません"},
  };
  for (const auto& c : cases) {
    const zvtest::ProcessResult result = zvtest::RunProgram(exe, c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    EXPECT_NE(result.output.find(c.shown), std::string::npos) << result.output;
  }
  const std::vector<uint8_t> written = zvtest::ReadBytes(temp.Path(L"春.mp3"));
  ASSERT_EQ(written.size(), frames.size() + 128);
  EXPECT_EQ(std::vector<uint8_t>(written.end() - 128, written.end() - 122),
            (std::vector<uint8_t>{'T', 'A', 'G', 0x8F, 0x74, 0x82}));  // "TAG" and 春の in Shift-JIS
}

}  // namespace
