// The display settings through ZvDll.dll's exports, driven on the screen as a
// person drives them: the swatches' colours read back from the screen, the
// colour dialog answered through its red, green and blue fields, the host's
// tables and the desktop's registry values checked afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "colour_tables.h"
#include "dialog_driver.h"
#include "import_hook.h"
#include "settings/settings_ids.h"
#include "support.h"

namespace {

using namespace zvtest;
using zv::settings::KindColour;

// What the library last asked of the colour dialog (from zvfw.dll, which shows it).
std::atomic<DWORD> g_chooserFlags = 0;
std::atomic<COLORREF> g_chooserStart = 0;
BOOL(WINAPI* g_chooseColor)(CHOOSECOLORW*) = nullptr;
BOOL WINAPI RecordingChooseColor(CHOOSECOLORW* chooser) {
  g_chooserFlags = chooser->Flags;
  g_chooserStart = chooser->rgbResult;
  return g_chooseColor(chooser);
}
// The desktop key refused, as to a user without the right.
std::atomic<bool> g_refuseKey = false;
LSTATUS(WINAPI* g_openKey)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) = nullptr;
LSTATUS WINAPI MaybeRefusedOpen(HKEY key, LPCWSTR name, DWORD options, REGSAM access, PHKEY opened) {
  return g_refuseKey ? ERROR_ACCESS_DENIED : g_openKey(key, name, options, access, opened);
}

HMODULE Library() {
  static const HMODULE library = [] {
    const HMODULE module = LoadLibraryW(L"ZvDll.dll");
    g_chooseColor = ReplaceImport(GetModuleHandleW(L"zvfw.dll"), "comdlg32.dll", "ChooseColorW", &RecordingChooseColor);
    g_openKey = ReplaceImport(module, "advapi32.dll", "RegOpenKeyExW", &MaybeRefusedOpen);
    return g_chooseColor && g_openKey ? module : nullptr;
  }();
  return library;
}
template <class Table>
void RunExport(const char* name, Table* table, BOOL* option) {
  GetExport<void(WINAPI*)(Table*, BOOL*)>(Library(), name)(table, option);
}

