// What the colour dialogs decide apart from their controls: which swatch
// stands for which of the host's colours, what a swatch shows, which byte
// values a chosen colour goes to, and how the extension table pages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "settings_ids.h"

namespace zv::settings {

// 0x00BBGGRR, as the host stores it.
using Colour = std::uint32_t;

// The colour a swatch shows and the colour dialog starts on. The top byte of a
// colour is a palette flag, not part of the colour: a host value with it set is
// shown by its red, green and blue, and goes back to the host as it came.
constexpr Colour SwatchRgb(Colour colour) { return colour & 0x00FFFFFF; }

// The swatch of each of the host's twenty display colours, in the array's order.
inline constexpr std::array<int, 20> kAttColourIds = {
    IDC_ATT_READONLY,     IDC_ATT_SYSTEM,      IDC_ATT_DIRECTORY, IDC_ATT_HIDDEN,       IDC_ATT_ARCHIVE,
    IDC_ATT_BACKGROUND,   IDC_ATT_INFO_GROUP,  IDC_ATT_INFO_NAME, IDC_ATT_TIME,         IDC_ATT_INFO_DATA,
    IDC_ATT_ALARM,        IDC_ATT_TAG,         IDC_ATT_OUTLINE,   IDC_ATT_VIEWER_TEXT,  IDC_ATT_VIEWER_CONTROL,
    IDC_ATT_VIEWER_LINES, IDC_ATT_BINARY_DIFF, IDC_ATT_MPEG,      IDC_ATT_PREVIEW_BACK, IDC_ATT_PREVIEW_SELECT};
std::optional<std::size_t> AttColourIndex(int id);

// The byte values' colours.
inline constexpr std::size_t kByteValues = 256;
// The value whose colour the colour dialog starts on: the list's caret, or 0
// when there is none.
std::size_t ChooserStartValue(int caret);
// Gives colour to every selected value; the others keep theirs. (The host's
// COLORREF and Colour are both 32 bits but distinct types on Windows.)
template <class C>
void GiveColour(std::span<C, kByteValues> colours, std::span<const bool, kByteValues> selected, C colour) {
  static_assert(sizeof(C) == sizeof(Colour));
  for (std::size_t value = 0; value < kByteValues; ++value)
    if (selected[value]) colours[value] = colour;
}

// The host's extension table: 100 entries of 524 bytes.
struct KindColour {
  char16_t szExt[260];  // as typed, NUL-terminated, at most 259 characters
  Colour crColor;
};
static_assert(sizeof(KindColour) == 524);
inline constexpr int kKindColours = 100, kKindSlots = 10;

// Slot k of a page shows entry top + k in an edit and a swatch.
struct KindSlot {
  int edit, swatch;
};
inline constexpr std::array<KindSlot, kKindSlots> kKindSlotIds = {{{IDC_KIND_EDIT0, IDC_KIND_SWATCH0},
                                                                   {IDC_KIND_EDIT1, IDC_KIND_SWATCH1},
                                                                   {IDC_KIND_EDIT2, IDC_KIND_SWATCH2},
                                                                   {IDC_KIND_EDIT3, IDC_KIND_SWATCH3},
                                                                   {IDC_KIND_EDIT4, IDC_KIND_SWATCH4},
                                                                   {IDC_KIND_EDIT5, IDC_KIND_SWATCH5},
                                                                   {IDC_KIND_EDIT6, IDC_KIND_SWATCH6},
                                                                   {IDC_KIND_EDIT7, IDC_KIND_SWATCH7},
                                                                   {IDC_KIND_EDIT8, IDC_KIND_SWATCH8},
                                                                   {IDC_KIND_EDIT9, IDC_KIND_SWATCH9}}};
std::optional<int> KindSlotOfSwatch(int id);

// A page of the extension table: its first entry and which way it can turn.
struct KindPage {
  int top;
  bool before, next;
  bool operator==(const KindPage&) const = default;
};
// The page step pages (+1 Next, -1 Before) away from the one at top. A step
// past either end stays on the end page, so no slot ever leaves the table.
KindPage TurnKindPage(int top, int step);

}  // namespace zv::settings
