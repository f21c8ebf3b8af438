// The tray hook's decision on each keystroke, natively and under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "hot_key.h"

namespace {

TEST(HotKey, TakesTheModesModifiersOnlyOnceTheHotKeyHasBeenUp) {
  // Once armed, the hot key with none, Shift, Ctrl, Alt, Ctrl+Shift, Ctrl+Alt, Shift+Alt, all three.
  const bool sets[][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  const struct {
    uint32_t mode;
    const char* takes;
  } modes[] = {{0, "x-------"}, {1, "-x------"}, {2, "--x-----"},
               {3, "---x----"}, {7, "xxxxxxxx"}, {0xFFFFFFFF, "xxxxxxxx"}};
  for (const auto& c : modes) {
    std::string takes;
    for (const auto& s : sets) {
      int32_t armed = 1;
      takes += TakesHotKey('H', c.mode, armed, {'H', true, s[0], s[1], s[2]}) ? 'x' : '-';
    }
    EXPECT_EQ(takes, c.takes) << "mode " << c.mode;
  }
  // From a fresh hook, strokes with Ctrl in mode 2: the stroke's key and whether the hot key is down.
  const struct {
    std::vector<std::pair<uint32_t, bool>> strokes;
    const char* takes;
  } arming[] = {
      {{{'H', true}, {'H', false}, {'H', true}}, "--x"},  // held as the window hid, released, pressed anew
      {{{'J', true}, {'H', true}}, "--"},                 // another key while the hot key is held
      {{{'J', false}, {'H', true}}, "-x"},                // any key with the hot key up
  };
  for (const auto& c : arming) {
    int32_t armed = 0;
    std::string takes;
    for (const auto& [key, hotKeyDown] : c.strokes)
      takes += TakesHotKey('H', 2, armed, {key, hotKeyDown, true, false, false}) ? 'x' : '-';
    EXPECT_EQ(takes, c.takes);
  }
}

}  // namespace
