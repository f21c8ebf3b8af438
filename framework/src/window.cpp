// Windows: the handle maps, the window procedure, message maps and message boxes.
#include <afxwin.h>

#include <unordered_map>
#include <vector>

#include "internal.h"

namespace {

// Windows owned by framework objects, for every thread.
SRWLOCK g_permanentLock = SRWLOCK_INIT;
std::unordered_map<HWND, CWnd*>& PermanentMap() {
  static auto* map = new std::unordered_map<HWND, CWnd*>();  // outlives every module's windows
  return *map;
}

}  // namespace

// Per thread: the wrappers made by FromHandle for windows nobody owns, and the creation hook.
struct zvfw::ThreadData {
  std::unordered_map<HWND, CWnd*> temporaries;
  int tempMapLock = 0;
  HHOOK createHook = nullptr;
  int createHookDepth = 0;
  CWnd* pWndInit = nullptr;
};

namespace {

using zvfw::ThreadData;

ThreadData& Data() {
  ThreadData* data = zvfw::Slots().data.Get();
  if (!data) {
    data = new ThreadData();
    zvfw::Slots().data.Set(data);
  }
  return *data;
}

void DeleteTemporaries(ThreadData& data, bool onlyDead) {
  for (auto it = data.temporaries.begin(); it != data.temporaries.end();) {
    if (onlyDead && ::IsWindow(it->first)) {
      ++it;
      continue;
    }
    it->second->m_hWnd = nullptr;  // a wrapper never destroys the window it wraps
    delete it->second;
    it = data.temporaries.erase(it);
  }
}

bool IsWindowCommand(UINT nMessage) { return nMessage == WM_COMMAND || nMessage == WM_NOTIFY; }

// An owner-drawn control of ours draws itself: the parent hands it the message.
BOOL ReflectToControl(HWND hWndParent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  HWND control = nullptr;
  if (message == WM_DRAWITEM) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType != ODT_MENU) control = draw->hwndItem;
  } else if (message == WM_MEASUREITEM) {
    const auto* measure = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
    if (measure->CtlType != ODT_MENU) control = ::GetDlgItem(hWndParent, static_cast<int>(measure->CtlID));
  }
  CWnd* pControl = CWnd::FromHandlePermanent(control);
  return pControl && pControl->OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
}

}  // namespace

namespace zvfw {

void ReleaseThreadData() {
  ThreadData* data = Slots().data.Get();
  if (!data) return;
  DeleteTemporaries(*data, false);
  if (data->createHook) ::UnhookWindowsHookEx(data->createHook);
  delete data;
  Slots().data.Set(nullptr);
}

void MapPermanent(HWND hWnd, CWnd* pWnd) {
  ::AcquireSRWLockExclusive(&g_permanentLock);
  PermanentMap()[hWnd] = pWnd;
  ::ReleaseSRWLockExclusive(&g_permanentLock);
}

void UnmapPermanent(HWND hWnd) {
  ::AcquireSRWLockExclusive(&g_permanentLock);
  PermanentMap().erase(hWnd);
  ::ReleaseSRWLockExclusive(&g_permanentLock);
}

HWND DefaultOwner() {
  HWND active = ::GetActiveWindow();
  if (!active) return nullptr;
  HWND root = ::GetAncestor(active, GA_ROOTOWNER);
  return root ? ::GetLastActivePopup(root) : active;
}

HWND ModalOwner(CWnd* pParentWnd) {
  HWND owner = pParentWnd ? pParentWnd->GetSafeHwnd() : DefaultOwner();
  if (owner && (::GetWindowLongPtrW(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetAncestor(owner, GA_ROOT);
  return owner;
}

void PruneTemporaries() {
  ThreadData& data = Data();
  if (data.tempMapLock == 0) DeleteTemporaries(data, true);
}

bool PreTranslateUpTo(HWND hWndStop, MSG* pMsg) {
  for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd && pWnd->PreTranslateMessage(pMsg)) return true;
    if (hWnd == hWndStop) break;
  }
  return false;
}

bool IdleRule::ResumesIdle(const MSG& msg) {
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
    const bool same = m_lastMouseMessage == msg.message && m_lastMouse.x == msg.pt.x && m_lastMouse.y == msg.pt.y;
    m_lastMouse = msg.pt;
    m_lastMouseMessage = msg.message;
    return !same;
  }
  return msg.message != WM_PAINT && msg.message != 0x0118;  // WM_SYSTIMER
}

}  // namespace zvfw

void AFXAPI AfxLockTempMaps() { ++Data().tempMapLock; }

BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps) {
  ThreadData& data = Data();
  if (data.tempMapLock == 0 || --data.tempMapLock != 0 || !bDeleteTemps) return FALSE;
  DeleteTemporaries(data, false);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Message maps.

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID) {
  for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = pMap->lpEntries; entry->pfnDispatch; ++entry) {
      if (entry->nMessage != nMsg) continue;
      if (!IsWindowCommand(nMsg)) return entry;
      if (entry->nCode == nCode && entry->nID <= nID && nID <= entry->nLastID) return entry;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, void* pHandlerInfo) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
  if (!entry) return FALSE;
  if (!pHandlerInfo) entry->pfnDispatch(this, MAKEWPARAM(nID, nCode), 0);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Handle maps and subclassing.

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    if (m_pfnSuper && (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
      UnsubclassWindow();  // a control outliving its object keeps working for its dialog
    } else {
      DestroyWindow();
    }
  }
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd) {
  if (!hWnd) return nullptr;
  ::AcquireSRWLockShared(&g_permanentLock);
  const auto& map = PermanentMap();
  const auto it = map.find(hWnd);
  CWnd* found = it == map.end() ? nullptr : it->second;
  ::ReleaseSRWLockShared(&g_permanentLock);
  return found;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(hWnd)) return permanent;
  CWnd*& temporary = Data().temporaries[hWnd];
  if (!temporary) temporary = new CWnd(hWnd);
  return temporary;
}

