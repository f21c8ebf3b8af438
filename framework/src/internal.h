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

void InitBaseModuleState(HINSTANCE hExe);

// Frees what the framework keeps for the calling thread.
void ReleaseThreadData();

// The window being created on this thread, attached by the creation hook.
CWnd*& WindowInCreation();

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

}  // namespace zvfw