// The dialog once it is painted, moved clear of the centre where other tests'
// dialogs open, so that its pixels on the screen are its own.
HWND Open(const wchar_t* title) {
  const HWND dlg = RequireDialog(title);
  ::SetWindowPos(dlg, nullptr, 4, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return dlg;
}

// Empty when the swatch shows colour from 2 pixels in to 2 pixels from its
// far edges and the dialog's face in the border; else what the screen shows.
std::string SwatchFault(HWND dlg, int id, COLORREF colour) {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  std::string seen;
  const auto shows = [&] {
    RECT r;
    ::GetWindowRect(::GetDlgItem(dlg, id), &r);
    const HDC screen = ::GetDC(nullptr);
    const COLORREF pixels[4] = {
        ::GetPixel(screen, r.left + 2, r.top + 2), ::GetPixel(screen, r.right - 3, r.bottom - 3),
        ::GetPixel(screen, r.left + 1, r.top + 1), ::GetPixel(screen, r.right - 2, r.bottom - 2)};
    ::ReleaseDC(nullptr, screen);
    char text[80];
    std::snprintf(text, sizeof text, "%d shows %06lX %06lX in, %06lX %06lX round", id, pixels[0], pixels[1], pixels[2],
                  pixels[3]);
    seen = text;
    return pixels[0] == colour && pixels[1] == colour && pixels[2] == face && pixels[3] == face;
  };
  return WaitForCondition(shows, 3000) ? "" : seen;
}

// Answers the colour dialog with a colour typed into its fields, or cancels it.
void AnswerColour(std::optional<COLORREF> colour) {
  const HWND chooser =
      WaitForDialog([](HWND w) { return ::GetDlgItem(w, 706) != nullptr; }, 10000, L"the colour dialog");
  Require(chooser != nullptr, "no colour dialog");
  if (colour) {
    for (const auto& [id, part] :
         {std::pair{706, GetRValue(*colour)}, {707, GetGValue(*colour)}, {708, GetBValue(*colour)}})
      Require(SetText(chooser, id, std::to_wstring(part)), "colour field");
  }
  Require(Click(chooser, colour ? IDOK : IDCANCEL), "colour dialog button");
  Require(WaitForWindowGone(chooser), "the colour dialog stays");
}

void Press(HWND dlg, int id) { Require(Click(dlg, id), "click " + std::to_string(id)); }

// A person's click on a line of the byte values, with the keys held (MK_SHIFT…).
void ClickLine(HWND dlg, int line, WPARAM keys) {
  const HWND list = ::GetDlgItem(dlg, IDC_BIN_VALUES);
  RECT r{};
  ::SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
  ::PostMessageW(list, WM_LBUTTONDOWN, keys | MK_LBUTTON, at);
  ::PostMessageW(list, WM_LBUTTONUP, keys, at);
}

// The twenty swatches, in the order of the host's array.
const int kAttIds[20] = {1708, 1914, 1231, 1437, 1038, 1065, 1448, 1449, 1934, 1447,
                         1017, 1926, 1512, 1985, 1986, 1987, 1082, 1585, 1586, 1587};

std::vector<COLORREF> Distinct(size_t count) {
  std::vector<COLORREF> colours;
  for (size_t i = 0; i < count; ++i) colours.push_back(RGB(i * 37 % 256, 255 - i % 256, i * 11 % 256));
  return colours;
}

TEST(AttColours, SwatchesShowTheHostsColoursAndOkWritesThemAllBack) {
  Watchdog watchdog(60000);
  ASSERT_TRUE(Library());
  std::vector<COLORREF> colours = Distinct(20), expected = colours;
  colours[3] = expected[3] = 0x01FF0000;  // a palette flag in the top byte: shown as blue
  BOOL dirNoAttr = FALSE;
  UiScript script([&] {
    const HWND dlg = Open(L"表示色設定");
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(SwatchFault(dlg, kAttIds[i], colours[i] & 0xFFFFFF), "") << i;
    Press(dlg, IDC_ATT_SYSTEM);
    AnswerColour(RGB(10, 20, 30));
    EXPECT_EQ(g_chooserFlags.load(), DWORD{CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK});
    EXPECT_EQ(g_chooserStart.load(), colours[1]);
    EXPECT_EQ(SwatchFault(dlg, IDC_ATT_SYSTEM, RGB(10, 20, 30)), "");
    Press(dlg, IDC_ATT_READONLY);
    AnswerColour(std::nullopt);
    Press(dlg, IDC_ATT_HIDDEN);  // confirmed as it stands: the colour is written again, without the flag
    AnswerColour(RGB(0, 0, 255));
    EXPECT_EQ(g_chooserStart.load(), COLORREF{0xFF0000});
    Press(dlg, IDC_ATT_DIR_NO_ATTR);
    Press(dlg, IDOK);
  });
  RunExport("OnAttcolor", colours.data(), &dirNoAttr);
  EXPECT_TRUE(script.Join()) << script.Failure();
  expected[1] = RGB(10, 20, 30);
  expected[3] = RGB(0, 0, 255);
  EXPECT_EQ(colours, expected);
  EXPECT_EQ(dirNoAttr, TRUE);
}

// Cancel and Esc after swatches and the option were changed write nothing;
// neither do Esc and the close box of the extension dialog, which has no Cancel.
TEST(ColourDialogs, CancelWritesNothing) {
  Watchdog watchdog(90000);
  ASSERT_TRUE(Library());
  const struct {
    const char* exportName;
    const wchar_t* title;
    int swatch, option;
    int how;  // IDCANCEL clicked, VK_ESCAPE, or WM_CLOSE
  } cases[] = {
      {"OnAttcolor", L"表示色設定", IDC_ATT_TIME, IDC_ATT_DIR_NO_ATTR, IDCANCEL},
      {"OnAttcolor", L"表示色設定", IDC_ATT_MPEG, IDC_ATT_DIR_NO_ATTR, VK_ESCAPE},
      {"OnBinarycolor", L"Binary表示の色設定", IDC_BIN_CHOOSE, IDC_BIN_USE, VK_ESCAPE},
      {"OnKindcolor", L"拡張子別色設定", IDC_KIND_SWATCH3, IDC_KIND_USE, VK_ESCAPE},
      {"OnKindcolor", L"拡張子別色設定", IDC_KIND_SWATCH9, IDC_KIND_USE, WM_CLOSE},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> table(sizeof(KindColour) * 100);
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<BYTE>(i * 7 / 3);
    const std::vector<BYTE> before = table;
    BOOL option = FALSE;
    UiScript script([&] {
      const HWND dlg = Open(c.title);
      if (c.swatch == IDC_KIND_SWATCH3) {
        Press(dlg, IDC_KIND_NEXT);
        Press(dlg, IDC_KIND_NEXT);
        Require(SetText(dlg, IDC_KIND_EDIT1, L"typed"), "text");
      }
      if (c.swatch == IDC_BIN_CHOOSE) ClickLine(dlg, 5, 0);
      Press(dlg, c.swatch);
      AnswerColour(RGB(1, 2, 3));
      Press(dlg, c.option);
      if (c.how == IDCANCEL) Press(dlg, IDCANCEL);
      if (c.how == VK_ESCAPE) Require(PressKey(dlg, VK_ESCAPE), "Esc");
      if (c.how == WM_CLOSE) ::PostMessageW(dlg, WM_CLOSE, 0, 0);
      Require(WaitForWindowGone(dlg), "the dialog stays");
    });
    RunExport(c.exportName, table.data(), &option);
    EXPECT_TRUE(script.Join()) << script.Failure();
    EXPECT_TRUE(table == before && option == FALSE) << c.exportName << " " << c.how;
  }
}

TEST(BinaryColours, SelectedValuesTakeTheColourAndTheSwatchShowsTheFocusedOne) {
  Watchdog watchdog(60000);
  ASSERT_TRUE(Library());
  std::vector<COLORREF> colours = Distinct(256), expected = colours;
  BOOL use = TRUE;
  UiScript script([&] {
    const HWND dlg = Open(L"Binary表示の色設定");
    const std::vector<std::wstring> lines = Items(dlg, IDC_BIN_VALUES);
    Require(lines.size() == 256, "256 lines");
    EXPECT_EQ((std::vector<std::wstring>{lines[0], lines[10], lines[159], lines[255]}),
              (std::vector<std::wstring>{L"00", L"0a", L"9f", L"ff"}));
    // Nothing selected: the dialog starts on line 0's colour and changes nothing.
    Press(dlg, IDC_BIN_CHOOSE);
    AnswerColour(RGB(9, 9, 9));
    EXPECT_EQ(g_chooserStart.load(), colours[0]);
    EXPECT_EQ(g_chooserFlags.load(), DWORD{CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK});
    ClickLine(dlg, 0x0a, 0);
    ClickLine(dlg, 0x0b, MK_SHIFT);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, colours[0x0b]), "");
    Press(dlg, IDC_BIN_CHOOSE);
    AnswerColour(RGB(200, 100, 50));
    EXPECT_EQ(g_chooserStart.load(), colours[0x0b]);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, RGB(200, 100, 50)), "");
    ClickLine(dlg, 0x0c, 0);
    EXPECT_EQ(SwatchFault(dlg, IDC_BIN_SWATCH, colours[0x0c]), "");
    Press(dlg, IDC_BIN_SWATCH);  // does nothing
    Press(dlg, IDC_BIN_USE);
    Press(dlg, IDOK);
  });
  RunExport("OnBinarycolor", colours.data(), &use);
  EXPECT_TRUE(script.Join()) << script.Failure();
  expected[0x0a] = expected[0x0b] = RGB(200, 100, 50);
  EXPECT_EQ(colours, expected);
  EXPECT_EQ(use, FALSE);
}

