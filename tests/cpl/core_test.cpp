// What the applet list decides without the system: the version's table, the
// row found for a file, exclusion and confirmation.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "applet_table.h"

namespace zv::cpl {
namespace {

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {  // the tables hold no surrogate pairs
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

TEST(AppletTable, VersionsPickTheirVariant) {
  const struct {
    std::uint32_t platform, major, minor;
    int variant;
  } cases[] = {
      {1, 4, 0, 0}, {1, 4, 10, 1}, {1, 4, 90, 4}, {1, 5, 0, 4},  {0, 0, 0, 4},  // a record never filled
      {2, 4, 0, 2}, {2, 4, 10, 2}, {2, 5, 0, 3},  {2, 5, 1, 5},  {2, 5, 2, 5},
      {2, 6, 1, 5}, {2, 10, 0, 5}, {2, 3, 51, 5}, {3, 4, 10, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OsVariant(c.platform, c.major, c.minor), c.variant) << c.platform << " " << c.major << "." << c.minor;
  }
}

TEST(AppletTable, EachFileGetsItsFirstRowUnlessExcludedOrElseIsLoaded) {
  const std::vector<std::u16string_view> none, excluded = {u"", u"JOY.cpl", u"Main.Cpl"};
  const struct {
    int variant;
    std::u16string_view file;
    std::vector<std::u16string_view> excluded;
    bool confirm;
    FilePlan::Action action;
    std::u16string_view name, info;
    std::uint32_t flag;
  } cases[] = {
      {5, u"main.cpl", none, true, FilePlan::kFromTable, u"キーボード", u"キーボードの設定をカスタマイズします。", 1},
      {5, u"mmsys.cpl", none, false, FilePlan::kFromTable, u"サウンドとマルチメディア",
       u"イベントにサウンドを割り当ててサウンド デバイスを構成します。", 0},
      {3, u"Appwiz.Cpl", none, false, FilePlan::kFromTable, u"アプリケーションの追加と削除",
       u"アプリケーションやWindowsコンポーネントをインストールおよび削除します。", 1},
      {4, u"UPS.CPL", none, false, FilePlan::kFromTable, u"無停電電源(UPS)", u"無停電電源を構成します。", 0},
      {0, u"inetcpl.cpl", none, false, FilePlan::kFromTable, u"ﾕｰｻﾞｰ", u"このｺﾝﾋﾟｭｰﾀに複数のﾕｰｻﾞｰを設定し管理します。",
       1},
      {0, u"tweakui.cpl", none, false, FilePlan::kFromTable, u"Tweak UI", u"ﾕｰｻﾞｰｲﾝﾀｰﾌｪｰｽ詳細設定", 0},
      {1, u"main.cpl", none, false, FilePlan::kFromTable, u"フォント",
       u"コンピュータのフォントを表示、追加、削除します。", 1},
      {1, u"joy.cpl", none, false, FilePlan::kFromTable, u"ゲーム コントローラ",
       u"ゲーム コントローラの設定を追加、削除、または変更します", 0},
      {2, u"srvmgr.cpl", none, false, FilePlan::kFromTable, u"ｻｰﾊﾞｰ", u"ﾛｰｶﾙ ｻｰﾊﾞｰのﾌﾟﾛﾊﾟﾃｨの表示と管理を行います。",
       1},
      {2, u"TELEPHON.CPL", none, false, FilePlan::kFromTable, u"ﾃﾚﾌｫﾆｰ",
       u"ﾃﾚﾌｫﾆｰ ﾄﾞﾗｲﾊﾞおよびﾀﾞｲﾔﾙのﾌﾟﾛﾊﾟﾃｨを構成します。", 0},
      // Not in the version's table, or not quite the name: loaded, asked first when wanted.
      {2, u"joy.cpl", none, false, FilePlan::kLoad, {}, {}, 0},
      {5, u"bthprops.cpl", none, true, FilePlan::kAskThenLoad, {}, {}, 0},
      {5, u"main.cp", none, false, FilePlan::kLoad, {}, {}, 0},
      {5, u"main.cpl ", none, true, FilePlan::kAskThenLoad, {}, {}, 0},
      // Excluded in any letter case, known or not; only ASCII letters fold.
      {5, u"main.cpl", excluded, true, FilePlan::kSkip, {}, {}, 0},
      {5, u"joy.CPL", excluded, false, FilePlan::kSkip, {}, {}, 0},
      {5, u"mmsys.cpl", excluded, false, FilePlan::kFromTable, u"サウンドとマルチメディア",
       u"イベントにサウンドを割り当ててサウンド デバイスを構成します。", 0},
      {5, u"ｊｏｙ.cpl", {u"Ｊｏｙ.cpl"}, false, FilePlan::kLoad, {}, {}, 0},
  };
  for (const auto& c : cases) {
    const FilePlan plan = PlanFile(c.file, c.excluded, AppletTable(c.variant), c.confirm);
    const std::string where = std::to_string(c.variant) + " " + Utf8(c.file);
    EXPECT_EQ(plan.action, c.action) << where;
    if (plan.action != FilePlan::kFromTable || c.action != FilePlan::kFromTable) continue;
    EXPECT_EQ(Utf8(plan.row->name), Utf8(c.name)) << where;
    EXPECT_EQ(Utf8(plan.row->info), Utf8(c.info)) << where;
    EXPECT_EQ(plan.row->flag, c.flag) << where;
  }
}

TEST(AppletTable, TablesHoldTheirRowsWithFlagsOnFilesListedTwice) {
  const struct {
    int variant;
    size_t rows;
    std::set<std::u16string_view> twice;
  } cases[] = {
      {0, 23, {u"INETCPL.CPL", u"MAIN.CPL", u"MMSYS.CPL", u"SYSDM.CPL"}},
      {1, 23, {u"INETCPL.CPL", u"MAIN.CPL", u"MMSYS.CPL", u"SYSDM.CPL"}},
      {2, 26, {u"DEVAPPS.CPL", u"MAIN.CPL", u"MMSYS.CPL", u"SRVMGR.CPL"}},
      {5, 16, {u"APPWIZ.CPL", u"MAIN.CPL"}},
  };
  for (const auto& c : cases) {
    const auto table = AppletTable(c.variant);
    EXPECT_EQ(table.size(), c.rows) << c.variant;
    for (const AppletRow& row : table) {
      EXPECT_EQ(row.flag, c.twice.count(row.file)) << c.variant << " " << Utf8(row.file);
      // The host's fields hold 31 and 63 characters.
      EXPECT_LE(row.name.size(), 31u) << Utf8(row.name);
      EXPECT_LE(row.info.size(), 63u) << Utf8(row.info);
    }
  }
}

}  // namespace
}  // namespace zv::cpl
