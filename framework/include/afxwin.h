// The framework layer's core: module state, application and thread objects,
// windows with message maps, modal dialogs and dialog data exchange. The names
// and the behaviour are those of the Windows application framework that the
// library was written against; only what the library relies on is here.
#pragma once

#include "afxver_.h"

#include <atomic>
#include <type_traits>

#include "afxcoll.h"
#include "afxstr.h"

class CCmdTarget;
class CWnd;
class CDialog;
class CWinThread;
class CWinApp;
class CDynLinkLibrary;
class CDataExchange;

// ---------------------------------------------------------------------------
// Module state: one per module (the process base state serves the executable).

struct AFX_MODULE_STATE {
  // Constant-initialised: an extension module's state must be usable before the
  // runtime has constructed anything in that module.
  constexpr AFX_MODULE_STATE(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion)
      : m_bDLL(bDLL), m_pfnAfxWndProc(pfnAfxWndProc), m_dwVersion(dwVersion) {}
  AFX_MODULE_STATE(const AFX_MODULE_STATE&) = delete;
  AFX_MODULE_STATE& operator=(const AFX_MODULE_STATE&) = delete;

  CWinApp* m_pCurrentWinApp = nullptr;
  HINSTANCE m_hCurrentInstanceHandle = nullptr;
  HINSTANCE m_hCurrentResourceHandle = nullptr;
  LPCWSTR m_lpszCurrentAppName = nullptr;
  BOOL m_bDLL;
  BOOL m_bSystem = FALSE;
  WNDPROC m_pfnAfxWndProc;  // makes this state current around every message
  DWORD m_dwVersion;
  CDynLinkLibrary* m_pLibraryList = nullptr;  // extension modules, newest first
};

ZVFW_API AFX_MODULE_STATE* AFXAPI AfxGetModuleState();
// Makes pNewState current on this thread and returns the previous one.
ZVFW_API AFX_MODULE_STATE* AFXAPI AfxSetModuleState(AFX_MODULE_STATE* pNewState);
// Defined by the glue library linked into each extension DLL: that module's own state.
AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState();

// Makes a module state current for a scope; nests, and restores on every way out.
class ZVFW_API AFX_MAINTAIN_STATE2 {
 public:
  explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState);
  ~AFX_MAINTAIN_STATE2();
  AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
  AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

 private:
  AFX_MODULE_STATE* m_pPrevModuleState;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

ZVFW_API HINSTANCE AFXAPI AfxGetInstanceHandle();
ZVFW_API HINSTANCE AFXAPI AfxGetResourceHandle();
ZVFW_API void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
ZVFW_API LPCWSTR AFXAPI AfxGetAppName();
ZVFW_API CWinApp* AFXAPI AfxGetApp();
ZVFW_API CWnd* AFXAPI AfxGetMainWnd();
// The module holding a resource: the current module, then its extension chain.
ZVFW_API HINSTANCE AFXAPI AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);

// Extension-module registration: what lets resource lookup find a module's resources.
struct AFX_EXTENSION_MODULE {
  BOOL bInitialized;
  HMODULE hModule;
  HMODULE hResource;
};
ZVFW_API BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Deletes the CDynLinkLibrary records of the module (of every module with bAll).
ZVFW_API void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

// ---------------------------------------------------------------------------
// Objects and message maps.

class ZVFW_API CObject {
 public:
  virtual ~CObject() = default;

 protected:
  CObject() = default;
};

// A handler entry: the dispatch function casts the target back to the class
// that declared the map and calls the member with the message's arguments.
using AFX_PMSGDISPATCH = LRESULT (*)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message; WM_COMMAND and WM_NOTIFY carry a code and an id range
  UINT nCode;
  UINT nID;
  UINT nLastID;
  AFX_PMSGDISPATCH pfnDispatch;  // null ends the table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

class ZVFW_API CCmdTarget : public CObject {
 public:
  // Routes a command (WM_COMMAND id and notification code) through the message maps.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

 protected:
  // The first entry of the map chain that handles the message, or null.
  static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID);
};