KindColour Kind(const std::u16string& text, COLORREF colour) {
  KindColour kind{};
  text.copy(kind.szExt, text.size());
  kind.crColor = colour;
  return kind;
}

TEST(KindColours, PagesKeepTypedTextsAndOkWritesTheWholeTable) {
  Watchdog watchdog(60000);
  ASSERT_TRUE(Library());
  std::vector<KindColour> kinds(100);
  for (int i = 0; i < 100; ++i)
    kinds[i] = Kind(u"e" + std::u16string(1, char16_t(u'0' + i % 10)), RGB(i, 2 * i, 255 - i));
  std::vector<KindColour> expected = kinds;
  BOOL use = FALSE;
  const std::wstring long300(300, L'x');
  UiScript script([&] {
    const HWND dlg = Open(L"拡張子別色設定");
    EXPECT_FALSE(IsEnabled(dlg, IDC_KIND_BEFORE));
    EXPECT_TRUE(IsEnabled(dlg, IDC_KIND_NEXT));
    EXPECT_EQ(GetText(dlg, IDC_KIND_EDIT9), L"e9");
    EXPECT_EQ(SwatchFault(dlg, IDC_KIND_SWATCH9, RGB(9, 18, 246)), "");
    Require(SetText(dlg, IDC_KIND_EDIT1, long300) && SetText(dlg, IDC_KIND_EDIT2, L"") &&
                SetText(dlg, IDC_KIND_EDIT3, std::wstring(259, L'y')) && SetText(dlg, IDC_KIND_EDIT9, L".日本語"),
            "texts");
    for (int page = 1; page <= 9; ++page) Press(dlg, IDC_KIND_NEXT);
    Require(WaitForCondition([&] { return !IsEnabled(dlg, IDC_KIND_NEXT); }), "Next disabled on the last page");
    EXPECT_TRUE(IsEnabled(dlg, IDC_KIND_BEFORE));
    EXPECT_EQ(GetText(dlg, IDC_KIND_EDIT0), L"e0");
    EXPECT_EQ(SwatchFault(dlg, IDC_KIND_SWATCH0, RGB(90, 180, 165)), "") << "redrawn for the page";
    Press(dlg, IDC_KIND_SWATCH9);
    AnswerColour(RGB(7, 8, 9));
    EXPECT_EQ(g_chooserStart.load(), RGB(99, 198, 156));
    EXPECT_EQ(SwatchFault(dlg, IDC_KIND_SWATCH9, RGB(7, 8, 9)), "");
    for (int page = 1; page <= 9; ++page) Press(dlg, IDC_KIND_BEFORE);
    Require(WaitForCondition([&] { return !IsEnabled(dlg, IDC_KIND_BEFORE); }), "Before disabled on the first page");
    EXPECT_EQ(GetText(dlg, IDC_KIND_EDIT1), std::wstring(259, L'x'));
    Require(SetText(dlg, IDC_KIND_EDIT4, L"txt"), "text");  // stored by OK itself
    Press(dlg, IDC_KIND_USE);
    Press(dlg, IDOK);
  });
  RunExport("OnKindcolor", kinds.data(), &use);
  EXPECT_TRUE(script.Join()) << script.Failure();
  std::u16string(259, u'x').copy(expected[1].szExt, 259);  // and the terminator at 259
  expected[2].szExt[0] = u'\0';                            // "e2" emptied: only its first character changes
  std::u16string(259, u'y').copy(expected[3].szExt, 259);
  std::u16string(u".日本語").copy(expected[9].szExt, 4);
  expected[4].szExt[0] = u't', expected[4].szExt[1] = u'x', expected[4].szExt[2] = u't';
  expected[99].crColor = RGB(7, 8, 9);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(std::memcmp(&kinds[i], &expected[i], sizeof(KindColour)), 0) << "entry " << i;
  EXPECT_EQ(use, TRUE);
}

