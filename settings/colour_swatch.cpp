#include "colour_swatch.h"

#include <afxdlgs.h>

#include "colour_tables.h"

void DrawColourSwatch(const DRAWITEMSTRUCT& item, COLORREF colour) {
  RECT inner = item.rcItem;
  ::InflateRect(&inner, -2, -2);
  CDC dc;
  dc.Attach(item.hDC);
  dc.FillSolidRect(&inner, zv::settings::SwatchRgb(colour));
  dc.Detach();  // the button's DC, not ours to delete
}

bool ChooseSwatchColour(CWnd* pOwner, COLORREF& colour) {
  CColorDialog dialog(zv::settings::SwatchRgb(colour), CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK, pOwner);
  if (dialog.DoModal() != IDOK) return false;
  colour = dialog.GetColor();
  return true;
}
