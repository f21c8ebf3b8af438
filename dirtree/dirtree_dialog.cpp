#include "dirtree_dialog.h"

#include <afxdllx.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cstring_text.h"
#include "scoped_handle.h"

using zv::dirtree::CopyFailureMessage;
using zv::dirtree::CopyStep;
using zv::dirtree::kMaxDepth;

namespace {

constexpr wchar_t kNoMemory[] = L"メモリが足りません";

void FreeList(TREEPATH* head) {
  while (head) {
    TREEPATH* next = head->pNext;
    delete head;
    head = next;
  }
}

// The subfolder names of dir. A frame of its own, so that the find record is
// not kept on the stack by every level of the scan. False when memory ran out
// (the names found so far stay).
__attribute__((noinline)) bool CollectSubfolders(const CString& dir, std::vector<std::u16string>& names) {
  WIN32_FIND_DATAW find;
  const ScopedNoRedirectFind search(
      FindFirstFileNoRedirect(AsWide(zv::dirtree::JoinPath(AsUtf16(dir), u"*.*")), &find));
  if (!search.IsValid()) return true;
  try {
    do {
      if (ClassifyFindEntry(find) == 1) names.emplace_back(reinterpret_cast<const char16_t*>(find.cFileName));
    } while (::FindNextFileW(search.Get(), &find));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::u16string SystemAnsi(std::string_view ansi) {
  const std::string text(ansi);
  std::wstring wide(text.size() + 1, L'\0');
  const int converted = AnsiToWide(text.c_str(), wide.data());
  return converted > 0 ? std::u16string(reinterpret_cast<const char16_t*>(wide.data()), converted - 1) : u"";
}

// The whole file; false when it cannot be opened or read. The host may be
// writing it: it is shared for reading only.
bool ReadWholeFile(const CString& path, std::vector<uint8_t>& bytes) {
  const ScopedHandle file(CreateFileNoRedirect(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFF0) return false;
  try {
    bytes.assign(static_cast<size_t>(size.QuadPart), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t done = 0; done < bytes.size();) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
    if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

// Holds a list box's painting from construction to destruction, so that a
// tree of thousands of lines is drawn once instead of once per line.
class RedrawHeld {
 public:
  explicit RedrawHeld(CWnd* pList) : m_pList(pList) { m_pList->SendMessage(WM_SETREDRAW, FALSE); }
  ~RedrawHeld() {
    m_pList->SendMessage(WM_SETREDRAW, TRUE);
    m_pList->Invalidate();
  }
  RedrawHeld(const RedrawHeld&) = delete;
  RedrawHeld& operator=(const RedrawHeld&) = delete;

 private:
  CWnd* m_pList;
};

// The widths of texts in a window's font, for a list box's horizontal scroll range.
class TextMeasure {
 public:
  explicit TextMeasure(CWnd* pWindow) : m_window(pWindow->m_hWnd), m_dc(::GetDC(m_window)) {
    if (const auto font = reinterpret_cast<HFONT>(pWindow->SendMessage(WM_GETFONT))) {
      m_fontBefore = ::SelectObject(m_dc, font);
    }
  }
  ~TextMeasure() {
    if (m_fontBefore) ::SelectObject(m_dc, m_fontBefore);
    ::ReleaseDC(m_window, m_dc);
  }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // The wider of widest and text's width. Every line is measured: next to the
  // search that found its folder, that costs little.
  int Wider(int widest, const std::u16string& text) const {
    SIZE size{};
    ::GetTextExtentPoint32W(m_dc, AsWide(text), static_cast<int>(text.size()), &size);
    return std::max(widest, static_cast<int>(size.cx));
  }

 private:
  HWND m_window;
  HDC m_dc;
  HGDIOBJ m_fontBefore = nullptr;
};

// Hands memory to the clipboard as its CF_UNICODETEXT. The step that failed,
// if one did: the memory is then still the caller's.
std::optional<CopyStep> HandToClipboard(HWND owner, HGLOBAL memory) {
  if (!::OpenClipboard(owner)) return CopyStep::kOpen;
  std::optional<CopyStep> failed;
  if (!::EmptyClipboard()) {
    failed = CopyStep::kEmpty;
  } else if (!::SetClipboardData(CF_UNICODETEXT, memory)) {
    failed = CopyStep::kSetData;
  }
  ::CloseClipboard();
  return failed;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDirtreeDlg, CDialog)
ON_LBN_SELCHANGE(IDC_DIRTREE_TREE, &CDirtreeDlg::OnSelectTree)
ON_LBN_DBLCLK(IDC_DIRTREE_TREE, &CDirtreeDlg::OnGoto)
ON_BN_CLICKED(IDC_DIRTREE_GOTO, &CDirtreeDlg::OnGoto)
ON_BN_CLICKED(IDC_DIRTREE_COPY, &CDirtreeDlg::OnCopy)
ON_BN_CLICKED(IDC_DIRTREE_RELOAD, &CDirtreeDlg::OnReload)
END_MESSAGE_MAP()

CDirtreeDlg::CDirtreeDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CDirtreeDlg::~CDirtreeDlg() {
  if (m_bStarted) SettleList();
}

void CDirtreeDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CDirtreeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pTreeList = GetDlgItem(IDC_DIRTREE_TREE);
  m_pFileList = GetDlgItem(IDC_DIRTREE_FILES);
  m_bStarted = true;
  StartLines();
  if (!LoadTree()) ScanRoot();
  return TRUE;
}

TREEPATH** CDirtreeDlg::CacheSlot() const {
  if (!m_ppTreeCache || !IsPathRoot(m_strRoot)) return nullptr;
  const wchar_t letter = static_cast<wchar_t>(::towupper(m_strRoot[0]));
  return letter >= L'A' && letter <= L'Z' ? &m_ppTreeCache[letter - L'A'] : nullptr;
}

BOOL CDirtreeDlg::AppendPath(const CString& path) {
  auto* node = new (std::nothrow) TREEPATH;
  if (!node) {
    Message(kNoMemory);
    return FALSE;
  }
  wcsncpy_s(node->szPath, std::size(node->szPath), path, _TRUNCATE);
  node->pNext = nullptr;
  (m_pTail ? m_pTail->pNext : m_pHead) = node;
  m_pTail = node;
  return TRUE;
}

void CDirtreeDlg::StartLines() {
  m_pTreeList->SendMessage(LB_RESETCONTENT);
  m_nTreeExtent = 0;
  AddLines({std::u16string(AsUtf16(m_strRoot))});
}

void CDirtreeDlg::AddLines(const std::vector<std::u16string>& lines) {
  RedrawHeld held(m_pTreeList);
  const TextMeasure measure(m_pTreeList);
  // Room for every line at once: the list box otherwise grows its arrays a few items at a time.
  const LRESULT count = m_pTreeList->SendMessage(LB_GETCOUNT);
  m_pTreeList->SendMessage(LB_INITSTORAGE, lines.size(), lines.size() * 64 + static_cast<size_t>(count));
  for (const std::u16string& line : lines) {
    m_pTreeList->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(line)));
    m_nTreeExtent = measure.Wider(m_nTreeExtent, line);
  }
  // A few pixels more for the margin the list box leaves left of its text.
  m_pTreeList->SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_nTreeExtent + 4));
}

BOOL CDirtreeDlg::LoadTree() {
  using zv::dirtree::TreeSource;
  TREEPATH** slot = CacheSlot();
  const wchar_t letter = slot ? static_cast<wchar_t>(L'A' + (slot - m_ppTreeCache)) : L'\0';
  const wchar_t drive[] = {letter, L':', L'\\', L'\0'};
  m_plan = zv::dirtree::PlanTree(slot != nullptr, m_bUseTreeFile, m_bKeepTree, slot && *slot,
                                 slot && ::GetDriveTypeW(drive) == DRIVE_FIXED);
  if (m_plan.source == TreeSource::kScan) return FALSE;
  if (m_plan.source == TreeSource::kHostList) {
    m_pHead = m_pTail = *slot;
    while (m_pTail->pNext) m_pTail = m_pTail->pNext;
  } else if (m_plan.source == TreeSource::kCacheFile) {
    CString file;
    file.Format(L"%s\\%c_TREE.DAT", m_pszTreeFileDir ? m_pszTreeFileDir : L"", letter);
    if (!PathExistsExactName(file, nullptr) || !ReadTreeFile(file)) return FALSE;
  }
  std::vector<std::u16string_view> paths;
  for (const TREEPATH* node = m_pHead; node; node = node->pNext) paths.push_back(AsUtf16(node->szPath));
  AddLines(zv::dirtree::DrawLines(paths));
  return TRUE;
}

BOOL CDirtreeDlg::ReadTreeFile(const CString& path) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return FALSE;
  const std::u16string text = zv::dirtree::DecodeCacheText(bytes, SystemAnsi);
  for (const std::u16string_view line : zv::dirtree::CachePaths(text)) {
    if (!AppendPath(ToCString(line))) break;
  }
  return TRUE;
}

