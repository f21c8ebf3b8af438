// The tray hook's decision on each keystroke, natively and under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "hot_key.h"

namespace {

constexpr uint32_t kH = 'H', kJ = 'J', kCtrl = 0x11;  // VK_CONTROL

TEST(HotKey, EachModeTakesItsModifiersOnly) {
  // None, Shift, Ctrl, Alt, Ctrl+Shift, Ctrl+Alt, Shift+Alt, all three.
  const bool sets[][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  const struct {
    uint32_t mode;
    const char* takes;
  } cases[] = {{0, "x-------"}, {1, "-x------"}, {2, "--x-----"},
               {3, "---x----"}, {4, "xxxxxxxx"}, {0xFFFFFFFF, "xxxxxxxx"}};
  for (const auto& c : cases) {
    std::string takes;
    for (const auto& s : sets) {
      int32_t armed = 1;
      takes += TakesHotKey(kH, c.mode, armed, {kH, true, s[0], s[1], s[2]}) ? 'x' : '-';
    }
    EXPECT_EQ(takes, c.takes) << "mode " << c.mode;
  }
}

TEST(HotKey, ArmsOnlyOnceTheHotKeyIsSeenUp) {
  // Each step: the stroke (key, hot key down, Ctrl down) with mode 2, whether it is taken, armed after it.
  struct Step {
    uint32_t key;
    bool hotKeyDown, ctrl, takes;
    int32_t armed;
  };
  const std::vector<std::vector<Step>> cases = {
      {{kH, true, true, false, 0}, {kH, false, true, false, 1}, {kH, true, true, true, 1}},  // held, released, pressed
      {{kJ, true, false, false, 0}, {kH, true, true, false, 0}},    // other keys while held do not arm
      {{kCtrl, false, true, false, 1}, {kH, true, true, true, 1}},  // a key with the hot key up arms
      {{kH, false, true, false, 1}},                                // the hot key's own key must be down
      {{kJ, true, true, false, 0}, {kJ, false, true, false, 1}, {kJ, true, true, false, 1}},  // another stroke's key
  };
  for (size_t c = 0; c < cases.size(); ++c) {
    int32_t armed = 0;
    for (size_t i = 0; i < cases[c].size(); ++i) {
      const Step& step = cases[c][i];
      EXPECT_EQ(TakesHotKey(kH, 2, armed, {step.key, step.hotKeyDown, step.ctrl, false, false}), step.takes)
          << "case " << c << ", step " << i;
      EXPECT_EQ(armed, step.armed) << "case " << c << ", step " << i;
    }
  }
}

}  // namespace