// The desktop values the dialog reads and writes, in this order; nullopt for a
// value that is not there.
const wchar_t* const kDesktopValues[] = {L"TileWallpaper", L"WallpaperStyle", L"WallpaperOriginX", L"WallpaperOriginY"};
using Desktop = std::vector<std::optional<std::wstring>>;
const auto kNone = std::nullopt;

Desktop ReadDesktop() {
  Desktop values;
  for (const wchar_t* name : kDesktopValues) {
    wchar_t text[128] = {};
    DWORD bytes = sizeof text;
    const bool found = ::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\desktop", name, RRF_RT_REG_SZ, nullptr, text,
                                      &bytes) == ERROR_SUCCESS;
    values.push_back(found ? std::optional<std::wstring>(text) : kNone);
  }
  return values;
}
void WriteDesktop(const Desktop& values) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);
  for (size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) ::RegDeleteValueW(key, kDesktopValues[i]);
    if (values[i])
      ::RegSetValueExW(key, kDesktopValues[i], 0, REG_SZ, reinterpret_cast<const BYTE*>(values[i]->c_str()),
                       static_cast<DWORD>((values[i]->size() + 1) * sizeof(wchar_t)));
  }
  ::RegCloseKey(key);
}
std::wstring Applied() {
  wchar_t path[MAX_PATH] = {};
  ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
  return path;
}
std::wstring RegistryWallpaper() {
  wchar_t path[MAX_PATH] = {};
  DWORD bytes = sizeof path;
  ::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\desktop", L"Wallpaper", RRF_RT_REG_SZ, nullptr, path, &bytes);
  return path;
}

