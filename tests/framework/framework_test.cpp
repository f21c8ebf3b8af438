// The framework layer under Wine: dialogs driven as a person would, module state
// across the boundary to the test extension DLL, threads, strings and containers.
#include <afxcoll.h>
#include <afxdlgs.h>
#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/testext/testext.h"
#include "dialog_driver.h"

namespace {

using namespace zvtest;

constexpr UINT kPostedEnd = 1039;

class CProbeDlg : public CDialog {
 public:
  CProbeDlg() : CDialog(IDD_PROBE) {}
  CString m_strName = L"日本語";
  int m_nCount = 42, m_bFlag = TRUE, m_nKind = 1;
  std::atomic<int> m_nF5Keys{0}, m_nIdleCalls{0};

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDV_MaxChars(pDX, m_strName, 5);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDX_Check(pDX, IDC_FLAG, m_bFlag);
    DDX_Radio(pDX, IDC_KIND1, m_nKind);
  }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_F5) return CDialog::PreTranslateMessage(pMsg);
    ++m_nF5Keys;
    return TRUE;
  }
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override {
    if (nID != kPostedEnd || nCode != 0) return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    OnOK();
    return TRUE;
  }
  LRESULT OnKickIdle(WPARAM, LPARAM) {
    ++m_nIdleCalls;
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
ON_MESSAGE(WM_KICKIDLE, &CProbeDlg::OnKickIdle)
END_MESSAGE_MAP()

// One session as the tools live it: data both ways with the framework's own
// integer message, keys pre-translated, idle calls, Esc and the close
// box doing nothing while Cancel is disabled (a job runs), and a posted end
// command taken ahead of the message map.
TEST(Dialog, RunsTheModalLoopAndExchangesData) {
  CProbeDlg probe;
  UiScript script([&] {
    HWND dialog = RequireDialog(L"枠組みの試験");
    EXPECT_EQ(GetText(dialog, IDC_NAME) + GetText(dialog, IDC_COUNT), L"日本語42");
    EXPECT_TRUE(IsChecked(dialog, IDC_FLAG) && IsChecked(dialog, IDC_KIND1 + 1));
    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, IDC_NAME), EM_GETLIMITTEXT, 0, 0), 5);
    EXPECT_TRUE(WaitForCondition([&] { return probe.m_nIdleCalls > 0; }));
    SetText(dialog, IDC_COUNT, L"12x");
    Click(dialog, IDOK);
    auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "the message on a bad number");
    EXPECT_EQ(box->text + L"|" + box->caption, L"整数を入力してください。|framework_test");
    ::EnableWindow(::GetDlgItem(dialog, IDCANCEL), FALSE);
    PressKey(dialog, VK_ESCAPE);
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    PressKey(dialog, VK_F5);
    PressKey(dialog, VK_F5);  // seen once all of the above has been handled
    EXPECT_TRUE(WaitForCondition([&] { return probe.m_nF5Keys == 2; }));
    SetText(dialog, IDC_NAME, L"かな");
    SetText(dialog, IDC_COUNT, L" -17 ");
    Click(dialog, IDC_FLAG);
    Click(dialog, IDC_KIND1);
    ::PostMessageW(dialog, WM_COMMAND, kPostedEnd, 0);
  });
  EXPECT_EQ(probe.DoModal(), IDOK);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_TRUE(probe.m_strName == L"かな" && probe.m_nCount == -17 && !probe.m_bFlag && probe.m_nKind == 0);
  EXPECT_EQ(CDialog(4242).DoModal(), -1) << "a missing template";
}