namespace afx_dispatch {
template <class>
struct member_class;
template <class C, class F>
struct member_class<F C::*> {
  using type = C;
};
template <auto Fn>
using owner_t = typename member_class<decltype(Fn)>::type;

template <auto Fn>
LRESULT Command(CCmdTarget* p, WPARAM, LPARAM) {
  (static_cast<owner_t<Fn>*>(p)->*Fn)();
  return 0;
}
template <auto Fn>
LRESULT CommandRange(CCmdTarget* p, WPARAM wParam, LPARAM) {
  (static_cast<owner_t<Fn>*>(p)->*Fn)(LOWORD(wParam));
  return 0;
}
template <auto Fn>
LRESULT Notify(CCmdTarget* p, WPARAM, LPARAM lParam) {
  LRESULT result = 0;
  (static_cast<owner_t<Fn>*>(p)->*Fn)(reinterpret_cast<NMHDR*>(lParam), &result);
  return result;
}
template <auto Fn>
LRESULT Message(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
  return (static_cast<owner_t<Fn>*>(p)->*Fn)(wParam, lParam);
}
template <auto Fn>
LRESULT Timer(CCmdTarget* p, WPARAM wParam, LPARAM) {
  (static_cast<owner_t<Fn>*>(p)->*Fn)(static_cast<UINT_PTR>(wParam));
  return 0;
}
template <auto Fn>
LRESULT DrawItem(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
  (static_cast<owner_t<Fn>*>(p)->*Fn)(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  return TRUE;
}
}  // namespace afx_dispatch

// The notification code OnCmdMsg sees for a menu, accelerator or posted command.
#define CN_COMMAND 0

#define DECLARE_MESSAGE_MAP()                          \
 protected:                                            \
  static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() {                          \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static_assert(std::is_base_of_v<TheBaseClass, ThisClass>);                      \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                   \
  { 0, 0, 0, 0, nullptr }                                                                   \
  }                                                                                         \
  ;                                                                                         \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries}; \
  return &messageMap;                                                                       \
  }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, (UINT)(id), (UINT)(id), &afx_dispatch::Command<memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND, 0, (UINT)(id), (UINT)(idLast), &afx_dispatch::CommandRange<memberFxn>},
#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), (UINT)(id), &afx_dispatch::Command<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn) \
  {WM_NOTIFY, (UINT)(code), (UINT)(id), (UINT)(id), &afx_dispatch::Notify<memberFxn>},
#define ON_MESSAGE(message, memberFxn) {(UINT)(message), 0, 0, 0, &afx_dispatch::Message<memberFxn>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, &afx_dispatch::Timer<&ThisClass::OnTimer>},
#define ON_WM_DRAWITEM() {WM_DRAWITEM, 0, 0, 0, &afx_dispatch::DrawItem<&ThisClass::OnDrawItem>},

// Sent to a modal dialog while its loop is idle (wParam MSGF_DIALOGBOX, lParam the idle count).
#define WM_KICKIDLE 0x036A

// ---------------------------------------------------------------------------
// Threads and the application object.

class ZVFW_API CWinThread : public CCmdTarget {
 public:
  CWinThread();
  ~CWinThread() override;
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Starts InitInstance on a new thread; the new thread starts with the creator's module state.
  BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
  DWORD ResumeThread();
  BOOL SetThreadPriority(int nPriority);
  BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);

  virtual BOOL InitInstance();
  // Pumps the thread's messages, calling OnIdle while it asks for more, until WM_QUIT.
  virtual int Run();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual BOOL OnIdle(LONG lCount);
  virtual int ExitInstance();
  virtual BOOL PumpMessage();
  virtual void Delete();  // deletes the object when m_bAutoDelete is set

  CWnd* m_pMainWnd = nullptr;
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;  // kept open until the object is destroyed
  DWORD m_nThreadID = 0;

 protected:
  MSG m_msgCur = {};

 private:
  static unsigned __stdcall ThreadEntry(void* pParam);
  AFX_MODULE_STATE* m_pStartupModuleState = nullptr;
};

// Ends the calling framework thread with nExitCode. It unwinds to the thread's
// start routine, so destructors of everything on the thread's stack still run
// (held locks are released). Call it from thread code, never from a window procedure.
[[noreturn]] ZVFW_API void AFXAPI AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);
ZVFW_API CWinThread* AFXAPI AfxGetThread();

