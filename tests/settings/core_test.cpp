// The display settings' decisions: paging, the wallpaper's placement and what OK writes.
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
  } cases[] = {{0, 1, {10, true, true}},   {80, 1, {90, true, false}}, {90, 1, {90, true, false}},
               {90, -1, {80, true, true}}, {10, -1, {0, false, true}}, {0, -1, {0, false, true}}};
  for (const auto& c : cases) EXPECT_EQ(TurnKindPage(c.top, c.step), c.page) << c.top << " " << c.step;
}

TEST(Wallpaper, PlacementShownForTheDesktopValues) {
  const auto none = std::nullopt;
  const auto kC = Placement::kCentre, kT = Placement::kTile, kS = Placement::kStretch;
  const struct {
    std::optional<int> style, tile;
    Placement shown;
  } cases[] = {{2, 1, kS},       {2, none, kS}, {0, 1, kT},    {0, 0, kC},
               {none, none, kC}, {none, 1, kT}, {1, none, kT},  // the style's number is still in the buffer
               {0, none, kC},    {3, 0, kC},    {0, -1, kT}};
  for (const auto& c : cases)
    EXPECT_EQ(PlacementFromValues(c.style, c.tile), c.shown) << c.style.value_or(-9) << " " << c.tile.value_or(-9);
}

TEST(Wallpaper, OkWritesTheValuesInOrder) {
  EXPECT_EQ(WallpaperWrites(Placement::kStretch, true, std::u16string(100, u'9'), u"ｙ座標"),
            (std::vector<DesktopWrite>{{u"TileWallpaper", u"0"},
                                       {u"WallpaperStyle", u"2"},
                                       {u"WallpaperOriginX", std::u16string(99, u'9')},
                                       {u"WallpaperOriginY", u"ｙ座標"}}));
  EXPECT_EQ(WallpaperWrites(Placement::kTile, false, u"10", u"20"),
            (std::vector<DesktopWrite>{{u"TileWallpaper", u"1"},
                                       {u"WallpaperStyle", u"0"},
                                       {u"WallpaperOriginX", std::nullopt},
                                       {u"WallpaperOriginY", std::nullopt}}));
}

}  // namespace
