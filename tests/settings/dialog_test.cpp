// The display settings through ZvDll.dll's exports, driven on the screen: the
// swatches read back from the screen, the colour dialog answered through its
// fields, then the host's tables, the desktop's values and the wallpaper.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "colour_tables.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "support.h"

namespace {

using namespace zvtest;
using zv::settings::KindColour;

// What the library last asked of the colour dialog, which zvfw.dll shows.
std::atomic<DWORD> g_chooserFlags = 0;
std::atomic<COLORREF> g_chooserStart = 0;
BOOL(WINAPI* g_chooseColor)(CHOOSECOLORW*) = nullptr;
BOOL WINAPI RecordingChooseColor(CHOOSECOLORW* chooser) {
  // CC_ENABLEHOOK asks for a hook; Wine runs on without one, Windows may not.
  g_chooserFlags = chooser->lpfnHook ? chooser->Flags : 0;
  g_chooserStart = chooser->rgbResult;
  return g_chooseColor(chooser);
}
HMODULE Library() {
  static const HMODULE library = [] {
    const HMODULE module = LoadLibraryW(L"ZvDll.dll");
    g_chooseColor = ReplaceImport(GetModuleHandleW(L"zvfw.dll"), "comdlg32.dll", "ChooseColorW", &RecordingChooseColor);
    return g_chooseColor ? module : nullptr;
  }();
  return library;
}

// Calls the export on the host's table and option while person plays the user.
template <class Table>
void Drive(const char* name, Table* table, BOOL* option, const std::function<void()>& person) {
  Watchdog watchdog(60000);
  UiScript script(person);
  GetExport<void(WINAPI*)(Table*, BOOL*)>(Library(), name)(table, option);
  EXPECT_TRUE(script.Join()) << script.Failure();
}
void Press(HWND dlg, int id) { Require(Click(dlg, id), "click " + std::to_string(id)); }
// The dialog, moved off the centre where other tests' dialogs open: its pixels are its own.
HWND Open(const wchar_t* title) {
  const HWND dlg = RequireDialog(title);
  ::SetWindowPos(dlg, nullptr, 4, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return dlg;
}

// Empty when the swatch shows colour from 2 pixels in to 2 pixels from its
// far edges and the dialog's face in the border; else what the screen shows.
std::string SwatchFault(HWND dlg, int id, COLORREF colour) {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  char seen[80] = {};
  const auto shows = [&] {
    RECT r;
    ::GetWindowRect(::GetDlgItem(dlg, id), &r);
    const HDC screen = ::GetDC(nullptr);
    const auto in1 = ::GetPixel(screen, r.left + 2, r.top + 2), in2 = ::GetPixel(screen, r.right - 3, r.bottom - 3);
    const auto out1 = ::GetPixel(screen, r.left + 1, r.top + 1), out2 = ::GetPixel(screen, r.right - 2, r.bottom - 2);
    ::ReleaseDC(nullptr, screen);
    std::snprintf(seen, sizeof seen, "%d: %06lX %06lX in, %06lX %06lX round", id, in1, in2, out1, out2);
    return in1 == colour && in2 == colour && out1 == face && out2 == face;
  };
  return WaitForCondition(shows, 3000) ? "" : seen;
}

// Answers the colour dialog with a colour typed into its fields, or cancels it.
void AnswerColour(std::optional<COLORREF> colour) {
  const HWND chooser = WaitForDialog([](HWND w) { return ::GetDlgItem(w, 706) != nullptr; }, 10000, L"colours");
  Require(chooser != nullptr, "no colour dialog");
  for (int part = 0; colour && part < 3; ++part)
    Require(SetText(chooser, 706 + part, std::to_wstring(*colour >> (8 * part) & 0xFF)), "colour field");
  Require(Click(chooser, colour ? IDOK : IDCANCEL) && WaitForWindowGone(chooser), "the colour dialog stays");
}

std::vector<COLORREF> Distinct(size_t count) {
  std::vector<COLORREF> colours(count);
  for (size_t i = 0; i < count; ++i) colours[i] = RGB(i * 37 % 256, 255 - i % 256, i * 11 % 256);
  return colours;
}

TEST(AttColours, SwatchesShowTheHostsColoursAndOkWritesThemAllBack) {
  std::vector<COLORREF> colours = Distinct(20);
  colours[3] = 0x01FF0000;  // a palette flag in the top byte: shown as blue
  std::vector<COLORREF> expected = colours;
  BOOL dirNoAttr = FALSE;
  const int ids[20] = {1708, 1914, 1231, 1437, 1038, 1065, 1448, 1449, 1934, 1447,
                       1017, 1926, 1512, 1985, 1986, 1987, 1082, 1585, 1586, 1587};
  Drive("OnAttcolor", colours.data(), &dirNoAttr, [&] {
    const HWND dlg = Open(L"表示色設定");
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(SwatchFault(dlg, ids[i], colours[i] & 0xFFFFFF), "");
    Press(dlg, IDC_ATT_SYSTEM);
    AnswerColour(RGB(10, 20, 30));
    EXPECT_EQ(g_chooserFlags.load(), DWORD{CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK});
    EXPECT_EQ(SwatchFault(dlg, IDC_ATT_SYSTEM, RGB(10, 20, 30)), "");
    Press(dlg, IDC_ATT_HIDDEN);  // cancelled: keeps the palette flag
    AnswerColour(std::nullopt);
    Press(dlg, IDC_ATT_DIR_NO_ATTR);
    Press(dlg, IDOK);
  });
  expected[1] = RGB(10, 20, 30);
  EXPECT_EQ(colours, expected);
  EXPECT_EQ(dirNoAttr, TRUE);
}

// Changes, then Cancel, Esc, or the close box of the extension dialog, which
// has no Cancel button: nothing is written.
TEST(ColourDialogs, CancelWritesNothing) {
  const struct {
    const char* name;
    const wchar_t* title;
    int swatch, option, how;  // IDCANCEL clicked, VK_ESCAPE or WM_CLOSE
  } cases[] = {
      {"OnAttcolor", L"表示色設定", IDC_ATT_TIME, IDC_ATT_DIR_NO_ATTR, IDCANCEL},
      {"OnBinarycolor", L"Binary表示の色設定", IDC_BIN_CHOOSE, IDC_BIN_USE, VK_ESCAPE},
      {"OnKindcolor", L"拡張子別色設定", IDC_KIND_SWATCH3, IDC_KIND_USE, WM_CLOSE},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> table(sizeof(KindColour) * 100, 0x5A);
    BOOL option = FALSE;
    Drive(c.name, table.data(), &option, [&] {
      const HWND dlg = Open(c.title);
      if (c.how == VK_ESCAPE) ClickItem(dlg, IDC_BIN_VALUES, 5, 0);
      Press(dlg, c.swatch);
      AnswerColour(RGB(1, 2, 3));
      Press(dlg, c.option);
      if (c.how == IDCANCEL) Press(dlg, IDCANCEL);
      if (c.how == VK_ESCAPE) Require(PressKey(dlg, VK_ESCAPE), "Esc");
      if (c.how == WM_CLOSE) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(table == std::vector<BYTE>(table.size(), 0x5A) && option == FALSE) << c.name;
  }
}

TEST(BinaryColours, SelectedValuesTakeTheColourAndTheSwatchShowsTheFocusedOne) {
  std::vector<COLORREF> colours = Distinct(256), expected = colours;
  BOOL use = TRUE;
  Drive("OnBinarycolor", colours.data(), &use, [&] {
    const HWND dlg = Open(L"Binary表示の色設定");
    const std::vector<std::wstring> lines = Items(dlg, IDC_BIN_VALUES);
    Require(lines.size() == 256 && lines[0] + lines[10] + lines[159] + lines[255] == L"000a9fff", "lines %02x");
    ClickItem(dlg, IDC_BIN_VALUES, 0x0a, 0);
    ClickItem(dlg, IDC_BIN_VALUES, 0x0b, MK_SHIFT);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, colours[0x0b]), "");
    Press(dlg, IDC_BIN_CHOOSE);
    AnswerColour(RGB(200, 100, 50));
    EXPECT_EQ(g_chooserStart.load(), colours[0x0b]);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, RGB(200, 100, 50)), "");
    ClickItem(dlg, IDC_BIN_VALUES, 0x0c, 0);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, colours[0x0c]), "");
    Press(dlg, IDC_BIN_USE);
    Press(dlg, IDOK);
  });
  expected[0x0a] = expected[0x0b] = RGB(200, 100, 50);
  EXPECT_EQ(colours, expected);
  EXPECT_EQ(use, FALSE);
}

