// What the applet list decides without the system: the version's table, and
// what becomes of each file found.
#include <gtest/gtest.h>

#include <set>
#include <vector>

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

TEST(AppletTable, FilesAreExcludedInAnyCaseElseTakeTheirFirstRowElseLoad) {
  const std::vector<std::u16string_view> excluded = {u"", u"JOY.cpl", u"Ｍain.cpl"};  // only ASCII letters fold
  const struct {
    std::u16string_view file;
    bool confirm;
    FilePlan::Action action;
    std::u16string_view name;
  } cases[] = {
      {u"joy.CPL", false, FilePlan::kSkip, {}},
      {u"main.cpl", true, FilePlan::kFromTable, u"キーボード"},
      {u"Appwiz.Cpl", false, FilePlan::kFromTable, u"アプリケーションの追加と削除"},
      {u"bthprops.cpl", true, FilePlan::kAskThenLoad, {}},
      {u"main.cp", false, FilePlan::kLoad, {}},
  };
  for (const auto& c : cases) {
    const FilePlan plan = PlanFile(c.file, excluded, AppletTable(5), c.confirm);
    EXPECT_EQ(plan.action, c.action) << c.file.size();
    EXPECT_EQ(plan.row ? plan.row->name : u"", c.name) << c.file.size();
  }
}

TEST(AppletTable, TablesHoldTheirRowsWithFlagsOnFilesListedTwice) {
  const std::set<std::u16string_view> win9x = {u"INETCPL.CPL", u"MAIN.CPL", u"MMSYS.CPL", u"SYSDM.CPL"};
  const struct {
    int variant;
    size_t rows;
    std::set<std::u16string_view> twice;
  } cases[] = {{0, 23, win9x},
               {1, 23, win9x},
               {2, 26, {u"DEVAPPS.CPL", u"MAIN.CPL", u"MMSYS.CPL", u"SRVMGR.CPL"}},
               {3, 16, {u"APPWIZ.CPL", u"MAIN.CPL"}}};
  for (const auto& c : cases) {
    EXPECT_EQ(AppletTable(c.variant).size(), c.rows);
    for (const AppletRow& row : AppletTable(c.variant)) {
      EXPECT_EQ(row.flag, c.twice.count(row.file)) << c.variant << " " << row.name.size();
      EXPECT_TRUE(row.name.size() < 32 && row.info.size() < 64);  // what the host's fields hold
    }
  }
}

}  // namespace
}  // namespace zv::cpl