void CDirtreeDlg::ScanRoot() {
  std::fill(std::begin(m_moreBelow), std::end(m_moreBelow), false);
  m_scannedLines.clear();
  ScanDirectory(m_strRoot, 0);
  AddLines(m_scannedLines);
  m_scannedLines = {};
}

BOOL CDirtreeDlg::ScanDirectory(const CString& dir, int depth) {
  if (depth >= kMaxDepth) {
    Message(L"階層が深いため表示できません");
    return FALSE;
  }
  std::vector<std::u16string> names;
  const bool complete = CollectSubfolders(dir, names);
  if (!complete) Message(kNoMemory);
  // Left out before the branch marks are decided: a path too long for a node.
  std::erase_if(names, [&](const std::u16string& name) {
    return !zv::dirtree::FitsNode(zv::dirtree::JoinPath(AsUtf16(dir), name));
  });
  zv::dirtree::SortNames(names);
  for (size_t i = 0; i < names.size(); ++i) {
    const bool later = i + 1 < names.size();
    const CString path = ToCString(zv::dirtree::JoinPath(AsUtf16(dir), names[i]));
    // The node first: line n must stay the n-th node.
    if (!AppendPath(path)) break;
    m_scannedLines.push_back(zv::dirtree::TreeLine({m_moreBelow, static_cast<size_t>(depth)}, later, names[i]));
    m_moreBelow[depth] = later;
    if (!ScanDirectory(path, depth + 1)) break;
  }
  return complete;
}