TEST(KindColours, PagesKeepTypedTextsAndOkWritesTheWholeTable) {
  std::vector<KindColour> kinds(100);
  for (int i = 0; i < 100; ++i) kinds[i] = {{char16_t(u'0' + i / 10), char16_t(u'0' + i % 10)}, RGB(i, 2 * i, 255 - i)};
  std::vector<KindColour> expected = kinds;
  BOOL use = FALSE;
  Drive("OnKindcolor", kinds.data(), &use, [&] {
    const HWND dlg = Open(L"拡張子別色設定");
    EXPECT_FALSE(IsEnabled(dlg, IDC_KIND_BEFORE));
    Require(SetText(dlg, IDC_KIND_EDIT1, std::wstring(300, L'x')) && SetText(dlg, IDC_KIND_EDIT9, L".日本語"), "texts");
    Press(dlg, IDC_KIND_NEXT);
    Require(WaitForText(dlg, IDC_KIND_EDIT0, L"10"), "page 2");
    EXPECT_EQ(SwatchFault(dlg, IDC_KIND_SWATCH0, RGB(10, 20, 245)), "") << "redrawn for the page";
    Press(dlg, IDC_KIND_SWATCH9);
    AnswerColour(RGB(7, 8, 9));
    EXPECT_EQ(SwatchFault(dlg, IDC_KIND_SWATCH9, RGB(7, 8, 9)), "");
    Press(dlg, IDC_KIND_BEFORE);
    // A text typed after the last turn is stored by OK itself.
    Require(WaitForText(dlg, IDC_KIND_EDIT0, L"00") && SetText(dlg, IDC_KIND_EDIT4, L"txt"), "page 1");
    Press(dlg, IDC_KIND_USE);
    Press(dlg, IDOK);
  });
  // The system's copy of a text writes it and its terminator, and no more.
  std::u16string(259, u'x').copy(expected[1].szExt, 259);
  std::u16string(u"txt").copy(expected[4].szExt, 3);
  std::u16string(u".日本語").copy(expected[9].szExt, 4);
  expected[19].crColor = RGB(7, 8, 9);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(std::memcmp(&kinds[i], &expected[i], sizeof(KindColour)), 0) << i;
  EXPECT_EQ(use, TRUE);
}

