// What the wallpaper dialog decides apart from the registry and its controls:
// the placement it shows for the desktop values it finds, and the values OK
// writes back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::settings {

enum class Placement { kCentre, kTile, kStretch };

// The placement shown for "WallpaperStyle" and "TileWallpaper" as integers,
// nullopt where a value could not be read. Both are read into one buffer, so
// a "TileWallpaper" that cannot be read leaves "WallpaperStyle"'s number to
// decide between Tile and Centre.
Placement PlacementFromValues(std::optional<int> style, std::optional<int> tile);

// One change to the desktop key: a REG_SZ written, or the value deleted.
struct DesktopWrite {
  std::u16string name;
  std::optional<std::u16string> text;  // nullopt deletes
  bool operator==(const DesktopWrite&) const = default;
};

// What OK writes, in order: the tiling, the style, then the start position
// as typed (at most 99 characters each) or its deletion.
std::vector<DesktopWrite> WallpaperWrites(Placement placement, bool useOrigin, std::u16string_view originX,
                                          std::u16string_view originY);

}  // namespace zv::settings
