// OnDebug through ZvDll.dll: the check list box as a person sees and clicks it,
// and the nine values the host gets back.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "dialog_driver.h"
#include "frame/frame_ids.h"

namespace {

using namespace zvtest;
using Switches = std::array<int, 8>;

HWND List(HWND dlg) { return GetDlgItem(dlg, IDC_DEBUG_SWITCHES); }

RECT ItemRect(HWND list, int index) {
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  return item;
}

// What each item's box shows, read off the screen: 'x' when its inside holds a
// dark mark, '-' when it is empty.
std::string Boxes(HWND list) {
  std::string shown;
  HDC dc = GetDC(list);
  for (int i = 0; i < 8; ++i) {
    const RECT item = ItemRect(list, i);
    const int top = (item.top + item.bottom) / 2 - 3;
    bool mark = false;
    for (int y = top; y < top + 7; ++y)
      for (int x = item.left + 5; x < item.left + 12; ++x) mark |= GetRValue(GetPixel(dc, x, y)) < 0x80;
    shown += mark ? 'x' : '-';
  }
  ReleaseDC(list, dc);
  return shown;
}

void ClickBox(HWND list, int index) {
  const RECT item = ItemRect(list, index);
  const LPARAM at = MAKELPARAM(item.left + 8, (item.top + item.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

TEST(DebugDialog, ShowsTheSwitchesAndWritesNineValuesOnOkOnly) {
  HMODULE library = LoadLibraryW(L"ZvDll.dll");
  const auto onDebug = GetExport<void(WINAPI*)(int*, int*)>(library, "OnDebug");
  ASSERT_NE(onDebug, nullptr);
  const std::vector<std::wstring> labels = {L"SUSIE PLUGINの表示",     L"リムーバブルメディアの監視する",
                                            L"ASPIをすべて無視",       L"ControlPanel読み込み時確認する",
                                            L"Viewerエラーデバック",   L"コンテキストメニューデバック",
                                            L"画像サイズをログに記述", L"デバッグ用Log出力"};
  // A two-state box cannot hold 2, so it shows and stores 0; other values show checked and come back as they were.
  const Switches mixed = {0, 1, 2, 5, -1, 1, 0, 7};
  const auto clickThree = [](HWND dlg) {
    for (const int i : {0, 3, 4}) ClickBox(List(dlg), i);
    Require(WaitForCondition([&] { return Boxes(List(dlg)) == "xx---x-x"; }), "boxes after the clicks");
    Require(Click(dlg, IDC_DEBUG_MODE), "debug mode");
  };
  const struct {
    Switches before;
    int modeBefore;
    std::function<void(HWND)> person;
    Switches after;
    int modeAfter;
  } cases[] = {
      {mixed, 1, [](HWND dlg) { Require(Click(dlg, IDOK), "OK"); }, {0, 1, 0, 5, -1, 1, 0, 7}, 1},
      {mixed, 0, [&](HWND dlg) { clickThree(dlg), Require(Click(dlg, IDOK), "OK"); }, {1, 1, 0, 0, 0, 1, 0, 7}, 1},
      {mixed, 5, [&](HWND dlg) { clickThree(dlg), Require(Click(dlg, IDCANCEL), "Cancel"); }, mixed, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "debug mode " << c.modeBefore);
    Switches switches = c.before;
    int mode = c.modeBefore;
    UiScript person([&] {
      HWND dlg = RequireDialog(L"デバック用ﾀﾞｲｱﾛｸﾞ");
      EXPECT_EQ(Items(dlg, IDC_DEBUG_SWITCHES), labels);
      std::string expected;
      for (const int value : c.before) expected += value == 0 || value == 2 ? '-' : 'x';
      Require(WaitForCondition([&] { return Boxes(List(dlg)) == expected; }), "boxes as the host's values");
      EXPECT_EQ(IsChecked(dlg, IDC_DEBUG_MODE), c.modeBefore != 0);
      c.person(dlg);
    });
    onDebug(switches.data(), &mode);
    EXPECT_TRUE(person.Join()) << person.Failure();
    EXPECT_EQ(switches, c.after);
    EXPECT_EQ(mode, c.modeAfter);
  }
}

}  // namespace
