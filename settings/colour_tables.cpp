#include "colour_tables.h"

#include <algorithm>

namespace zv::settings {

std::optional<std::size_t> AttColourIndex(int id) {
  const auto found = std::find(kAttColourIds.begin(), kAttColourIds.end(), id);
  if (found == kAttColourIds.end()) return std::nullopt;
  return static_cast<std::size_t>(found - kAttColourIds.begin());
}

std::size_t ChooserStartValue(int caret) {
  return caret < 0 || static_cast<std::size_t>(caret) >= kByteValues ? 0 : static_cast<std::size_t>(caret);
}

std::optional<int> KindSlotOfSwatch(int id) {
  for (int slot = 0; slot < kKindSlots; ++slot)
    if (kKindSlotIds[slot].swatch == id) return slot;
  return std::nullopt;
}

KindPage TurnKindPage(int top, int step) {
  const int last = kKindColours - kKindSlots;
  const int turned = std::clamp(top + step * kKindSlots, 0, last);
  return {turned, turned > 0, turned < last};
}

}  // namespace zv::settings
