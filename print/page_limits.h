// What the print dialog decides: the logical units it sets on the printer, the
// largest rows and lines that fit the page with the chosen fonts, margins and
// options, and which setting 印刷 refuses. Sizes are the printer's logical
// units (144 per inch) unless said otherwise.
#pragma once

namespace zv::print {

// Window and viewport extents that make one logical unit 1/144 inch under
// MM_ISOTROPIC, from the size in 0.01 mm of 1000 device pixels.
struct UnitExtents {
  int windowX = 0, windowY = 0, viewportX = 0, viewportY = 0;
};
UnitExtents ExtentsFor(int himetricX, int himetricY);

struct LimitInputs {
  int horzRes = 0, vertRes = 0;                                          // pixels of the printable area
  int himetricX = 0, himetricY = 0;                                      // 0.01 mm in 1000 pixels
  int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;  // millimetres
  // Height plus external leading, and the average character width.
  int bodyLineHeight = 0, bodyCharWidth = 0, headerLineHeight = 0;
  bool twoColumns = false, lineNumbers = false, fileName = false, pageNumber = false;
};

struct PageLimits {
  int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  int printWidth = 0, printHeight = 0;  // the printable area less the margins
  int maxLineChars = 0, maxPageLines = 0;
};
PageLimits ComputeLimits(const LimitInputs& in);

// What 印刷 takes from the dialog's fields.
struct PrintChoice {
  int lineChars = 0, pageLines = 0;
  bool pageRange = false;
  int firstPage = 0, lastPage = 0;
  int tabColumns = 0;
};
// The message for the first setting refused, checked in the order the fields
// stand in the dialog; nullptr when the print may start.
const wchar_t* RefusalOf(const PrintChoice& choice, const PageLimits& limits);

}  // namespace zv::print
