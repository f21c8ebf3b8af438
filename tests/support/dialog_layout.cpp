#include "dialog_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support.h"

namespace zvtest {
namespace {

bool IsGroupBox(HWND window) {
  return ClassName(window) == L"Button" && (::GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

}  // namespace

void ExpectCleanLayout(HWND dialog, std::initializer_list<int> ellipsized) {
  // Geometry in screen pixels of the real font.
  RECT client;
  ::GetClientRect(dialog, &client);
  ::MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  HDC dc = ::GetDC(dialog);
  ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
  const std::vector<HWND> children = ChildWindows(dialog);
  for (size_t i = 0; i < children.size(); ++i) {
    RECT a, overlap;
    ::GetWindowRect(children[i], &a);
    const int id = ::GetDlgCtrlID(children[i]);
    const std::wstring name = std::to_wstring(id) + L" " + WindowText(children[i]);
    EXPECT_TRUE(a.left >= client.left && a.top >= client.top && a.right <= client.right && a.bottom <= client.bottom)
        << Utf8(name) << " leaves the dialog";
    const std::wstring text = WindowText(children[i]);
    const LONG style = ::GetWindowLongW(children[i], GWL_STYLE);
    const bool boxed = ClassName(children[i]) == L"Button" &&
                       ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX || (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const LONG room = (a.right - a.left) - (boxed ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
    if (!text.empty() && !IsGroupBox(children[i]) && std::find(ellipsized.begin(), ellipsized.end(), id) == ellipsized.end()) {
      EXPECT_LE(extent.cx, room) << Utf8(name) << " is cut off";
    }
    if (IsGroupBox(children[i])) continue;
    for (size_t j = i + 1; j < children.size(); ++j) {
      if (IsGroupBox(children[j])) continue;
      RECT b;
      ::GetWindowRect(children[j], &b);
      EXPECT_FALSE(::IntersectRect(&overlap, &a, &b))
          << Utf8(name) << " overlaps " << ::GetDlgCtrlID(children[j]) << " " << Utf8(WindowText(children[j]));
    }
  }
  ::ReleaseDC(dialog, dc);
}

}  // namespace zvtest