// The desktop values the dialog reads and writes, joined by commas in this
// order, "-" for a value that is not there.
const wchar_t* const kValues[] = {L"TileWallpaper", L"WallpaperStyle", L"WallpaperOriginX", L"WallpaperOriginY"};
const wchar_t kDesktop[] = L"Control Panel\\desktop";

std::wstring DesktopValue(const wchar_t* name) {
  wchar_t text[MAX_PATH] = {};
  DWORD bytes = sizeof text;
  return ::RegGetValueW(HKEY_CURRENT_USER, kDesktop, name, RRF_RT_REG_SZ, nullptr, text, &bytes) ? L"-" : text;
}
std::wstring ReadDesktop() {
  std::wstring values;
  for (const wchar_t* name : kValues) values += (values.empty() ? L"" : L",") + DesktopValue(name);
  return values;
}
void WriteDesktop(const std::wstring& values) {
  std::wistringstream fields(values);
  std::wstring value;
  for (const wchar_t* name : kValues) {
    std::getline(fields, value, L',');
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, name);
    if (value != L"-")
      ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, name, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
}
// The image the system applied, and the one its registry holds.
std::wstring Applied() {
  wchar_t path[MAX_PATH] = {};
  ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
  return path + (L"|" + DesktopValue(L"Wallpaper"));
}

class Wallpaper : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Library());
    // A 1 x 1 BMP, 24 bits.
    ASSERT_TRUE(
        WriteBytes(image_, std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 30) +
                               std::string(24, '\0') + "\x40\x80\xFF\0"));
  }
  void Show(const std::wstring& path, const std::function<void()>& person) {
    UiScript script(person);
    GetExport<void(WINAPI*)(LPCWSTR)>(Library(), "OnSetwallpaper")(path.c_str());
    EXPECT_TRUE(script.Join()) << script.Failure();
  }

  Watchdog watchdog_{90000};
  TempDir temp_;
  const std::wstring image_ = temp_.Path(L"海の壁紙.bmp");
};