class ZVFW_API CWinApp : public CWinThread {
 public:
  explicit CWinApp(LPCWSTR lpszAppName = nullptr);
  ~CWinApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  LPCWSTR m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;

 private:
  CString m_strAppName;
  friend BOOL AFXAPI AfxWinInit(HINSTANCE, HINSTANCE, LPWSTR, int);
};

// Binds the current module state to its instance and application name.
ZVFW_API BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
ZVFW_API void AFXAPI AfxWinTerm();
// The calling thread's temporary window objects (FromHandle) live while it holds a lock.
ZVFW_API void AFXAPI AfxLockTempMaps();
// Releases a lock; when it was the last, bDeleteTemps deletes the temporary objects.
ZVFW_API BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps = TRUE);

// Registers an extension module's resources with the module state current at construction.
class ZVFW_API CDynLinkLibrary : public CCmdTarget {
 public:
  explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
  ~CDynLinkLibrary() override;
  CDynLinkLibrary(const CDynLinkLibrary&) = delete;
  CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;
  CDynLinkLibrary* m_pNextDLL = nullptr;

 private:
  AFX_MODULE_STATE* m_pModuleState;
};

// ---------------------------------------------------------------------------
// Windows.

class ZVFW_API CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object owning hWnd, or a temporary wrapper valid until the temporary objects are released.
  static CWnd* PASCAL FromHandle(HWND hWnd);
  static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  // Routes an existing window's messages through this object's message map.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();

  BOOL DestroyWindow();

  // Thin wrappers of the window functions used by the tools.
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
  }
  void CheckDlgButton(int nID, UINT nCheck) { ::CheckDlgButton(m_hWnd, nID, nCheck); }
  UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
  void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck) {
    ::CheckRadioButton(m_hWnd, nIDFirst, nIDLast, nIDCheck);
  }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
  }
  void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
  void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
  }
  BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

  // A message box owned by this window; a null caption shows the current module's application name.
  int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK);

  // Dialog data exchange between the members and the controls.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the last message of the window; the object no longer owns a window.
  virtual void PostNcDestroy();

 protected:
  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before we subclassed it

 private:
  friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// The framework's window procedure; each module reaches it through its own
// procedure, which makes that module's state current first.
ZVFW_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// Windows created on this thread until the unhook are attached to pWnd and subclassed.
ZVFW_API void AFXAPI AfxHookWindowCreate(CWnd* pWnd);
ZVFW_API BOOL AFXAPI AfxUnhookWindowCreate();

ZVFW_API int AFXAPI AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// ---------------------------------------------------------------------------
// GDI: fonts and device contexts.

class ZVFW_API CFont : public CObject {
 public:
  CFont() = default;
  ~CFont() override;  // deletes the font it owns
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
  BOOL DeleteObject();
  HFONT GetSafeHandle() const { return m_hObject; }
  operator HFONT() const { return m_hObject; }

  HFONT m_hObject = nullptr;
};

// A device context. The output and attribute handles are the same here (no
// print preview); metrics are read from the attribute handle.
class ZVFW_API CDC : public CObject {
 public:
  CDC() = default;
  ~CDC() override;  // deletes an attached DC
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  BOOL Attach(HDC hDC);
  HDC Detach();
  BOOL DeleteDC();
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }

  // The font selected before; a pointer valid while this object lives.
  CFont* SelectObject(CFont* pFont);
  BOOL GetTextMetrics(LPTEXTMETRICW lpMetrics) const { return ::GetTextMetricsW(m_hAttribDC, lpMetrics); }
  BOOL TextOut(int x, int y, LPCWSTR lpszString, int nCount) { return ::TextOutW(m_hDC, x, y, lpszString, nCount); }
  // Each character placed lpDxWidths[i] after the one before it.
  BOOL ExtTextOut(int x, int y, LPCWSTR lpszString, UINT nCount, const int* lpDxWidths) {
    return ::ExtTextOutW(m_hDC, x, y, 0, nullptr, lpszString, nCount, lpDxWidths);
  }
  COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
  COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
  // Fills the rectangle with one colour; the background colour is left at it.
  void FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    ::SetBkColor(m_hDC, clr);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
  }
  int SetMapMode(int nMapMode) { return ::SetMapMode(m_hDC, nMapMode); }
  SIZE SetWindowExt(int cx, int cy);
  SIZE SetViewportExt(int cx, int cy);
  int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hAttribDC, nIndex); }
  // Device pixels to 0.01 mm, against the device's pixels per logical inch.
  void DPtoHIMETRIC(LPSIZE lpSize) const;

  int StartDoc(LPDOCINFOW lpDocInfo) { return ::StartDocW(m_hDC, lpDocInfo); }
  int StartPage() { return ::StartPage(m_hDC); }
  int EndPage() { return ::EndPage(m_hDC); }
  int EndDoc() { return ::EndDoc(m_hDC); }
  int AbortDoc() { return ::AbortDoc(m_hDC); }

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;

 private:
  CFont* m_pSelectedFont = nullptr;  // the last font selected through this object
  CFont m_fontBefore;                // wraps, never owns, a font that was not ours
};

