#include "settings_command.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "console.h"

namespace {

using zv::settings::KindColour;

std::wstring Hex(COLORREF colour) {
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%08lX", colour);
  return text;
}

std::wstring Flag(const wchar_t* name, BOOL value) {
  return std::wstring(L"  ") + name + L": " + std::to_wstring(value) + L"\n";
}

// The twenty colours a file manager might start from: one per swatch, all different.
void ShowAttColours(const COLORREF (&colours)[20], BOOL dirNoAttr, const wchar_t* when) {
  Print(std::wstring(L"表示色 (") + when + L"):\n");
  for (size_t i = 0; i < std::size(colours); ++i) Print(L"  " + std::to_wstring(i) + L": " + Hex(colours[i]) + L"\n");
  Print(Flag(L"ディレクトリの場合属性は無視する", dirNoAttr));
}

void ShowByteColours(const COLORREF (&colours)[256], BOOL use, const wchar_t* when) {
  Print(std::wstring(L"Binary表示の色 (") + when + L"):\n");
  for (size_t row = 0; row < 256; row += 8) {
    wchar_t head[8];
    std::swprintf(head, std::size(head), L"  %02zx:", row);
    std::wstring line = head;
    for (size_t v = row; v < row + 8; ++v) line += L" " + Hex(colours[v]);
    Print(line + L"\n");
  }
  Print(Flag(L"設定での色を使用", use));
}

// Only the entries in use: a text or a colour.
void ShowKindColours(const KindColour (&kinds)[100], BOOL use, const wchar_t* when) {
  Print(std::wstring(L"拡張子別色 (") + when + L"):\n");
  for (size_t i = 0; i < std::size(kinds); ++i) {
    const auto* text = reinterpret_cast<const wchar_t*>(kinds[i].szExt);
    if (*text || kinds[i].crColor)
      Print(L"  " + std::to_wstring(i) + L": \"" + text + L"\" " + Hex(kinds[i].crColor) + L"\n");
  }
  Print(Flag(L"ファイルを設定色で表示", use));
}

int AttColours(const ZvDllExports& exports) {
  COLORREF colours[20];
  for (size_t i = 0; i < std::size(colours); ++i) {
    const auto step = static_cast<BYTE>(i * 12);
    colours[i] = i % 3 == 0   ? RGB(255 - step, step, 64)
                 : i % 3 == 1 ? RGB(64, 255 - step, step)
                              : RGB(step, 64, 255 - step);
  }
  BOOL dirNoAttr = FALSE;
  ShowAttColours(colours, dirNoAttr, L"前");
  exports.OnAttcolor(colours, &dirNoAttr);
  ShowAttColours(colours, dirNoAttr, L"後");
  return 0;
}

int ByteColours(const ZvDllExports& exports) {
  COLORREF colours[256];
  for (int v = 0; v < 256; ++v) colours[v] = RGB(v, 255 - v, (v * 7) & 0xFF);
  BOOL use = TRUE;
  ShowByteColours(colours, use, L"前");
  exports.OnBinarycolor(colours, &use);
  ShowByteColours(colours, use, L"後");
  return 0;
}

int KindColours(const ZvDllExports& exports) {
  static KindColour kinds[100] = {};  // 52,400 bytes, as the host keeps them
  const struct {
    size_t index;
    const char16_t* text;
    COLORREF colour;
  } start[] = {{0, u"txt", RGB(255, 0, 0)},     {1, u"mp3", RGB(0, 160, 0)},   {2, u"exe", RGB(0, 0, 255)},
               {3, u".cpp", RGB(255, 128, 0)},  {4, u"jpg", RGB(128, 0, 192)}, {5, u"zip", RGB(0, 160, 160)},
               {6, u"日本語", RGB(192, 0, 96)}, {9, u"bmp", RGB(96, 96, 96)},  {12, u"wav", RGB(200, 200, 0)}};
  for (const auto& entry : start) {
    std::char_traits<char16_t>::copy(kinds[entry.index].szExt, entry.text,
                                     std::char_traits<char16_t>::length(entry.text));
    kinds[entry.index].crColor = entry.colour;
  }
  BOOL use = FALSE;
  ShowKindColours(kinds, use, L"前");
  exports.OnKindcolor(kinds, &use);
  ShowKindColours(kinds, use, L"後");
  return 0;
}

void ShowDesktop(const wchar_t* when) {
  Print(std::wstring(L"デスクトップ (") + when + L"):\n");
  for (const wchar_t* name :
       {L"TileWallpaper", L"WallpaperStyle", L"WallpaperOriginX", L"WallpaperOriginY", L"Wallpaper"}) {
    wchar_t value[600] = {};
    DWORD bytes = sizeof value - sizeof value[0];
    const bool found = ::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\desktop", name, RRF_RT_REG_SZ, nullptr, value,
                                      &bytes) == ERROR_SUCCESS;
    Print(std::wstring(L"  ") + name + L": " + (found ? L"\"" + std::wstring(value) + L"\"" : L"(なし)") + L"\n");
  }
  wchar_t applied[MAX_PATH] = {};
  ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, applied, 0);
  Print(std::wstring(L"  SPI_GETDESKWALLPAPER: \"") + applied + L"\"\n");
}

}  // namespace

int RunColorsCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.size() != 1) return 2;
  if (arguments[0] == L"attr") return AttColours(exports);
  if (arguments[0] == L"binary") return ByteColours(exports);
  if (arguments[0] == L"kind") return KindColours(exports);
  return 2;
}

int RunWallpaperCommand(const ZvDllExports& exports, const std::vector<std::wstring>& arguments) {
  if (arguments.size() != 1) return 2;
  ShowDesktop(L"前");
  exports.OnSetwallpaper(arguments[0].c_str());
  ShowDesktop(L"後");
  return 0;
}
