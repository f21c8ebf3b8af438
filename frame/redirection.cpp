#include "redirection.h"

#include <new>

namespace {

using DisableFunction = decltype(RedirectionApi::disable);
using RevertFunction = decltype(RedirectionApi::revert);

// Written once at load, before any export can run; read without a lock.
struct RedirectionState {
  bool isWow64 = false;
  DisableFunction disable = nullptr;
  RevertFunction revert = nullptr;
  HMODULE kernel32 = nullptr;            // held only while isWow64 is set
  DWORD savedSlot = TLS_OUT_OF_INDEXES;  // the thread's cell with the value the system returned
  DWORD depthSlot = TLS_OUT_OF_INDEXES;  // the thread's nesting depth; null is 0
};
RedirectionState g_redirection;

void FreeSlot(DWORD& slot) {
  if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
  slot = TLS_OUT_OF_INDEXES;
}

// Without both slots the switch could not keep its per-thread state: it then stays inert.
bool AllocateSlots() {
  g_redirection.savedSlot = TlsAlloc();
  g_redirection.depthSlot = TlsAlloc();
  if (g_redirection.savedSlot != TLS_OUT_OF_INDEXES && g_redirection.depthSlot != TLS_OUT_OF_INDEXES) return true;
  FreeSlot(g_redirection.savedSlot);
  FreeSlot(g_redirection.depthSlot);
  return false;
}

ULONG_PTR ReadDepth() { return reinterpret_cast<ULONG_PTR>(TlsGetValue(g_redirection.depthSlot)); }
void StoreDepth(ULONG_PTR depth) { TlsSetValue(g_redirection.depthSlot, reinterpret_cast<LPVOID>(depth)); }

// GetProcAddress answers with a generic function type; void(*)() is the cast GCC accepts as deliberate.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool IsWow64(HMODULE kernel32) {
  const auto isWow64Process = Lookup<BOOL(WINAPI*)(HANDLE, PBOOL)>(kernel32, "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

void PrepareRedirectionSwitch() noexcept {
  ReleaseRedirectionSwitch();
  HMODULE kernel32 = LoadLibraryW(L"kernel32.dll");
  if (kernel32 == nullptr) return;
  if (!IsWow64(kernel32) || !AllocateSlots()) {
    FreeLibrary(kernel32);
    return;
  }
  g_redirection.isWow64 = true;
  g_redirection.kernel32 = kernel32;
  g_redirection.disable = Lookup<DisableFunction>(kernel32, "Wow64DisableWow64FsRedirection");
  g_redirection.revert = Lookup<RevertFunction>(kernel32, "Wow64RevertWow64FsRedirection");
}

void PrepareRedirectionSwitchForTest(const RedirectionApi& api) noexcept {
  ReleaseRedirectionSwitch();
  if (!api.isWow64Process || !AllocateSlots()) return;
  g_redirection.isWow64 = true;
  g_redirection.disable = api.disable;
  g_redirection.revert = api.revert;
}

void ReleaseRedirectionSwitch() noexcept {
  if (g_redirection.kernel32 != nullptr) FreeLibrary(g_redirection.kernel32);
  FreeSlot(g_redirection.savedSlot);
  FreeSlot(g_redirection.depthSlot);
  g_redirection = RedirectionState{};
}

extern "C" void WINAPI DisableWow64FsRedirection() noexcept {
  if (!g_redirection.isWow64) return;
  const ULONG_PTR depth = ReadDepth();
  if (depth == 0) {
    // Without a cell there is nothing to switch back with: stay on and do not count.
    auto* saved = new (std::nothrow) PVOID(nullptr);
    if (saved == nullptr) return;
    TlsSetValue(g_redirection.savedSlot, saved);
    if (g_redirection.disable != nullptr) g_redirection.disable(saved);
  }
  StoreDepth(depth + 1);
}

extern "C" void WINAPI RevertWow64FsRedirection() noexcept {
  if (!g_redirection.isWow64) return;
  auto* saved = static_cast<PVOID*>(TlsGetValue(g_redirection.savedSlot));
  if (saved == nullptr) return;
  const ULONG_PTR depth = ReadDepth();
  if (depth > 1) {
    StoreDepth(depth - 1);
    return;
  }
  TlsSetValue(g_redirection.savedSlot, nullptr);
  if (g_redirection.revert != nullptr) g_redirection.revert(*saved);
  delete saved;
  StoreDepth(0);
}
