#include "applet_table.h"

namespace zv::cpl {
namespace {

// Windows 95, Windows 98 (full-width kana), NT 4, and 2000 and later.
constexpr AppletRow kTable0[] = {
    {u"ACCESS.CPL", u"ﾕｰｻﾞｰ補助", u"ﾕｰｻﾞｰ補助の設定を変更します。", 0},
    {u"APPWIZ.CPL", u"ｱﾌﾟﾘｹｰｼｮﾝの追加と削除", u"ｱﾌﾟﾘｹｰｼｮﾝをｾｯﾄｱｯﾌﾟして、ｼｮｰﾄｶｯﾄを作成します。", 0},
    {u"INETCPL.CPL", u"ﾕｰｻﾞｰ", u"このｺﾝﾋﾟｭｰﾀに複数のﾕｰｻﾞｰを設定し管理します。", 1},
    {u"INETCPL.CPL", u"ｲﾝﾀｰﾈｯﾄ", u"ｲﾝﾀｰﾈｯﾄの設定を変更します。", 1},
    {u"INTL.CPL", u"地域", u"数字、通過、日付、時刻の表示方法を変更します", 0},
    {u"JOY.CPL", u"ゲーム コントローラ", u"ゲーム コントローラの設定を追加、削除、または変更します", 0},
    {u"MAIN.CPL", u"ﾌｫﾝﾄ", u"ｺﾝﾋﾟｭｰﾀのﾌｫﾝﾄを表示、追加、削除します。", 1},
    {u"MAIN.CPL", u"ﾌﾟﾘﾝﾀ", u"ﾌﾟﾘﾝﾀの設定を追加、削除、変更します。", 1},
    {u"MAIN.CPL", u"ｷｰﾎﾞｰﾄﾞ", u"ｷｰﾎﾞｰﾄﾞの設定を変更します。", 1},
    {u"MAIN.CPL", u"ﾏｳｽ", u"ﾏｳｽの設定を変更します。", 1},
    {u"MAIN.CPL", u"PC ｶｰﾄﾞ (PCMCIA)", u"PCMCIA ｿｹｯﾄを使用可能にしたり、PC ｶｰﾄﾞを設定します。", 1},
    {u"MAIN.CPL", u"ﾊﾟﾜｰ ﾏﾈｰｼﾞﾒﾝﾄ", u"ﾊﾟﾜｰ ﾏﾈｰｼﾞﾒﾝﾄのｵﾌﾟｼｮﾝを変更します。", 1},
    {u"MMSYS.CPL", u"ｻｳﾝﾄﾞ", u"ｺﾝﾋﾟｭｰﾀやｱﾌﾟﾘｹｰｼｮﾝのｻｳﾝﾄﾞを設定します。", 1},
    {u"MMSYS.CPL", u"ﾏﾙﾁﾒﾃﾞｨｱ", u"ﾏﾙﾁﾒﾃﾞｨｱ ﾃﾞﾊﾞｲｽの設定を変更します。", 1},
    {u"MODEM.CPL", u"ﾓﾃﾞﾑ", u"新しいﾓﾃﾞﾑをｲﾝｽﾄｰﾙし、ﾓﾃﾞﾑの設定を変更します。", 0},
    {u"NETCPL.CPL", u"ﾈｯﾄﾜｰｸ", u"ﾈｯﾄﾜｰｸのﾊｰﾄﾞｳｪｱとｿﾌﾄｳｪｱを設定します。", 0},
    {u"ODBCCP32.CPL", u"ODBC ﾃﾞｰﾀ ｿｰｽ (32ﾋﾞｯﾄ)", u"32ﾋﾞｯﾄ ODBC ﾃﾞｰﾀ ｿｰｽとﾄﾞﾗｲﾊﾞを保守します。", 0},
    {u"POWERCFG.CPL", u"電源の管理", u"電源の管理の設定を変更します。", 0},
    {u"SYSDM.CPL", u"ｼｽﾃﾑ", u"ｼｽﾃﾑの基本情報を表示し、詳細設定を変更します。", 1},
    {u"SYSDM.CPL", u"ﾊｰﾄﾞｳｪｱの追加", u"ｼｽﾃﾑに新しいﾊｰﾄﾞｳｪｱを追加します。", 1},
    {u"TIMEDATE.CPL", u"日付と時刻", u"日付、時刻とﾀｲﾑ ｿﾞｰﾝを設定します。", 0},
    {u"TELEPHON.CPL", u"ﾃﾚﾌｫﾆｰ", u"ﾃﾚﾌｫﾆｰ ﾄﾞﾗｲﾊﾞとﾀﾞｲﾔﾙ ﾌﾟﾛﾊﾟﾃｨを設定します。", 0},
    {u"TWEAKUI.CPL", u"Tweak UI", u"ﾕｰｻﾞｰｲﾝﾀｰﾌｪｰｽ詳細設定", 0},
};
constexpr AppletRow kTable1[] = {
    {u"ACCESS.CPL", u"ユーザー補助", u"ユーザー補助の設定を変更します。", 0},
    {u"APPWIZ.CPL", u"アプリケーションの追加と削除", u"アプリケーションをセットアップし、ショートカットを作成します。",
     0},
    {u"INETCPL.CPL", u"ユーザー", u"このコンピュータに複数のユーザーを設定し管理します。", 1},
    {u"INETCPL.CPL", u"インターネット オプション", u"インターネットの設定を変更します。", 1},
    {u"INTL.CPL", u"地域", u"数字、通過、日付、時刻の表示方法を変更します", 0},
    {u"JOY.CPL", u"ゲーム コントローラ", u"ゲーム コントローラの設定を追加、削除、または変更します", 0},
    {u"MAIN.CPL", u"フォント", u"コンピュータのフォントを表示、追加、削除します。", 1},
    {u"MAIN.CPL", u"ﾌﾟﾘﾝﾀ", u"プリンタの設定を追加、削除、変更します。", 1},
    {u"MAIN.CPL", u"キーボード", u"キーボードの設定を変更します。", 1},
    {u"MAIN.CPL", u"マウス", u"マウスの設定を変更します。", 1},
    {u"MAIN.CPL", u"PC カード (PCMCIA)", u"PCMCIA ソケットを使用可能にしたり、PC カードを設定します。", 1},
    {u"MAIN.CPL", u"パワー マネージメント", u"パワー マネージメントのオプションを変更します。", 1},
    {u"MMSYS.CPL", u"サウンド", u"コンピュータやアプリケーションのサウンドを設定します。", 1},
    {u"MMSYS.CPL", u"マルチメディア", u"マルチメディア デバイスの設定を変更します。", 1},
    {u"MODEM.CPL", u"モデム", u"新しいモデムをインストールし、モデムの設定を変更します。", 0},
    {u"NETCPL.CPL", u"ネットワーク", u"ネットワークのハードウェアとソフトウェアを設定します。", 0},
    {u"ODBCCP32.CPL", u"ODBC データ ソース (32ビット)", u"32ビット ODBC データ ソースとドライバを保守します。", 0},
    {u"POWERCFG.CPL", u"電源の管理", u"電源の管理の設定を変更します。", 0},
    {u"SYSDM.CPL", u"システム", u"システムの基本情報を表示し、詳細設定を変更します。", 1},
    {u"SYSDM.CPL", u"ハードウェアの追加", u"システムに新しいハードウェアを追加します。", 1},
    {u"TIMEDATE.CPL", u"日付と時刻", u"日付、時刻とタイム ゾーンを設定します。", 0},
    {u"TELEPHON.CPL", u"テレフォニー", u"テレフォニー ドライバとダイヤル プロパティを設定します。", 0},
    {u"TWEAKUI.CPL", u"Tweak UI", u"ユーザーインターフェース詳細設定", 0},
};
constexpr AppletRow kTable2[] = {
    {u"APPWIZ.CPL", u"ｱﾌﾟﾘｹｰｼｮﾝの追加と削除", u"ｱﾌﾟﾘｹｰｼｮﾝをｾｯﾄｱｯﾌﾟして、ｼｮｰﾄｶｯﾄを作成します。", 0},
    {u"CONSOLE.CPL", u"ｺﾝｿｰﾙ", u"ｺﾝｿｰﾙのﾌﾟﾛﾊﾟﾃｨを構成します。", 0},
    {u"DEVAPPS.CPL", u"ﾃｰﾌﾟ ﾃﾞﾊﾞｲｽ", u"ﾃｰﾌﾟ ﾃﾞﾊﾞｲｽを検出し、ﾌﾟﾛﾊﾟﾃｨを表示します。", 1},
    {u"DEVAPPS.CPL", u"PC ｶｰﾄﾞ (PCMCIA)", u"PCMCIA ｿｹｯﾄを有効にし、PC ｶｰﾄﾞ (PCMCIA) の設定を変更します。", 1},
    {u"DEVAPPS.CPL", u"SCSI ｱﾀﾞﾌﾟﾀ", u"SCSI ｱﾀﾞﾌﾟﾀを追加または削除し、ﾌﾟﾛﾊﾟﾃｨを表示します。", 1},
    {u"INETCPL.CPL", u"ｲﾝﾀｰﾈｯﾄ", u"ｲﾝﾀｰﾈｯﾄの設定を変更します。", 0},
    {u"INTL.CPL", u"地域", u"数字や通貨、日付と時刻の表示方法を変更します。", 0},
    {u"MAIN.CPL", u"ｷｰﾎﾞｰﾄﾞ", u"ｷｰﾎﾞｰﾄﾞの設定を変更します。", 1},
    {u"MAIN.CPL", u"ﾌｫﾝﾄ", u"ﾌｫﾝﾄを表示、追加、削除します。", 1},
    {u"MAIN.CPL", u"ﾌﾟﾘﾝﾀ", u"ﾌﾟﾘﾝﾀのﾌﾟﾛﾊﾟﾃｨを追加、削除、変更します。", 1},
    {u"MAIN.CPL", u"ﾏｳｽ", u"ﾏｳｽの設定を変更します。", 1},
    {u"MMSYS.CPL", u"ｻｳﾝﾄﾞ", u"ｺﾝﾋﾟｭｰﾀやｱﾌﾟﾘｹｰｼｮﾝのｻｳﾝﾄﾞを設定します。", 1},
    {u"MMSYS.CPL", u"ﾏﾙﾁﾒﾃﾞｨｱ", u"ﾏﾙﾁﾒﾃﾞｨｱ ﾃﾞﾊﾞｲｽの設定を変更します。", 1},
    {u"MODEM.CPL", u"ﾓﾃﾞﾑ", u"新しいﾓﾃﾞﾑをｲﾝｽﾄｰﾙし、ﾓﾃﾞﾑのﾌﾟﾛﾊﾟﾃｨを変更します。", 0},
    {u"NCPA.CPL", u"ﾈｯﾄﾜｰｸ", u"ﾈｯﾄﾜｰｸ ﾊｰﾄﾞｳｪｱおよびｿﾌﾄｳｪｱを構成します。", 0},
    {u"ODBCCP32.CPL", u"ODBC", u"ODBC ﾃﾞｰﾀｿｰｽとﾄﾞﾗｲﾊﾞの保存", 0},
    {u"PARCPL.CPL", u"ﾊﾟﾗﾚﾙ ﾎﾟｰﾄ", u"ﾊﾟﾗﾚﾙ ﾎﾟｰﾄの設定を指定します。", 0},
    {u"PORTS.CPL", u"ｼﾘｱﾙ ﾎﾟｰﾄ", u"ｼﾘｱﾙ ﾎﾟｰﾄの通信設定を指定します。", 0},
    {u"RASCPL.CPL", u"ﾀﾞｲﾔﾙｱｯﾌﾟ ﾓﾆﾀ", u"ﾀﾞｲﾔﾙｱｯﾌﾟ接続の状態を監視します。", 0},
    {u"SRVMGR.CPL", u"ｻｰﾊﾞｰ", u"ﾛｰｶﾙ ｻｰﾊﾞｰのﾌﾟﾛﾊﾟﾃｨの表示と管理を行います。", 1},
    {u"SRVMGR.CPL", u"ｻｰﾋﾞｽ", u"ｻｰﾋﾞｽの開始、停止、および構成を行います。", 1},
    {u"SRVMGR.CPL", u"ﾃﾞﾊﾞｲｽ", u"ﾃﾞﾊﾞｲｽ ﾄﾞﾗｲﾊﾞの開始と停止を行います。", 1},
    {u"SYSDM.CPL", u"ｼｽﾃﾑ", u"ｼｽﾃﾑ情報を提供し、環境設定を変更します。", 0},
    {u"TIMEDATE.CPL", u"日付と時刻", u"日付、時刻とﾀｲﾑ ｿﾞｰﾝを設定します。", 0},
    {u"UPS.CPL", u"無停電電源(UPS)", u"無停電電源を構成します。", 0},
    {u"TELEPHON.CPL", u"ﾃﾚﾌｫﾆｰ", u"ﾃﾚﾌｫﾆｰ ﾄﾞﾗｲﾊﾞおよびﾀﾞｲﾔﾙのﾌﾟﾛﾊﾟﾃｨを構成します。", 0},
};
constexpr AppletRow kTable3[] = {
    {u"ACCESS.CPL", u"ユーザー補助のオプション", u"ユーザー補助の機能をカスタマイズします。", 0},
    {u"APPWIZ.CPL", u"アプリケーションの追加と削除",
     u"アプリケーションやWindowsコンポーネントをインストールおよび削除します。", 1},
    {u"APPWIZ.CPL", u"フォルダ オプション",
     u"ファイルやフォルダの表示のカスタマイズ、ファイルの関連付けの変更、ネットワーク "
     u"ファイルのオフライン利用を設定します。",
     1},
    {u"HDWWIZ.CPL", u"ハードウェアの追加と削除",
     u"ハードウェアをインストール、削除、およびトラブルシューティングします。", 0},
    {u"INETCPL.CPL", u"インターネット オプション", u"インターネットの表示画面や接続情報を設定します。", 0},
    {u"INTL.CPL", u"地域のオプション", u"言語、数値、時刻および日付の表示設定をカスタマイズします。", 0},
    {u"JOY.CPL", u"ゲーム コントローラ",
     u"ジョイスティック、ゲームパッドなどのゲーム コントローラのハードウェアを追加、削除、構成します", 0},
    {u"MAIN.CPL", u"キーボード", u"キーボードの設定をカスタマイズします。", 1},
    {u"MAIN.CPL", u"マウス", u"マウスの設定をカスタマイズします。", 1},
    {u"MMSYS.CPL", u"サウンドとマルチメディア", u"イベントにサウンドを割り当ててサウンド デバイスを構成します。", 0},
    {u"POWERCFG.CPL", u"電源オプション", u"コンピュータの省電力設定を構成します。", 0},
    {u"SYSDM.CPL", u"システム", u"システムの基本情報を表示し、詳細設定を変更します。", 0},
    {u"TIMEDATE.CPL", u"日付と時刻", u"日付、時刻とタイム ゾーンを設定します。", 0},
    {u"TELEPHON.CPL", u"電話とモデムのオプション", u"電話とダイヤル情報とモデムのプロパティを構成します。", 0},
    {u"TWEAKUI.CPL", u"Tweak UI", u"ユーザーインターフェース詳細設定", 0},
    {u"UPS.CPL", u"無停電電源(UPS)", u"無停電電源を構成します。", 0},
};

}  // namespace

int OsVariant(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
  constexpr std::uint32_t kNt = 2;
  if (platformId != kNt) {
    if (major == 4 && minor == 0) return 0;
    if (major == 4 && minor == 10) return 1;
    return 4;
  }
  if (major == 4) return 2;
  if (major == 5 && minor == 0) return 3;
  return 5;
}

std::span<const AppletRow> AppletTable(int variant) {
  switch (variant) {
    case 0:
      return kTable0;
    case 1:
      return kTable1;
    case 2:
      return kTable2;
    default:
      return kTable3;
  }
}

bool SameFileName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

FilePlan PlanFile(std::u16string_view file, std::span<const std::u16string_view> excluded,
                  std::span<const AppletRow> table, bool confirm) {
  for (const std::u16string_view name : excluded) {
    if (SameFileName(file, name)) return {FilePlan::kSkip, nullptr};
  }
  for (const AppletRow& row : table) {
    if (SameFileName(file, row.file)) return {FilePlan::kFromTable, &row};
  }
  return {confirm ? FilePlan::kAskThenLoad : FilePlan::kLoad, nullptr};
}

}  // namespace zv::cpl
