#include "hot_key.h"

bool ModifiersMatch(uint32_t mode, bool ctrlDown, bool shiftDown, bool altDown) {
  switch (mode) {
    case 0:
      return !ctrlDown && !shiftDown && !altDown;
    case 1:
      return shiftDown && !ctrlDown && !altDown;
    case 2:
      return ctrlDown && !shiftDown && !altDown;
    case 3:
      return altDown && !ctrlDown && !shiftDown;
    default:
      return true;
  }
}

bool TakesHotKey(uint32_t hotKey, uint32_t mode, int32_t& armed, const KeyStroke& stroke) {
  if (!stroke.hotKeyDown) armed = 1;
  if (armed == 0) return false;
  return stroke.virtualKey == hotKey && stroke.hotKeyDown &&
         ModifiersMatch(mode, stroke.ctrlDown, stroke.shiftDown, stroke.altDown);
}