// ---------------------------------------------------------------------------
// Dialogs.

class ZVFW_API CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Runs the dialog from its template (found through the module state) in the
  // framework's modal loop; returns the EndDialog code, or -1 when it could not be created.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);
  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void SetDefID(UINT nID) { ::SendMessageW(m_hWnd, DM_SETDEFID, nID, 0); }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  DECLARE_MESSAGE_MAP()

 protected:
  LPCWSTR m_lpszTemplateName;
  UINT m_nIDHelp;
  CWnd* m_pParentWnd;

 private:
  friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
  void RunModalLoop();
  BOOL m_bContinueModal = FALSE;
  INT_PTR m_nModalResult = -1;
};

ZVFW_API INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------
// Dialog data exchange. A failed validation shows its message, marks the
// exchange failed and leaves the focus on the control; UpdateData then returns FALSE.

class ZVFW_API CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  void Fail();

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;
  BOOL m_bFailed = FALSE;
};

ZVFW_API void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
ZVFW_API void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
ZVFW_API void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// value is the index of the checked button of the group starting at nIDC, -1 for none.
ZVFW_API void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
ZVFW_API void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Limits the edit control last exchanged to nChars characters.
ZVFW_API void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);

// ---------------------------------------------------------------------------
// List boxes.

// Owner-draw messages a parent does not handle itself go to the control's own
// map as WM_REFLECT_BASE + message (ON_MESSAGE), so a control draws itself.
#define WM_REFLECT_BASE 0xBC00

class ZVFW_API CListBox : public CWnd {
 public:
  int AddString(LPCWSTR lpszItem) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, (LPARAM)lpszItem)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetItemHeight(int nIndex, UINT cyItemHeight) {
    return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, nIndex, MAKELPARAM(cyItemHeight, 0)));
  }
  int GetItemHeight(int nIndex) const { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, nIndex)); }
  void GetText(int nIndex, CString& rString) const;
};

// A list box with a check box in front of each item; its template style must
// be LBS_OWNERDRAWFIXED | LBS_HASSTRINGS. The check of an item is an int kept
// as it was set: 0 shows clear, 2 indeterminate (three-state styles only: a
// two-state box ignores SetCheck(…, 2)), and every other value checked. A
// click on the box or the space bar cycles an automatic style (0 → 1 → 0,
// three-state 0 → 1 → 2 → 0, any other value → 0) and tells the parent with
// CLBN_CHKCHANGE. The item data holds the check: it is not the caller's.
#define CLBN_CHKCHANGE 40

class ZVFW_API CCheckListBox : public CListBox {
 public:
  // BS_CHECKBOX, BS_AUTOCHECKBOX (the default), BS_3STATE or BS_AUTO3STATE.
  void SetCheckStyle(UINT nStyle) { m_nStyle = nStyle; }
  UINT GetCheckStyle() const { return m_nStyle; }
  void SetCheck(int nIndex, int nCheck);
  int GetCheck(int nIndex) const;
  // Also makes the items tall enough for the check box.
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

  DECLARE_MESSAGE_MAP()

 protected:
  LRESULT OnReflectDrawItem(WPARAM wParam, LPARAM lParam);
  LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
  LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);

 private:
  void Toggle(int nIndex);
  UINT m_nStyle = BS_AUTOCHECKBOX;
};
