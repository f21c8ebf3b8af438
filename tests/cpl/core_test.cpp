// Which table of known applets each Windows version lists from.
#include <gtest/gtest.h>

#include "applet_table.h"

namespace zv::cpl {
namespace {

TEST(AppletTable, VersionsPickTheirVariant) {
  const struct {
    std::uint32_t platform, major, minor;
    int variant;
  } cases[] = {{1, 4, 0, 0},  {1, 4, 10, 1}, {1, 4, 90, 4}, {0, 0, 0, 4},  // a record never filled
               {2, 4, 10, 2}, {2, 5, 0, 3},  {2, 5, 1, 5},  {2, 10, 0, 5}, {2, 3, 51, 5}};
  for (const auto& c : cases) EXPECT_EQ(OsVariant(c.platform, c.major, c.minor), c.variant) << c.major << c.minor;
}

}  // namespace
}  // namespace zv::cpl
