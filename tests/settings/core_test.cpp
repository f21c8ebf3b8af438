// The display settings' decisions, natively and under Wine: the extension
// table's pages, the placement shown for the desktop values, and what OK
// writes back.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "colour_tables.h"
#include "wallpaper_form.h"

namespace {

using namespace zv::settings;

TEST(KindPages, TurnWithinTheTable) {
  const struct {
    int top, step;
    KindPage page;
  } cases[] = {
      {0, +1, {10, true, true}},  {80, +1, {90, true, false}}, {90, +1, {90, true, false}},
      {90, -1, {80, true, true}}, {10, -1, {0, false, true}},  {0, -1, {0, false, true}},
  };
  for (const auto& c : cases) EXPECT_EQ(TurnKindPage(c.top, c.step), c.page) << c.top << " " << c.step;
}

TEST(Wallpaper, PlacementShownForTheDesktopValues) {
  constexpr auto kNone = std::nullopt;
  const struct {
    std::optional<int> style, tile;
    Placement shown;
  } cases[] = {
      {2, 1, Placement::kStretch},    {2, kNone, Placement::kStretch},    {0, 1, Placement::kTile},
      {0, 0, Placement::kCentre},     {kNone, kNone, Placement::kCentre}, {kNone, 1, Placement::kTile},
      {1, kNone, Placement::kTile},  // the style's number is still in the buffer
      {0, kNone, Placement::kCentre}, {3, 0, Placement::kCentre},         {0, -1, Placement::kTile},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlacementFromValues(c.style, c.tile), c.shown) << c.style.value_or(-9) << " " << c.tile.value_or(-9);
}

TEST(Wallpaper, OkWritesTheValuesInOrder) {
  const std::u16string long100(100, u'9');
  const struct {
    Placement placement;
    bool useOrigin;
    std::u16string x, y;
    std::vector<DesktopWrite> writes;
  } cases[] = {
      {Placement::kStretch,
       true,
       u"10",
       u"-20",
       {{u"TileWallpaper", u"0"},
        {u"WallpaperStyle", u"2"},
        {u"WallpaperOriginX", u"10"},
        {u"WallpaperOriginY", u"-20"}}},
      {Placement::kTile,
       false,
       u"10",
       u"20",
       {{u"TileWallpaper", u"1"},
        {u"WallpaperStyle", u"0"},
        {u"WallpaperOriginX", std::nullopt},
        {u"WallpaperOriginY", std::nullopt}}},
      {Placement::kCentre,
       true,
       long100,
       u"ｘ座標",
       {{u"TileWallpaper", u"0"},
        {u"WallpaperStyle", u"0"},
        {u"WallpaperOriginX", std::u16string(99, u'9')},
        {u"WallpaperOriginY", u"ｘ座標"}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WallpaperWrites(c.placement, c.useOrigin, c.x, c.y), c.writes) << static_cast<int>(c.placement);
}

}  // namespace