BOOL CWnd::Attach(HWND hWndNew) {
  if (!hWndNew || m_hWnd) return FALSE;
  m_hWnd = hWndNew;
  zvfw::MapPermanent(hWndNew, this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hWnd = m_hWnd;
  if (hWnd) zvfw::UnmapPermanent(hWnd);
  m_hWnd = nullptr;
  return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!Attach(hWnd)) return FALSE;
  WNDPROC proc = AfxGetModuleState()->m_pfnAfxWndProc;
  m_pfnSuper = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
  if (!m_pfnSuper) {
    Detach();
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND control = ::GetDlgItem(pParent->GetSafeHwnd(), static_cast<int>(nID));
  return control && SubclassWindow(control);
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND hWnd = m_hWnd;
  const BOOL permanent = FromHandlePermanent(hWnd) == this;
  const BOOL result = ::DestroyWindow(hWnd);
  // A window we did not subclass never sends us WM_NCDESTROY.
  if (!permanent || m_hWnd == hWnd) Detach();
  return result;
}

// ---------------------------------------------------------------------------
// The window procedure.

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (!pWnd) return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
  try {
    return pWnd->HandleMessage(nMsg, wParam, lParam);
  } catch (...) {
    // Nothing thrown may pass into the system's message dispatch.
    return 0;
  }
}

LRESULT CWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY && m_hWnd) {
    HWND hWnd = m_hWnd;
    if (m_pfnSuper) ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();
  }
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *pResult = 1;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    LRESULT result = 0;
    if (!OnNotify(wParam, lParam, &result)) return FALSE;
    *pResult = result;
    return TRUE;
  }
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message, 0, 0);
  if (!entry) return ReflectToControl(m_hWnd, message, wParam, lParam, pResult);
  *pResult = entry->pfnDispatch(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  int nCode = HIWORD(wParam);
  if (lParam == 0 && nCode == 1) nCode = 0;  // an accelerator is a plain command
  return OnCmdMsg(LOWORD(wParam), nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header) return FALSE;
  const AFX_MSGMAP_ENTRY* entry =
      FindMessageEntry(GetMessageMap(), WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom));
  if (!entry) return FALSE;
  *pResult = entry->pfnDispatch(this, 0, lParam);
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }
void CWnd::PostNcDestroy() {}
void CWnd::DoDataExchange(CDataExchange*) {}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

void CWnd::GetWindowText(CString& rString) const {
  const int length = ::GetWindowTextLengthW(m_hWnd);
  ::GetWindowTextW(m_hWnd, rString.GetBuffer(length + 1), length + 1);
  rString.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  HWND control = ::GetDlgItem(m_hWnd, nID);
  if (!control) return 0;
  const int length = ::GetWindowTextLengthW(control);
  ::GetWindowTextW(control, rString.GetBuffer(length + 1), length + 1);
  rString.ReleaseBuffer();
  return rString.GetLength();
}

// ---------------------------------------------------------------------------
// Window creation hook: attaches and subclasses the window before its first message.

namespace {

LRESULT CALLBACK CreationHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  ThreadData& data = Data();
  if (nCode == HCBT_CREATEWND && data.pWndInit) {
    CWnd* pWnd = data.pWndInit;
    data.pWndInit = nullptr;
    pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
  }
  return ::CallNextHookEx(data.createHook, nCode, wParam, lParam);
}

}  // namespace

void AFXAPI AfxHookWindowCreate(CWnd* pWnd) {
  ThreadData& data = Data();
  if (data.createHookDepth++ == 0) {
    data.createHook = ::SetWindowsHookExW(WH_CBT, CreationHookProc, nullptr, ::GetCurrentThreadId());
  }
  data.pWndInit = pWnd;
}

BOOL AFXAPI AfxUnhookWindowCreate() {
  ThreadData& data = Data();
  const BOOL attached = data.pWndInit == nullptr;
  data.pWndInit = nullptr;
  if (data.createHookDepth > 0 && --data.createHookDepth == 0 && data.createHook) {
    ::UnhookWindowsHookEx(data.createHook);
    data.createHook = nullptr;
  }
  return attached;
}

// ---------------------------------------------------------------------------
// Message boxes.

int CWnd::MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType) {
  return ::MessageBoxW(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

int AFXAPI AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
  // Like the framework's own boxes: an icon by kind when the caller chose none.
  if ((nType & MB_ICONMASK) == 0) {
    switch (nType & MB_TYPEMASK) {
      case MB_OK:
      case MB_OKCANCEL:
        nType |= MB_ICONEXCLAMATION;
        break;
      case MB_YESNO:
      case MB_YESNOCANCEL:
        nType |= MB_ICONQUESTION;
        break;
      default:
        break;
    }
  }
  return ::MessageBoxW(zvfw::DefaultOwner(), lpszText, AfxGetAppName(), nType);
}