TEST(FileDialog, OpensInTheInitialFolderWithTheFilterAndReturnsPathAndName) {
  TempDir temp;
  const std::wstring name = L"日本語の名前.txt";
  ASSERT_TRUE(WriteBytes(temp.Path(name), "x"));
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, L"すべて|*.*|テキスト|*.txt||");
  dialog.m_ofn.lpstrInitialDir = temp.Dir().c_str();
  UiScript script([&] {
    EXPECT_EQ(Items(WaitForFileDialog(), cmb1), (std::vector<std::wstring>{L"すべて", L"テキスト"}));
    EXPECT_TRUE(AnswerFileDialog(name));  // no folder: the initial one
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_TRUE(dialog.GetPathName() == temp.Path(name).c_str() && dialog.GetFileName() == name.c_str());
}

// The extension's application starts and ends with its module, and a failed
// start fails the load. Its exports find its dialog, not the host's of the same
// id, and its application name; the host's state is back after each, thrown or not.
TEST(ModuleState, ExtensionRunsInItsOwnStateAndRestoresTheHosts) {
  AFX_MODULE_STATE* hostState = AfxGetModuleState();
  ::SetEnvironmentVariableW(L"ZVTESTEXT_LOG", nullptr);
  ::SetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", L"1");
  EXPECT_EQ(::LoadLibraryW(L"zvtestext.dll"), nullptr);
  ::SetEnvironmentVariableW(L"ZVTESTEXT_FAIL_INIT", nullptr);
  HMODULE extension = ::LoadLibraryW(L"zvtestext.dll");
  auto showDialog = GetExport<INT_PTR(WINAPI*)(BOOL)>(extension, "TestExtShowDialog");
  auto messageBox = GetExport<int(WINAPI*)(const wchar_t*)>(extension, "TestExtMessageBox");
  ASSERT_TRUE(showDialog && messageBox);
  UiScript script([&] {
    Click(RequireDialog(L"拡張DLLの画面"), IDOK);
    Click(RequireDialog(L"枠組みの試験"), IDOK);
    auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "the message box");
    EXPECT_EQ(box->text + L"|" + box->caption, L"拡張DLLからの通知|zvtestext");
  });
  EXPECT_EQ(showDialog(FALSE), IDOK);
  EXPECT_EQ(CDialog(IDD_PROBE).DoModal(), IDOK);
  EXPECT_EQ(messageBox(L"拡張DLLからの通知"), IDOK);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(showDialog(TRUE), -2);
  EXPECT_EQ(AfxGetModuleState(), hostState);
  ::FreeLibrary(extension);
  wchar_t log[64] = {};
  ::GetEnvironmentVariableW(L"ZVTESTEXT_LOG", log, 64);
  EXPECT_STREQ(log, L"init exit init exit ");
}

enum class Ending { InitFails, QuitAfterIdleSteps, EndThreadFromIdle };

class CProbeThread : public CWinThread {
 public:
  CProbeThread(Ending ending, std::atomic<int>* destroyed) : m_ending(ending), m_destroyed(destroyed) {}
  ~CProbeThread() override { ++*m_destroyed; }

  BOOL InitInstance() override {
    m_pStartState = AfxGetModuleState();
    return m_ending != Ending::InitFails;
  }
  // Five idle steps, each with a guard on its stack, then the way out.
  BOOL OnIdle(LONG lCount) override {
    CWinThread::OnIdle(lCount);
    struct Guard {
      std::atomic<int>& released;
      ~Guard() { ++released; }
    } guard{m_guardsReleased};
    if (++m_idleSteps == 5 && m_ending == Ending::EndThreadFromIdle) AfxEndThread(9, FALSE);
    if (m_idleSteps == 5) ::PostQuitMessage(7);
    return TRUE;  // more idle work: called again until a message arrives
  }
  int ExitInstance() override { return m_ending == Ending::InitFails ? 3 : CWinThread::ExitInstance(); }

  Ending m_ending;
  std::atomic<int>* m_destroyed;
  AFX_MODULE_STATE* m_pStartState = nullptr;
  std::atomic<int> m_idleSteps{0}, m_guardsReleased{0};
};

// The second round must end with the handles the first left: every thread of
// the host's process passes through the framework's DLL_THREAD_DETACH.
TEST(Thread, EndsWithItsWayOutsCodeInItsCreatorsStateAndLeavesNoHandles) {
  static AFX_MODULE_STATE creatorState(TRUE, &AfxWndProc, _MFC_VER);
  const std::tuple<Ending, DWORD, int> cases[] = {
      {Ending::InitFails, 3, 0}, {Ending::QuitAfterIdleSteps, 7, 5}, {Ending::EndThreadFromIdle, 9, 5}};
  DWORD handles = 0;
  for (int round = 0; round < 2; ++round) {
    for (const auto& [ending, expectedExitCode, idleSteps] : cases) {
      std::atomic<int> destroyed{0};
      CProbeThread thread(ending, &destroyed);
      thread.m_bAutoDelete = FALSE;
      {
        AFX_MANAGE_STATE(&creatorState);
        ASSERT_TRUE(thread.CreateThread());
      }
      ASSERT_EQ(::WaitForSingleObject(thread.m_hThread, 10000), WAIT_OBJECT_0);
      DWORD exitCode = 0;
      EXPECT_TRUE(::GetExitCodeThread(thread.m_hThread, &exitCode) && exitCode == expectedExitCode) << exitCode;
      EXPECT_EQ(thread.m_pStartState, &creatorState);
      EXPECT_EQ(thread.m_guardsReleased, idleSteps) << "idle steps' guards released";
      EXPECT_EQ(destroyed, 0) << "deleted although m_bAutoDelete is off";
    }
    std::atomic<int> destroyed{0};
    ASSERT_TRUE((new CProbeThread(Ending::QuitAfterIdleSteps, &destroyed))->CreateThread());
    ASSERT_TRUE(WaitForCondition([&] { return destroyed == 1; })) << "an auto-delete thread deletes itself";
    HANDLE plain = ::CreateThread(
        nullptr, 0, [](void*) -> DWORD { return 0; }, nullptr, 0, nullptr);
    ::WaitForSingleObject(plain, INFINITE);
    ::CloseHandle(plain);
    if (round == 0) handles = OpenHandleCount();
  }
  EXPECT_EQ(HandlesSettleTo(handles), handles);
}

