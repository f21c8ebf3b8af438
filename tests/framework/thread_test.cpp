// Framework threads: how they end, with which exit code, and who deletes them.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <atomic>

#include "support.h"

namespace {

enum class Ending { InitFails, QuitAfterIdleSteps, EndThreadFromIdle };

class CProbeThread : public CWinThread {
 public:
  CProbeThread(Ending ending, std::atomic<int>* destroyed) : m_ending(ending), m_destroyed(destroyed) {}
  ~CProbeThread() override { ++*m_destroyed; }

  BOOL InitInstance() override { return m_ending != Ending::InitFails; }

  BOOL OnIdle(LONG) override {
    struct Guard {
      std::atomic<int>* count;
      ~Guard() { ++*count; }
    } guard{&m_guardsReleased};
    if (++m_idleSteps == 5) {
      if (m_ending == Ending::EndThreadFromIdle) AfxEndThread(9, FALSE);
      ::PostQuitMessage(7);
    }
    return TRUE;  // more idle work: keep calling until a message arrives
  }

  int ExitInstance() override {
    m_exitInstanceCalled = true;
    return m_ending == Ending::InitFails ? 3 : CWinThread::ExitInstance();
  }

  Ending m_ending;
  std::atomic<int>* m_destroyed;
  std::atomic<int> m_idleSteps{0};
  std::atomic<int> m_guardsReleased{0};
  std::atomic<bool> m_exitInstanceCalled{false};
};

TEST(Thread, EndsWithTheExitCodeOfItsWayOut) {
  struct Case {
    Ending ending;
    DWORD exitCode;
    int idleSteps;
    bool exitInstance;
  };
  const Case cases[] = {
      {Ending::InitFails, 3, 0, true},
      {Ending::QuitAfterIdleSteps, 7, 5, true},
      {Ending::EndThreadFromIdle, 9, 5, false},
  };
  for (const Case& c : cases) {
    std::atomic<int> destroyed{0};
    auto* thread = new CProbeThread(c.ending, &destroyed);
    thread->m_bAutoDelete = FALSE;
    ASSERT_TRUE(thread->CreateThread());
    ASSERT_EQ(::WaitForSingleObject(thread->m_hThread, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    EXPECT_TRUE(::GetExitCodeThread(thread->m_hThread, &exitCode));
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_EQ(thread->m_idleSteps, c.idleSteps);
    EXPECT_EQ(thread->m_guardsReleased, c.idleSteps) << "a guard on the idle step's stack was not released";
    EXPECT_EQ(thread->m_exitInstanceCalled, c.exitInstance);
    EXPECT_EQ(destroyed, 0) << "deleted although m_bAutoDelete is off";
    delete thread;
    EXPECT_EQ(destroyed, 1);
  }
}

TEST(Thread, AutoDeleteObjectsDeleteThemselves) {
  std::atomic<int> destroyed{0};
  auto* thread = new CProbeThread(Ending::QuitAfterIdleSteps, &destroyed);
  HANDLE handle = nullptr;
  ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &handle, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
  thread->ResumeThread();
  ASSERT_EQ(::WaitForSingleObject(handle, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(destroyed, 1);
  ::CloseHandle(handle);
}

TEST(Thread, WorkerStartsWithItsCreatorsModuleState) {
  static AFX_MODULE_STATE other(TRUE, &AfxWndProc, _MFC_VER);
  struct CStateThread : CWinThread {
    AFX_MODULE_STATE* seen = nullptr;
    BOOL InitInstance() override {
      seen = AfxGetModuleState();
      return FALSE;
    }
  };
  CStateThread thread;
  thread.m_bAutoDelete = FALSE;
  {
    AFX_MANAGE_STATE(&other);
    ASSERT_TRUE(thread.CreateThread());
  }
  ASSERT_EQ(::WaitForSingleObject(thread.m_hThread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(thread.seen, &other);
}

}  // namespace

// Every thread of the host's process passes through the framework's
// DLL_THREAD_DETACH; threads that never used the framework, and threads that
// did, must give back all their handles when they end.
TEST(Thread, EndingThreadsLeaveNoHandlesBehind) {
  const auto runThreads = [](LPTHREAD_START_ROUTINE body) {
    for (int i = 0; i < 20; ++i) {
      HANDLE thread = ::CreateThread(nullptr, 0, body, nullptr, 0, nullptr);
      ASSERT_NE(thread, nullptr);
      ::WaitForSingleObject(thread, INFINITE);
      ::CloseHandle(thread);
    }
  };
  const LPTHREAD_START_ROUTINE plain = [](void*) -> DWORD { return 0; };
  const LPTHREAD_START_ROUTINE framework = [](void*) -> DWORD {
    AFX_MAINTAIN_STATE2 state(AfxGetModuleState());
    return AfxGetThread() != nullptr ? 0 : 1;
  };
  runThreads(plain);
  runThreads(framework);  // first-use handles of the process
  const DWORD before = zvtest::OpenHandleCount();
  runThreads(plain);
  runThreads(framework);
  EXPECT_EQ(zvtest::HandlesSettleTo(before), before);
}
