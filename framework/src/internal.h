// What the framework's sources share and nobody else sees.
#pragma once

#include <afxwin.h>

namespace zvfw {

// A per-thread pointer in a system TLS slot. Unlike thread_local in a DLL built
// with mingw (emulated through winpthreads keys), reading a slot that a thread
// never wrote allocates nothing: threads that pass through the framework only
// as DLL_THREAD_DETACH cost nothing and leave no handles behind.
template <class T>
class ThreadSlot {
 public:
  ThreadSlot() : m_index(::TlsAlloc()) {}
  ~ThreadSlot() {
    if (m_index != TLS_OUT_OF_INDEXES) ::TlsFree(m_index);
  }
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;

  // TlsGetValue clears the thread's last error; callers may be between a failed
  // call and their GetLastError, so it is put back.
  T* Get() const {
    const DWORD error = ::GetLastError();
    T* value = static_cast<T*>(::TlsGetValue(m_index));
    ::SetLastError(error);
    return value;
  }
  void Set(T* value) const { ::TlsSetValue(m_index, value); }

 private:
  DWORD m_index;
};

struct ThreadData;  // window.cpp: the thread's temporary window objects and creation hook

// What the framework keeps per thread.
struct ThreadSlots {
  ThreadSlot<AFX_MODULE_STATE> moduleState;  // null: the executable's state
  ThreadSlot<ThreadData> data;               // made on first use
  ThreadSlot<CWinThread> thread;             // set while a framework thread runs
};
const ThreadSlots& Slots();

void InitBaseModuleState(HINSTANCE hExe);

// Frees what the framework keeps for the calling thread.
void ReleaseThreadData();

// The permanent map: windows owned by framework objects.
void MapPermanent(HWND hWnd, CWnd* pWnd);
void UnmapPermanent(HWND hWnd);

// The window a message box shown now should belong to: the active window of
// this thread, or its top-level owner, else null.
HWND DefaultOwner();

// The owner of a modal window: the parent's top-level window, else DefaultOwner().
HWND ModalOwner(CWnd* pParentWnd);

// Drops the wrappers of windows that no longer exist, unless temporary objects are locked.
void PruneTemporaries();

// Offers a message to every framework window from its target up to hWndStop
// (to the top-level window when null); true when one of them took it.
bool PreTranslateUpTo(HWND hWndStop, MSG* pMsg);

// Tells a message loop whether it may go idle again after a message: not after
// paints, caret blinks (WM_SYSTIMER) or a mouse that did not move.
class IdleRule {
 public:
  bool ResumesIdle(const MSG& msg);

 private:
  POINT m_lastMouse = {-1, -1};
  UINT m_lastMouseMessage = 0;
};

}  // namespace zvfw