// The placement and start position shown for the values found, and what Esc
// after a change, or OK, leaves in the registry: a start position that is no
// number is written, then the framework's message, and the dialog stays for
// another OK. The image applied on OK only, and no key left open.
TEST_F(Wallpaper, ShowsTheDesktopValuesAndWritesThemOnOk) {
  const struct {
    const wchar_t* before;
    int shown;  // the placement checked
    const wchar_t* origin;
    int click;             // a placement to choose, or 0
    const wchar_t* typed;  // over the start position's x, or null
    WORD key;
    const wchar_t* after;
  } cases[] = {
      {L"0,0,1,2", IDC_WP_CENTRE, L"1 1,2", IDC_WP_STRETCH, nullptr, VK_ESCAPE, L"0,0,1,2"},
      {L"-,-,7,-3", IDC_WP_CENTRE, L"1 7,-3", IDC_WP_TILE, L"abc", VK_RETURN, L"1,0,12,-3"},
      {L"1,2,10,020", IDC_WP_STRETCH, L"1 10,20", 0, nullptr, VK_RETURN, L"0,2,10,20"},
      {L"1,0,5,-", IDC_WP_TILE, L"0 0,0", 0, nullptr, VK_RETURN, L"1,0,-,-"},
  };
  const std::wstring applied = image_ + L"|" + image_, before = Applied();
  ASSERT_NE(before, applied);
  DWORD handles = 0;
  for (const auto& c : cases) {
    const size_t n = &c - cases + 1;
    WriteDesktop(c.before);
    Show(image_, [&] {
      const HWND dlg = RequireDialog(L"壁紙の設定");
      EXPECT_EQ(GetText(dlg, IDC_WP_FILE), image_);
      for (int id : {IDC_WP_CENTRE, IDC_WP_TILE, IDC_WP_STRETCH}) EXPECT_EQ(IsChecked(dlg, id), id == c.shown) << n;
      EXPECT_TRUE(IsEnabled(dlg, IDC_WP_STRETCH));
      const std::wstring origin = GetText(dlg, IDC_WP_X) + L"," + GetText(dlg, IDC_WP_Y);
      EXPECT_EQ((IsChecked(dlg, IDC_WP_ORIGIN) ? L"1 " : L"0 ") + origin, c.origin) << n;
      if (c.click) Press(dlg, c.click);
      if (c.typed) Require(SetText(dlg, IDC_WP_X, c.typed), "typing");
      Require(PressKey(dlg, c.key), "key");
      if (!c.typed) return;
      const auto box = AnswerMessageBox(IDOK);
      EXPECT_EQ(box ? box->caption + L"|" + box->text : L"", L"ZvDll|整数を入力してください。");
      EXPECT_EQ(ReadDesktop() + L"|" + Applied(), L"1,0,abc,-3|" + applied);
      Require(::IsWindowVisible(dlg) && SetText(dlg, IDC_WP_X, L"12") && Click(dlg, IDOK), "the dialog closed");
    });
    EXPECT_EQ(ReadDesktop(), c.after) << n;
    EXPECT_EQ(Applied(), c.key == VK_RETURN ? applied : before) << n;
    if (n == 2) handles = OpenHandleCount();
  }
  EXPECT_EQ(HandlesSettleTo(handles), handles) << "the desktop key closed on every way out";
}

BOOL WINAPI Windows95(OSVERSIONINFOW* version) {
  *version = {sizeof *version, 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, {}};
  return TRUE;
}

// Run alone (settings_win95_test): the version record is read once a process.
TEST_F(Wallpaper, StretchCannotBeChosenOn95) {
  ASSERT_TRUE(ReplaceImport(Library(), "kernel32.dll", "GetVersionExW", &Windows95));
  WriteDesktop(L"0,2,-,-");
  Show(image_, [&] {
    const HWND dlg = RequireDialog(L"壁紙の設定");
    EXPECT_TRUE(!IsEnabled(dlg, IDC_WP_STRETCH) && IsChecked(dlg, IDC_WP_STRETCH));
    Require(PressKey(dlg, VK_ESCAPE), "Esc");
  });
}

}  // namespace
