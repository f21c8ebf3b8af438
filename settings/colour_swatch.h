// The colour swatch button the colour dialogs share: an owner-drawn push
// button showing one colour, which a click lets the user change.
#pragma once

#include <afxwin.h>

// Fills the button 2 pixels in from its edges with the colour and draws
// nothing else, so the dialog's background shows round it.
void DrawColourSwatch(const DRAWITEMSTRUCT& item, COLORREF colour);

// The colour dialog over pOwner, starting on colour. True, with colour
// replaced, when the user confirms; false and colour as it was on cancel.
bool ChooseSwatchColour(CWnd* pOwner, COLORREF& colour);
