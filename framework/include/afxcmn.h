// Common controls behind the framework's classes: the image list.
#pragma once

#include "afxwin.h"

#include <commctrl.h>

// Owns a system image list. A list view given it must have LVS_SHAREIMAGELISTS,
// or the control would destroy it too.
class ZVFW_API CImageList : public CObject {
 public:
  CImageList() = default;
  ~CImageList() override;  // destroys the image list it owns
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  // nFlags as ImageList_Create's (ILC_COLOR32 | ILC_MASK…); nGrow images are added at a time.
  BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
  BOOL DeleteImageList();
  // The index of the new image, -1 on failure. The icon stays the caller's.
  int Add(HICON hIcon) { return ::ImageList_AddIcon(m_hImageList, hIcon); }
  int GetImageCount() const { return ::ImageList_GetImageCount(m_hImageList); }
  COLORREF SetBkColor(COLORREF cr) { return ::ImageList_SetBkColor(m_hImageList, cr); }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }

  HIMAGELIST m_hImageList = nullptr;
};
