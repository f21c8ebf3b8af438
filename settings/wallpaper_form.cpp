#include "wallpaper_form.h"

namespace zv::settings {

namespace {

constexpr std::size_t kOriginChars = 99;

}  // namespace

Placement PlacementFromValues(std::optional<int> style, std::optional<int> tile) {
  int buffer = 0;  // the zeroed buffer reads as 0
  if (style) buffer = *style;
  if (buffer == 2) return Placement::kStretch;
  if (tile) buffer = *tile;
  return buffer != 0 ? Placement::kTile : Placement::kCentre;
}

std::vector<DesktopWrite> WallpaperWrites(Placement placement, bool useOrigin, std::u16string_view originX,
                                          std::u16string_view originY) {
  std::vector<DesktopWrite> writes = {
      {u"TileWallpaper", placement == Placement::kTile ? u"1" : u"0"},
      {u"WallpaperStyle", placement == Placement::kStretch ? u"2" : u"0"},
  };
  if (useOrigin) {
    writes.push_back({u"WallpaperOriginX", std::u16string(originX.substr(0, kOriginChars))});
    writes.push_back({u"WallpaperOriginY", std::u16string(originY.substr(0, kOriginChars))});
  } else {
    writes.push_back({u"WallpaperOriginX", std::nullopt});
    writes.push_back({u"WallpaperOriginY", std::nullopt});
  }
  return writes;
}

}  // namespace zv::settings