TEST(CString, MakesTheExpectedText) {
  CString formatted, filled(L"old");
  formatted.Format(L"%s=%d|%02lld|%c|%S", L"日本", -5, 7LL, L'語', "ansi");
  wcscpy(filled.GetBuffer(10), L"名前");  // as a window writes its text into it
  filled.ReleaseBuffer();
  const CString s(L"ab.cd.ef");
  EXPECT_STREQ(formatted + L"|" + filled + L"|", L"日本=-5|07|語|ansi|名前|");
  EXPECT_STREQ(s.Mid(s.ReverseFind(L'.') + 1) + s.Mid(-2, 3) + s.Mid(99) + s.Left(s.Find(L'.')) + s.Right(2),
               L"efab.abef");
  // Case folding goes to lower case: '_' (0x5F) sorts before 'a', not after 'A'.
  EXPECT_TRUE(CString(L"_").CompareNoCase(L"A") < 0 && CString(L"Song.MP3").CompareNoCase(L"song.mp3") == 0);
}

TEST(CArray, EditsAtTheEdges) {
  const std::pair<void (*)(CDWordArray&), std::vector<DWORD>> cases[] = {
      {[](CDWordArray& a) { a.InsertAt(0, 9); }, {9, 1, 2, 3}},
      {[](CDWordArray& a) { a.InsertAt(1, 9, 2); }, {1, 9, 9, 2, 3}},
      {[](CDWordArray& a) { a.InsertAt(5, 9); }, {1, 2, 3, 0, 0, 9}},
      {[](CDWordArray& a) { a.RemoveAt(1); }, {1, 3}},
      {[](CDWordArray& a) { a.RemoveAt(0, 3); }, {}},
      {[](CDWordArray& a) { a.SetSize(1), a.SetSize(3); }, {1, 0, 0}},
      {[](CDWordArray& a) { EXPECT_THROW(a.RemoveAt(2, 2), std::out_of_range); }, {1, 2, 3}},
  };
  for (const auto& [edit, expected] : cases) {
    CDWordArray a;
    for (DWORD v : {1, 2, 3}) a.Add(v);
    edit(a);
    EXPECT_EQ(std::vector<DWORD>(a.GetData(), a.GetData() + a.GetSize()), expected);
  }
  CStringArray list;  // as the host hands it over: its ElementAt is bounds-checked
  list.Add(L"a");
  EXPECT_THROW(list.ElementAt(1), std::out_of_range);
}

// The tag writer writes a RIFF INFO list in the order the map hands out its
// entries: bucket by bucket of the string hash, each bucket newest first.
TEST(CMap, HandsOutEveryEntryOnceInItsOrder) {
  CMap<CString, LPCTSTR, CString, CString&> map(4);
  for (const wchar_t* id : {L"INAM", L"IART", L"IPRD", L"ICRD", L"IGNR", L"ICMT", L"ISRC", L"ISFT", L"ICOP", L"IENG"})
    map[id] = CString(id) + L"値";
  map[L"ITCH"] = L"";
  EXPECT_TRUE(map.RemoveKey(L"ITCH") && !map.RemoveKey(L"inam"));
  CString key, value;
  std::vector<std::wstring> order;
  for (POSITION pos = map.GetStartPosition(); pos; order.push_back(key.GetString())) {
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(value, key + L"値");
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"INAM", L"ICMT", L"IGNR", L"IENG", L"ISFT", L"IPRD", L"IART", L"ICOP",
                                              L"ISRC", L"ICRD"}));
}

}  // namespace
