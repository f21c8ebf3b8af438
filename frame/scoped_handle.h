// Owners of the system's handles: each closes its handle on every way out of
// the scope that holds it, so no path of a tool leaks a file, a search, a
// thread or a kernel object. Null and INVALID_HANDLE_VALUE both mean none.
#pragma once

#include <windows.h>

#include <utility>

template <BOOL(WINAPI* Close)(HANDLE)>
class ScopedSystemHandle {
 public:
  explicit ScopedSystemHandle(HANDLE handle = nullptr) noexcept : m_handle(handle) {}
  ~ScopedSystemHandle() { Reset(); }
  ScopedSystemHandle(ScopedSystemHandle&& other) noexcept : m_handle(other.Release()) {}
  ScopedSystemHandle& operator=(ScopedSystemHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ScopedSystemHandle(const ScopedSystemHandle&) = delete;
  ScopedSystemHandle& operator=(const ScopedSystemHandle&) = delete;

  HANDLE Get() const noexcept { return m_handle; }
  bool IsValid() const noexcept { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  // Gives the handle up without closing it.
  HANDLE Release() noexcept { return std::exchange(m_handle, nullptr); }
  // Closes the handle held, if any, and holds handle instead.
  void Reset(HANDLE handle = nullptr) noexcept {
    if (IsValid()) Close(m_handle);
    m_handle = handle;
  }

 private:
  HANDLE m_handle;
};

// Files, threads, events, mutexes: CloseHandle.
using ScopedHandle = ScopedSystemHandle<&::CloseHandle>;
// A FindFirstFileW search.
using ScopedFindHandle = ScopedSystemHandle<&::FindClose>;
// A FindFirstChangeNotificationW watch.
using ScopedChangeNotification = ScopedSystemHandle<&::FindCloseChangeNotification>;