// A 2 x 1 BMP: blue and red, 24 bits.
const std::string kBitmap =
    std::string("BM\x3E\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x02\0\0\0\x01\0\0\0\x01\0\x18\0", 30) +
    std::string(24, '\0') + std::string("\xFF\0\0\0\0\xFF\0\0", 8);

// Leaves the desktop's values and wallpaper as it found them.
class Wallpaper : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Library());
    ASSERT_TRUE(WriteBytes(image_, kBitmap));
  }
  void TearDown() override {
    g_refuseKey = false;
    WriteDesktop(saved_);
    ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(wallpaper_.c_str()), SPIF_UPDATEINIFILE);
  }
  void Show(const std::wstring& path) { GetExport<void(WINAPI*)(LPCWSTR)>(Library(), "OnSetwallpaper")(path.c_str()); }

  Watchdog watchdog_{90000};
  const Desktop saved_ = ReadDesktop();
  const std::wstring wallpaper_ = Applied();
  TempDir temp_;
  const std::wstring image_ = temp_.Path(L"海の壁紙.bmp");
};

// The placement and start position shown for the values found, what the
// person changes, and what OK or Esc leaves in the registry; the image applied
// on OK, also when it is no image, and nothing left open.
TEST_F(Wallpaper, ShowsTheDesktopValuesAndWritesThemOnOk) {
  const struct {
    Desktop before;
    int placement;  // the radio button checked
    bool origin;
    std::wstring x, y;
    int click;    // a radio button to choose, or 0
    bool toggle;  // the start position's check box
    std::wstring typedX, typedY;
    bool ok;  // else Esc
    std::wstring file;
    Desktop after;
  } cases[] = {
      {{L"1", L"2", L"10", L"020"},
       IDC_WP_STRETCH,
       true,
       L"10",
       L"20",
       0,
       false,
       L"",
       L"",
       true,
       L"海の壁紙.bmp",
       {L"0", L"2", L"10", L"20"}},
      {{L"1", L"0", L"5", kNone},
       IDC_WP_TILE,
       false,
       L"0",
       L"0",
       0,
       false,
       L"",
       L"",
       true,
       L"海の壁紙.bmp",
       {L"1", L"0", kNone, kNone}},
      {{kNone, kNone, kNone, kNone},
       IDC_WP_CENTRE,
       false,
       L"0",
       L"0",
       IDC_WP_TILE,
       true,
       L"-3",
       L"7",
       true,
       L"無い.bmp",
       {L"1", L"0", L"-3", L"7"}},
      {{L"0", L"0", L"1", L"2"},
       IDC_WP_CENTRE,
       true,
       L"1",
       L"2",
       IDC_WP_STRETCH,
       true,
       L"8",
       L"9",
       false,
       L"海の壁紙.bmp",
       {L"0", L"0", L"1", L"2"}},
      {{L"0", L"0", kNone, kNone},
       IDC_WP_CENTRE,
       false,
       L"0",
       L"0",
       0,
       false,
       L"",
       L"",
       true,
       L"not-image.txt",
       {L"0", L"0", kNone, kNone}},
  };
  ASSERT_TRUE(WriteBytes(temp_.Path(L"not-image.txt"), "no picture"));
  DWORD handles = 0;
  for (const auto& c : cases) {
    const std::wstring path = temp_.Path(c.file);
    const size_t n = &c - cases + 1;
    WriteDesktop(c.before);
    const std::wstring appliedBefore = Applied();
    UiScript script([&] {
      const HWND dlg = RequireDialog(L"壁紙の設定");
      EXPECT_EQ(GetText(dlg, IDC_WP_FILE), path);
      for (int id : {IDC_WP_CENTRE, IDC_WP_TILE, IDC_WP_STRETCH}) EXPECT_EQ(IsChecked(dlg, id), id == c.placement) << n;
      EXPECT_TRUE(IsEnabled(dlg, IDC_WP_STRETCH));
      EXPECT_EQ(IsChecked(dlg, IDC_WP_ORIGIN), c.origin) << n;
      EXPECT_EQ(GetText(dlg, IDC_WP_X) + L"," + GetText(dlg, IDC_WP_Y), c.x + L"," + c.y) << n;
      if (c.click) Press(dlg, c.click);
      if (c.toggle) Press(dlg, IDC_WP_ORIGIN);
      if (!c.typedX.empty()) Require(SetText(dlg, IDC_WP_X, c.typedX) && SetText(dlg, IDC_WP_Y, c.typedY), "typing");
      if (c.ok) Press(dlg, IDOK);
      if (!c.ok) Require(PressKey(dlg, VK_ESCAPE), "Esc");
      Require(WaitForWindowGone(dlg), "the dialog stays");
    });
    Show(path);
    EXPECT_TRUE(script.Join()) << script.Failure();
    EXPECT_EQ(ReadDesktop(), c.after) << n;
    if (c.ok && c.file != L"無い.bmp") EXPECT_EQ(Applied() + L"|" + RegistryWallpaper(), path + L"|" + path) << n;
    if (!c.ok) EXPECT_EQ(Applied(), appliedBefore) << n;
    if (n == 1) handles = OpenHandleCount();
  }
  EXPECT_EQ(HandlesSettleTo(handles), handles) << "the desktop key closed on every way out";
}

