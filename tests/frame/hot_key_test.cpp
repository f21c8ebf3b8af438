// The tray hook's decision on each keystroke, natively and under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hot_key.h"

namespace {

constexpr uint32_t kH = 'H', kJ = 'J', kCtrl = 0x11;  // VK_CONTROL

TEST(HotKey, EachModeTakesItsModifiersOnly) {
  // Modifier sets, in this order: none, Shift, Ctrl, Alt, Ctrl+Shift, Ctrl+Alt, Shift+Alt, all three.
  const struct {
    bool ctrl, shift, alt;
  } sets[] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  const struct {
    uint32_t mode;
    const char* takes;
  } cases[] = {
      {0, "x-------"}, {1, "-x------"}, {2, "--x-----"},          {3, "---x----"},
      {4, "xxxxxxxx"}, {7, "xxxxxxxx"}, {0xFFFFFFFF, "xxxxxxxx"},
  };
  for (const auto& c : cases) {
    std::string takes;
    for (const auto& s : sets) {
      int32_t armed = 1;
      takes += TakesHotKey(kH, c.mode, armed, {kH, true, s.ctrl, s.shift, s.alt}) ? 'x' : '-';
    }
    EXPECT_EQ(takes, c.takes) << "mode " << c.mode;
  }
}

TEST(HotKey, ArmsOnlyOnceTheHotKeyIsSeenUp) {
  struct Step {
    KeyStroke stroke;
    bool takes;
    int32_t armed;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"held through the hiding: its repeat, then its release, then a new press",
       {{{kH, true, true, false, false}, false, 0},
        {{kH, false, true, false, false}, false, 1},
        {{kH, true, true, false, false}, true, 1}}},
      {"another key while the hot key is held does not arm",
       {{{kJ, true, false, false, false}, false, 0}, {{kH, true, true, false, false}, false, 0}}},
      {"another key with the hot key up arms; the hot key's press is taken",
       {{{kCtrl, false, true, false, false}, false, 1}, {{kH, true, true, false, false}, true, 1}}},
      {"the hot key's own key must be down, not only named by the stroke",
       {{{kH, false, true, false, false}, false, 1}}},
      {"a down hot key with another stroke's key is not taken",
       {{{kJ, false, false, false, false}, false, 1}, {{kJ, true, true, false, false}, false, 1}}},
  };
  for (const auto& c : cases) {
    int32_t armed = 0;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      EXPECT_EQ(TakesHotKey(kH, 2, armed, step.stroke), step.takes) << c.name << ", step " << i;
      EXPECT_EQ(armed, step.armed) << c.name << ", step " << i;
    }
  }
}

}  // namespace
