// What the task tray's keyboard hook decides about one keystroke: whether it
// is the hot key that brings the host's window back. Win32-free.
#pragma once

#include <cstdint>

// The state of the keyboard as the hook reads it for one keystroke.
struct KeyStroke {
  uint32_t virtualKey;  // the keystroke's key
  bool hotKeyDown;      // the hot key's own key, which need not be this keystroke's
  bool ctrlDown;
  bool shiftDown;
  bool altDown;  // from the keystroke's context code
};

// Modes 0 to 3 ask for none, Shift, Ctrl or Alt alone; any other mode for nothing.
bool ModifiersMatch(uint32_t mode, bool ctrlDown, bool shiftDown, bool altDown);

// True when the keystroke is the hot key with the mode's modifiers. armed turns
// 1 once the hot key has been seen up; until then nothing matches, so a hot key
// still held when the window was hidden has to be released and pressed anew.
bool TakesHotKey(uint32_t hotKey, uint32_t mode, int32_t& armed, const KeyStroke& stroke);