bool CDirtreeDlg::PathOfLine(int index, CString& path) const {
  if (index < 0) return false;
  if (index == 0) {
    path = m_strRoot;
    return true;
  }
  const TREEPATH* node = m_pHead;
  for (int n = 1; node && n < index; ++n) node = node->pNext;
  if (!node) return false;
  path = node->szPath;
  return true;
}

void CDirtreeDlg::OnGoto() {
  const int index = static_cast<int>(m_pTreeList->SendMessage(LB_GETCARETINDEX));
  if (!PathOfLine(index, m_strResult)) return;
  EndDialog(IDC_DIRTREE_GOTO);
}

void CDirtreeDlg::OnSelectTree() {
  m_pFileList->SendMessage(LB_RESETCONTENT);
  CString dir;
  if (!PathOfLine(static_cast<int>(m_pTreeList->SendMessage(LB_GETCARETINDEX)), dir)) return;
  WIN32_FIND_DATAW find;
  const ScopedNoRedirectFind search(
      FindFirstFileNoRedirect(AsWide(zv::dirtree::JoinPath(AsUtf16(dir), u"*.*")), &find));
  if (!search.IsValid()) return;
  RedrawHeld held(m_pFileList);
  do {
    if (ClassifyFindEntry(find) == 0)
      m_pFileList->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(find.cFileName));
  } while (::FindNextFileW(search.Get(), &find));
}

void CDirtreeDlg::OnReload() {
  TREEPATH** slot = CacheSlot();
  if (slot && *slot != m_pHead) FreeList(*slot);
  FreeList(m_pHead);
  m_pHead = m_pTail = nullptr;
  if (slot) *slot = nullptr;
  StartLines();
  ScanRoot();
}

void CDirtreeDlg::OnCopy() {
  const int count = static_cast<int>(m_pTreeList->SendMessage(LB_GETCOUNT));
  std::vector<int> selected(static_cast<size_t>(std::max(count, 0)) + 1);
  const int chosen = static_cast<int>(
      m_pTreeList->SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selected.data())));
  if (chosen <= 0) return;
  selected.resize(static_cast<size_t>(chosen));
  std::sort(selected.begin(), selected.end());
  size_t total = 0;
  for (const int index : selected) total += static_cast<size_t>(m_pTreeList->SendMessage(LB_GETTEXTLEN, index)) + 2;

  // Zero-filled, with room to spare: the zeros end the text.
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, ((total + 10) * 2 / 16 + 1) * 16);
  auto* text = memory ? static_cast<wchar_t*>(::GlobalLock(memory)) : nullptr;
  if (!text) {
    if (memory) ::GlobalFree(memory);
    Message(ToCString(CopyFailureMessage(CopyStep::kAllocate)));
    return;
  }
  wchar_t* at = text;
  for (const int index : selected) {
    at += m_pTreeList->SendMessage(LB_GETTEXT, index, reinterpret_cast<LPARAM>(at));
    *at++ = L'\r';
    *at++ = L'\n';
  }
  ::GlobalUnlock(memory);
  if (const auto failed = HandToClipboard(m_hWnd, memory)) {
    ::GlobalFree(memory);
    Message(ToCString(CopyFailureMessage(*failed)));
  }
}

void CDirtreeDlg::SettleList() {
  TREEPATH** slot = CacheSlot();
  // A list the host held that this dialog did not take would be lost otherwise.
  if (slot && *slot != m_pHead) FreeList(*slot);
  if (slot && m_plan.keep) {
    *slot = m_pHead;
  } else {
    FreeList(m_pHead);
    if (slot) *slot = nullptr;
  }
  m_pHead = m_pTail = nullptr;
}

int WINAPI ZvDirTreeDlg(DIRTREEPARAM* pParam) noexcept {
  return ExportBoundary(0, [&] {
    if (!pParam) return 0;
    CDirtreeDlg dialog;
    dialog.m_strRoot = CString(pParam->szRoot, static_cast<int>(wcsnlen(pParam->szRoot, std::size(pParam->szRoot))));
    dialog.m_bUseTreeFile = pParam->bUseTreeFile;
    dialog.m_bKeepTree = pParam->bKeepTree;
    dialog.m_ppTreeCache = pParam->ppTreeCache;
    dialog.m_pszTreeFileDir = pParam->pszTreeFileDir;
    if (dialog.DoModal() != IDC_DIRTREE_GOTO) return 0;
    wcsncpy_s(pParam->szResult, std::size(pParam->szResult), dialog.m_strResult, _TRUNCATE);
    return 1;
  });
}
