// Module state across the host/extension boundary: this test program is the
// host and has resources under the same ids as the test extension DLL.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "dialog_driver.h"
#include "support.h"
#include "probe_ids.h"
#include "support.h"

namespace {

using ShowDialogFn = INT_PTR(WINAPI*)();
using LoadStringFn = int(WINAPI*)(UINT, wchar_t*, int);
using ThrowFn = int(WINAPI*)(AFX_MODULE_STATE**);
using ModuleStateFn = void(WINAPI*)(AFX_MODULE_STATE**, AFX_MODULE_STATE**, const wchar_t**);
using MessageBoxFn = int(WINAPI*)(const wchar_t*);
using EndThreadFn = DWORD(WINAPI*)(const wchar_t*, LONG*);

class ModuleState : public ::testing::Test {
 protected:
  void SetUp() override {
    m_library = ::LoadLibraryW(L"zvtestext.dll");
    ASSERT_TRUE(m_library) << "error " << ::GetLastError();
  }
  void TearDown() override {
    if (m_library) ::FreeLibrary(m_library);
  }
  template <class Fn>
  Fn Get(const char* name) {
    auto fn = zvtest::GetExport<Fn>(m_library, name);
    EXPECT_TRUE(fn) << name;
    return fn;
  }
  HMODULE m_library = nullptr;
};

TEST_F(ModuleState, SameIdsResolveToTheModuleWhoseStateIsCurrent) {
  struct Case {
    const wchar_t* caption;
    const wchar_t* text;
  };
  const Case host = {L"ホストの画面", L"ホストのテンプレート"};
  const Case extension = {L"拡張DLLの画面", L"拡張DLLのテンプレート"};
  auto showExtension = Get<ShowDialogFn>("TestExtShowDialog");

  for (const bool throughExport : {false, true, false}) {
    const Case& expected = throughExport ? extension : host;
    zvtest::UiScript script([&] {
      HWND dialog = zvtest::WaitForDialog(expected.caption);
      ASSERT_TRUE(dialog);
      EXPECT_EQ(zvtest::GetText(dialog, IDC_WHOSE_TEXT), expected.text);
      zvtest::Click(dialog, IDOK);
    });
    CDialog hostDialog(IDD_SAME_ID);
    EXPECT_EQ(throughExport ? showExtension() : hostDialog.DoModal(), IDOK);
    EXPECT_TRUE(script.Join()) << script.Failure();
  }
}

TEST_F(ModuleState, StringsResolveToTheModuleWhoseStateIsCurrent) {
  CString hostText;
  ASSERT_TRUE(hostText.LoadString(IDS_SAME_ID));
  EXPECT_EQ(hostText, L"ホストの文字列");

  wchar_t text[64] = {};
  auto loadString = Get<LoadStringFn>("TestExtLoadString");
  EXPECT_EQ(loadString(IDS_SAME_ID, text, 64), 9);
  EXPECT_STREQ(text, L"拡張DLLの文字列");
}

TEST_F(ModuleState, ExportsSwitchToTheirOwnStateAndAlwaysRestoreTheHosts) {
  AFX_MODULE_STATE* hostState = AfxGetModuleState();
  AFX_MODULE_STATE* current = nullptr;
  AFX_MODULE_STATE* own = nullptr;
  const wchar_t* appName = nullptr;
  Get<ModuleStateFn>("TestExtModuleState")(&current, &own, &appName);
  EXPECT_EQ(current, own);
  EXPECT_NE(own, hostState);
  EXPECT_STREQ(appName, L"zvtestext");
  EXPECT_EQ(AfxGetModuleState(), hostState);

  AFX_MODULE_STATE* seenInside = nullptr;
  EXPECT_EQ(Get<ThrowFn>("TestExtThrow")(&seenInside), -1);
  EXPECT_EQ(seenInside, own);
  EXPECT_EQ(AfxGetModuleState(), hostState);
}

TEST_F(ModuleState, MessageBoxOfAnExtensionShowsItsApplicationName) {
  zvtest::UiScript script([&] {
    auto box = zvtest::AnswerMessageBox(IDOK);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"zvtestext");
    EXPECT_EQ(box->text, L"拡張DLLからの通知");
  });
  EXPECT_EQ(Get<MessageBoxFn>("TestExtMessageBox")(L"拡張DLLからの通知"), IDOK);
  EXPECT_TRUE(script.Join()) << script.Failure();
}

TEST_F(ModuleState, EndingAWorkerUnwindsItsStackAndReleasesItsMutex) {
  const wchar_t* name = L"zvtest-end-thread-mutex";
  LONG alive = -1;
  EXPECT_EQ(Get<EndThreadFn>("TestExtEndThreadInWorker")(name, &alive), 42u);
  EXPECT_EQ(alive, 0);
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
  ASSERT_TRUE(mutex);
  EXPECT_EQ(::WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "abandoned or still held";
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
}

// Loads a private copy of the test DLL (the loaded one would only be counted up)
// and returns what its application object logged.
std::string LoadCopy(const zvtest::TempDir& dir, bool failInit, bool& loaded) {
  wchar_t source[MAX_PATH] = {};
  ::GetModuleFileNameW(::GetModuleHandleW(L"zvtestext.dll"), source, MAX_PATH);
  const std::wstring copy = dir.Path(failInit ? L"failing.dll" : L"working.dll");
  const std::wstring log = dir.Path(failInit ? L"failing.log" : L"working.log");
  EXPECT_TRUE(::CopyFileW(source, copy.c_str(), FALSE));
  ::SetEnvironmentVariableW(L"ZVTESTEXT_LOG", log.c_str());
  ::SetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", failInit ? L"1" : nullptr);
  HMODULE module = ::LoadLibraryW(copy.c_str());
  loaded = module != nullptr;
  if (module) ::FreeLibrary(module);
  ::SetEnvironmentVariableW(L"ZVTESTEXT_LOG", nullptr);
  ::SetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", nullptr);
  const auto bytes = zvtest::ReadBytes(log);
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(ModuleState, LoadRunsInitAndExitAndAFailedInitFailsTheLoad) {
  zvtest::TempDir dir;
  AFX_MODULE_STATE* hostState = AfxGetModuleState();
  bool loaded = false;
  EXPECT_EQ(LoadCopy(dir, false, loaded), "init\nexit\n");
  EXPECT_TRUE(loaded);
  EXPECT_EQ(LoadCopy(dir, true, loaded), "init\nexit\n");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(AfxGetModuleState(), hostState);
  EXPECT_TRUE(::GetModuleHandleW(dir.Path(L"failing.dll").c_str()) == nullptr);
}

}  // namespace
