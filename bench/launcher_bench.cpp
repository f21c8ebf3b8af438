// The launcher with 1,000 entries with icons: time from OnLancher's call to its
// dialog on the screen, against a bare list view filled with the same rows and
// icons in the same process; and how soon the open dialog answers a key.
//   launcher_bench RUNS
// Prints the best times in milliseconds: ours, bare, the key's answer.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "launcher/launcher_dialog.h"
#include "support.h"

namespace {

constexpr int kEntries = 1000;

// The programs of the prefix's system folder, round and round to 1,000 entries.
std::vector<std::wstring> Programs() {
  std::vector<std::wstring> found, paths;
  WIN32_FIND_DATAW find;
  HANDLE search = ::FindFirstFileW(L"C:\\windows\\system32\\*.exe", &find);
  if (search == INVALID_HANDLE_VALUE) return paths;
  do found.push_back(std::wstring(L"C:\\windows\\system32\\") + find.cFileName);
  while (::FindNextFileW(search, &find) && found.size() < 200);
  ::FindClose(search);
  for (int i = 0; i < kEntries; ++i) paths.push_back(found[static_cast<size_t>(i) % found.size()]);
  return paths;
}

// Waits for the visible window of the title, then the time it showed; afterwards
// (for ours) a key to the list and the time it took to be answered; then closes it.
struct Watch {
  double shown = 0, answered = 0;
  std::thread thread;
  Watch(const wchar_t* title, bool pressKey) {
    thread = std::thread([this, title, pressKey] {
      HWND window = nullptr;
      while (!(window = ::FindWindowW(nullptr, title)) || !::IsWindowVisible(window)) ::Sleep(0);
      shown = Now();
      if (pressKey) {
        HWND list = ::GetDlgItem(window, IDC_LAUNCHER_LIST);
        const double start = Now();
        ::PostMessageW(list, WM_KEYDOWN, VK_END, 1);
        while (::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) != kEntries - 1)
          ::Sleep(0);
        answered = Now() - start;
      }
      ::PostMessageW(window, WM_CLOSE, 0, 0);
    });
  }
  void Join() {
    if (thread.joinable()) thread.join();
  }
  ~Watch() { Join(); }
};

double Ours(const std::vector<std::wstring>& paths, double& answered) {
  static const auto run =
      zvtest::GetExport<int(WINAPI*)(CStringArray*, CStringArray*, CStringArray*, CStringArray*, int,
                                     const KEYASSIGN*)>(::LoadLibraryW(L"ZvDll.dll"), "OnLancher");
  CStringArray path, param, dir, key;
  for (int i = 0; i < kEntries; ++i) {
    path.Add(paths[i].c_str());
    param.Add(L"");
    dir.Add(L"C:\\");
    key.Add(i % 10 ? L"" : L"F2");
  }
  KEYASSIGN f2{VK_F2, L"F2"};
  Watch watch(L"ランチャー", true);
  const double start = Now();
  run(&path, &param, &dir, &key, 1, &f2);
  watch.Join();
  answered = watch.answered;
  return watch.shown - start;
}

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// What the launcher puts on the screen, done by hand: the image list, the
// columns, the rows with their sub-items.
double Bare(const std::vector<std::wstring>& paths) {
  Watch watch(L"bare list", false);
  const double start = Now();
  HWND window = ::CreateWindowExW(0, L"BareListWindow", L"bare list", WS_OVERLAPPEDWINDOW, 100, 100, 900, 400, nullptr,
                                  nullptr, nullptr, nullptr);
  HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0,
                                880, 380, window, nullptr, nullptr, nullptr);
  HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kEntries, kEntries);
  std::vector<int> index;
  for (const std::wstring& path : paths) {
    SHFILEINFOW info{};
    ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
    index.push_back(info.hIcon ? ::ImageList_AddIcon(images, info.hIcon) : kEntries);
    if (info.hIcon) ::DestroyIcon(info.hIcon);
  }
  ::SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  const wchar_t* headers[] = {L"ファイル名", L"フルパス", L"パラメータ", L"キー", L"作業ディレクトリ"};
  for (int c = 0; c < 5; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    column.pszText = const_cast<wchar_t*>(headers[c]);
    ::SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int i = 0; i < kEntries; ++i) {
    const std::wstring name = paths[i].substr(paths[i].rfind(L'\\') + 1);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(name.c_str());
    item.iImage = index[i];
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    const wchar_t* texts[] = {paths[i].c_str(), L"", i % 10 ? L"" : L"F2", L"C:\\"};
    for (int c = 1; c < 5; ++c) {
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = const_cast<wchar_t*>(texts[c - 1]);
      ::SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
  }
  ::ShowWindow(window, SW_SHOW);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  watch.Join();
  ::DestroyWindow(window);
  ::ImageList_Destroy(images);
  return watch.shown - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc == 2 ? _wtoi(argv[1]) : 5;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = BareProc;
  windowClass.lpszClassName = L"BareListWindow";
  ::RegisterClassW(&windowClass);
  const std::vector<std::wstring> paths = Programs();
  if (paths.empty()) {
    std::fprintf(stderr, "launcher_bench: no programs\n");
    return 1;
  }
  double ours = 1e9, bare = 1e9, answered = 1e9;
  for (int run = 0; run < runs; ++run) {
    double key = 0;
    ours = std::min(ours, Ours(paths, key));
    answered = std::min(answered, key);
    bare = std::min(bare, Bare(paths));
  }
  std::printf("%.1f %.1f %.1f\n", ours * 1000, bare * 1000, answered * 1000);
  return 0;
}
