// Fonts and device contexts: thin owners of GDI handles.
#include <afxwin.h>

CFont::~CFont() { DeleteObject(); }

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
  DeleteObject();
  m_hObject = ::CreateFontIndirectW(lpLogFont);
  return m_hObject != nullptr;
}

BOOL CFont::DeleteObject() {
  if (!m_hObject) return FALSE;
  const BOOL deleted = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return deleted;
}

CDC::~CDC() {
  m_fontBefore.m_hObject = nullptr;
  DeleteDC();
}

BOOL CDC::Attach(HDC hDC) {
  if (!hDC || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = hDC;
  return TRUE;
}

HDC CDC::Detach() {
  HDC hDC = m_hDC;
  m_hDC = m_hAttribDC = nullptr;
  m_pSelectedFont = nullptr;
  return hDC;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

CFont* CDC::SelectObject(CFont* pFont) {
  if (!pFont || !m_hDC) return nullptr;
  const HGDIOBJ before = ::SelectObject(m_hDC, pFont->m_hObject);
  if (!before || before == HGDI_ERROR) return nullptr;
  CFont* pBefore = &m_fontBefore;
  if (m_pSelectedFont && m_pSelectedFont->m_hObject == before) {
    pBefore = m_pSelectedFont;
  } else {
    m_fontBefore.m_hObject = static_cast<HFONT>(before);
  }
  m_pSelectedFont = pFont;
  return pBefore;
}

SIZE CDC::SetWindowExt(int cx, int cy) {
  SIZE before{};
  ::SetWindowExtEx(m_hDC, cx, cy, &before);
  return before;
}

SIZE CDC::SetViewportExt(int cx, int cy) {
  SIZE before{};
  ::SetViewportExtEx(m_hDC, cx, cy, &before);
  return before;
}

void CDC::DPtoHIMETRIC(LPSIZE lpSize) const {
  constexpr int kHimetricPerInch = 2540;
  lpSize->cx = ::MulDiv(lpSize->cx, kHimetricPerInch, GetDeviceCaps(LOGPIXELSX));
  lpSize->cy = ::MulDiv(lpSize->cy, kHimetricPerInch, GetDeviceCaps(LOGPIXELSY));
}
