// OnDebug through ZvDll.dll: the check list box as a person sees and clicks it,
// and the nine values the host gets back.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "dialog_driver.h"
#include "frame/frame_ids.h"

namespace {

using namespace zvtest;
using Switches = std::array<int, 8>;

HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_DEBUG_SWITCHES); }

// The middle of the item's check box.
POINT Box(HWND list, int index) {
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  return {item.left + 8, (item.top + item.bottom) / 2};
}

// What each item's box shows, read off the screen: 'x' when its inside holds a
// dark mark, '-' when it is empty.
std::string Boxes(HWND list) {
  std::string shown;
  HDC dc = GetDC(list);
  for (int i = 0; i < 8; ++i) {
    const POINT box = Box(list, i);
    bool mark = false;
    for (int y = box.y - 3; y <= box.y + 3; ++y)
      for (int x = box.x - 3; x <= box.x + 3; ++x) mark |= GetRValue(GetPixel(dc, x, y)) < 0x80;
    shown += mark ? 'x' : '-';
  }
  ReleaseDC(list, dc);
  return shown;
}

void ClickBox(HWND list, int index) {
  const POINT box = Box(list, index);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x, box.y));
  PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
}

TEST(DebugDialog, ShowsTheSwitchesAndWritesNineValuesOnOkOnly) {
  const auto onDebug = GetExport<void(WINAPI*)(int*, int*)>(LoadLibraryW(L"ZvDll.dll"), "OnDebug");
  ASSERT_NE(onDebug, nullptr);
  const std::vector<std::wstring> labels = {L"SUSIE PLUGINの表示",     L"リムーバブルメディアの監視する",
                                            L"ASPIをすべて無視",       L"ControlPanel読み込み時確認する",
                                            L"Viewerエラーデバック",   L"コンテキストメニューデバック",
                                            L"画像サイズをログに記述", L"デバッグ用Log出力"};
  // A two-state box cannot hold 2, so it shows and stores 0; other values show
  // checked, a click clears them, and untouched ones come back as they were.
  const Switches before = {0, 1, 2, 5, -1, 1, 0, 7};
  for (const auto& [button, after, modeAfter] :
       {std::tuple{IDOK, Switches{1, 1, 0, 0, 0, 1, 0, 7}, 1}, std::tuple{IDCANCEL, before, 0}}) {
    Switches switches = before;
    int mode = 0;
    UiScript person([&] {
      HWND dlg = RequireDialog(L"デバック用ﾀﾞｲｱﾛｸﾞ");
      EXPECT_EQ(Items(dlg, IDC_DEBUG_SWITCHES), labels);
      Require(WaitForCondition([&] { return Boxes(List(dlg)) == "-x-xxx-x"; }), "boxes as the host's values");
      EXPECT_FALSE(IsChecked(dlg, IDC_DEBUG_MODE));
      for (const int i : {0, 3, 4}) ClickBox(List(dlg), i);
      Require(WaitForCondition([&] { return Boxes(List(dlg)) == "xx---x-x"; }), "boxes after the clicks");
      Require(Click(dlg, IDC_DEBUG_MODE), "debug mode");
      Require(Click(dlg, button), "OK or Cancel");
    });
    onDebug(switches.data(), &mode);
    EXPECT_TRUE(person.Join()) << person.Failure();
    EXPECT_EQ(switches, after) << "button " << button;
    EXPECT_EQ(mode, modeAfter) << "button " << button;
  }
}

}  // namespace
