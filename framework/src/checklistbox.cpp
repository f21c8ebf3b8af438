// List boxes, and the check list box that draws its own check boxes.
#include <afxwin.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr int kCheckSize = 13;  // the classic check box, as the system's buttons draw it
constexpr int kCheckMargin = 2;

bool IsAutomatic(UINT nStyle) { return nStyle == BS_AUTOCHECKBOX || nStyle == BS_AUTO3STATE; }
bool IsThreeState(UINT nStyle) { return nStyle == BS_3STATE || nStyle == BS_AUTO3STATE; }

int NextCheck(UINT nStyle, int nCheck) {
  if (nCheck == 0) return 1;
  return IsThreeState(nStyle) && nCheck == 1 ? 2 : 0;
}

UINT FrameState(int nCheck, bool bEnabled) {
  UINT state = nCheck == 2 ? DFCS_BUTTON3STATE | DFCS_CHECKED : DFCS_BUTTONCHECK;
  if (nCheck != 0 && nCheck != 2) state |= DFCS_CHECKED;
  if (!bEnabled) state |= DFCS_INACTIVE;
  return state | DFCS_FLAT;
}

RECT CheckRect(const RECT& item) {
  const int top = item.top + (item.bottom - item.top - kCheckSize) / 2;
  return {item.left + kCheckMargin, top, item.left + kCheckMargin + kCheckSize, top + kCheckSize};
}

}  // namespace

void CListBox::GetText(int nIndex, CString& rString) const {
  const int length = static_cast<int>(SendMessage(LB_GETTEXTLEN, nIndex));
  if (length < 0) {
    rString.Empty();
    return;
  }
  SendMessage(LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(rString.GetBuffer(length + 1)));
  rString.ReleaseBuffer(length);
}

BEGIN_MESSAGE_MAP(CCheckListBox, CListBox)
ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, &CCheckListBox::OnReflectDrawItem)
ON_MESSAGE(WM_LBUTTONDOWN, &CCheckListBox::OnLButtonDown)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CCheckListBox::OnLButtonDown)
ON_MESSAGE(WM_KEYDOWN, &CCheckListBox::OnKeyDown)
END_MESSAGE_MAP()

BOOL CCheckListBox::SubclassDlgItem(UINT nID, CWnd* pParent) {
  if (!CWnd::SubclassDlgItem(nID, pParent)) return FALSE;
  HDC dc = ::GetDC(m_hWnd);
  HGDIOBJ before = ::SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
  TEXTMETRICW metrics = {};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, before);
  ::ReleaseDC(m_hWnd, dc);
  SetItemHeight(0, static_cast<UINT>(std::max<int>(metrics.tmHeight, kCheckSize + kCheckMargin)));
  return TRUE;
}

void CCheckListBox::SetCheck(int nIndex, int nCheck) {
  if (nCheck == 2 && !IsThreeState(m_nStyle)) return;
  if (SendMessage(LB_SETITEMDATA, nIndex, nCheck) == LB_ERR) return;
  RECT item;
  if (SendMessage(LB_GETITEMRECT, nIndex, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
    ::InvalidateRect(m_hWnd, &item, FALSE);
  }
}

int CCheckListBox::GetCheck(int nIndex) const { return static_cast<int>(SendMessage(LB_GETITEMDATA, nIndex)); }

void CCheckListBox::Toggle(int nIndex) {
  SetCheck(nIndex, NextCheck(m_nStyle, GetCheck(nIndex)));
  HWND parent = ::GetParent(m_hWnd);
  ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), CLBN_CHKCHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CCheckListBox::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = SendMessage(LB_ITEMFROMPOINT, 0, lParam);
  const int index = LOWORD(hit);
  RECT item;
  if (HIWORD(hit) == 0 && IsAutomatic(m_nStyle) &&
      SendMessage(LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
    const RECT box = CheckRect(item);
    const int x = GET_X_LPARAM(lParam);
    if (x >= item.left && x < box.right + kCheckMargin) Toggle(index);
  }
  return DefWindowProc(WM_LBUTTONDOWN, wParam, lParam);
}

LRESULT CCheckListBox::OnKeyDown(WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_SPACE && IsAutomatic(m_nStyle)) {
    const int index = static_cast<int>(SendMessage(LB_GETCARETINDEX));
    if (index >= 0 && index < GetCount()) Toggle(index);
  }
  return DefWindowProc(WM_KEYDOWN, wParam, lParam);
}

LRESULT CCheckListBox::OnReflectDrawItem(WPARAM, LPARAM lParam) {
  const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (draw->itemID == static_cast<UINT>(-1)) {
    if (draw->itemState & ODS_FOCUS) ::DrawFocusRect(draw->hDC, &draw->rcItem);
    return TRUE;
  }
  const int index = static_cast<int>(draw->itemID);
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  RECT box = CheckRect(draw->rcItem);
  RECT text = draw->rcItem;
  text.left = box.right + kCheckMargin;
  ::FillRect(draw->hDC, &draw->rcItem, ::GetSysColorBrush(COLOR_WINDOW));
  ::DrawFrameControl(draw->hDC, &box, DFC_BUTTON, FrameState(GetCheck(index), IsWindowEnabled()));
  ::FillRect(draw->hDC, &text, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  CString label;
  GetText(index, label);
  ::SetBkMode(draw->hDC, TRANSPARENT);
  ::SetTextColor(draw->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT inner = text;
  inner.left += kCheckMargin;
  ::DrawTextW(draw->hDC, label, label.GetLength(), &inner, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (draw->itemState & ODS_FOCUS) ::DrawFocusRect(draw->hDC, &text);
  return TRUE;
}
