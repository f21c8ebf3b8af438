#include <shlobj.h>

#include <cwchar>

#include "zvutil.h"

namespace {

constexpr int kStartBuffer = 520;

// The shell allocator, released on every way out.
class ShellAllocator {
 public:
  ShellAllocator() {
    if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~ShellAllocator() {
    if (malloc_ != nullptr) malloc_->Release();
  }
  ShellAllocator(const ShellAllocator&) = delete;
  ShellAllocator& operator=(const ShellAllocator&) = delete;
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

// An item list that the shell allocated, freed through its allocator.
class ScopedItemList {
 public:
  ScopedItemList(IMalloc* malloc, LPITEMIDLIST items) : malloc_(malloc), items_(items) {}
  ~ScopedItemList() {
    if (items_ != nullptr) malloc_->Free(items_);
  }
  ScopedItemList(const ScopedItemList&) = delete;
  ScopedItemList& operator=(const ScopedItemList&) = delete;
  LPITEMIDLIST get() const { return items_; }

 private:
  IMalloc* malloc_;
  LPITEMIDLIST items_;
};

// The picker selects a drive only in the form D:\ and a folder only without its trailing backslash.
void PrepareStartFolder(LPCWSTR path, wchar_t (&start)[kStartBuffer]) {
  size_t length = 0;
  for (; length < kStartBuffer - 1 && path[length] != 0; ++length) start[length] = path[length];
  start[length] = 0;
  if (length > 0 && start[length - 1] == L'\\') start[--length] = 0;
  if (length == 2 && start[1] == L':') {
    start[2] = L'\\';
    start[3] = 0;
  }
}

int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM lParam, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
  } else if (message == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = L"";
    if (!SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) path[0] = 0;
    wchar_t status[MAX_PATH + 32];
    swprintf(status, sizeof status / sizeof status[0], L"「%ls」が選択されています", path);
    SendMessageW(picker, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status));
  }
  return 0;
}

}  // namespace

BOOL BrowseForFolder(LPWSTR path, HWND owner, BOOL includeFiles) {
  wchar_t start[kStartBuffer];
  PrepareStartFolder(path, start);

  ShellAllocator malloc;
  if (malloc.get() == nullptr) return FALSE;
  LPITEMIDLIST desktopItems = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, &desktopItems))) return FALSE;
  ScopedItemList desktop(malloc.get(), desktopItems);

  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = desktop.get();
  info.pszDisplayName = path;
  info.lpszTitle = L"パスを指定してください。";
  info.ulFlags = BIF_EDITBOX | BIF_STATUSTEXT | (includeFiles ? BIF_BROWSEINCLUDEFILES : 0);
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start);

  ScopedItemList chosen(malloc.get(), SHBrowseForFolderW(&info));
  if (chosen.get() == nullptr) return FALSE;
  // A virtual folder (the printers, the network) has no file-system path.
  if (!SHGetPathFromIDListW(chosen.get(), path)) path[0] = 0;
  size_t length = wcslen(path);
  if (length == 0) return FALSE;
  if (path[length - 1] == L'\\') path[--length] = 0;
  if (IsPathRoot(path)) {
    path[length] = L'\\';
    path[length + 1] = 0;
  }
  return TRUE;
}