// A start position that is no number: the values are written and the image
// applied, then the framework's message, and the dialog stays for another OK.
TEST_F(Wallpaper, AnOriginThatIsNoNumberKeepsTheDialogOpen) {
  WriteDesktop({kNone, kNone, kNone, kNone});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"壁紙の設定");
    Press(dlg, IDC_WP_ORIGIN);
    Require(SetText(dlg, IDC_WP_X, L"abc") && SetText(dlg, IDC_WP_Y, L"5"), "typing");
    Press(dlg, IDOK);
    const auto box = AnswerMessageBox(IDOK);
    Require(box.has_value(), "no message");
    EXPECT_EQ(box->caption + L"|" + box->text, L"ZvDll|整数を入力してください。");
    EXPECT_EQ(ReadDesktop(), (Desktop{L"0", L"0", L"abc", L"5"}));
    EXPECT_EQ(Applied(), image_);
    Require(::IsWindowVisible(dlg), "the dialog closed");
    Require(SetText(dlg, IDC_WP_X, L"12"), "typing");
    Press(dlg, IDOK);
    Require(WaitForWindowGone(dlg), "the dialog stays");
  });
  Show(image_);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(ReadDesktop(), (Desktop{L"0", L"0", L"12", L"5"}));
}

TEST_F(Wallpaper, KeyThatCannotBeOpenedStillAppliesTheImage) {
  WriteDesktop({L"1", L"0", L"3", L"4"});
  g_refuseKey = true;
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"壁紙の設定");
    for (int id : {IDC_WP_CENTRE, IDC_WP_TILE, IDC_WP_STRETCH, IDC_WP_ORIGIN}) EXPECT_FALSE(IsChecked(dlg, id)) << id;
    EXPECT_EQ(GetText(dlg, IDC_WP_X) + L"," + GetText(dlg, IDC_WP_Y), L"0,0");
    Press(dlg, IDOK);
    Require(WaitForWindowGone(dlg), "the dialog stays");
  });
  Show(image_);
  EXPECT_TRUE(script.Join()) << script.Failure();
  EXPECT_EQ(ReadDesktop(), (Desktop{L"1", L"0", L"3", L"4"}));
  EXPECT_EQ(Applied(), image_);
}

// Run alone (settings_win95_test): the version record is read once a process.
BOOL WINAPI Windows95(OSVERSIONINFOW* version) {
  *version = {sizeof *version, 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, {}};
  return TRUE;
}

class WallpaperOn95 : public Wallpaper {};

TEST_F(WallpaperOn95, StretchCannotBeChosen) {
  ASSERT_TRUE(ReplaceImport(Library(), "kernel32.dll", "GetVersionExW", &Windows95));
  WriteDesktop({L"0", L"2", kNone, kNone});
  UiScript script([&] {
    const HWND dlg = RequireDialog(L"壁紙の設定");
    EXPECT_FALSE(IsEnabled(dlg, IDC_WP_STRETCH));
    EXPECT_TRUE(IsChecked(dlg, IDC_WP_STRETCH)) << "the value still shows";
    Require(PressKey(dlg, VK_ESCAPE), "Esc");
  });
  Show(image_);
  EXPECT_TRUE(script.Join()) << script.Failure();
}

}  // namespace
