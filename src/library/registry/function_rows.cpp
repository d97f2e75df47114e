// The built-in function rows, in the language's order. Flags are the
// binding threshold (the least number of particle marks for which a call is
// bound by particle); particles are the parameters in order.
#include "library/control/control.h"
#include "library/dates/dates.h"
#include "library/files/files.h"
#include "library/graphics/graphics.h"
#include "library/network/network.h"
#include "library/numbers/numbers.h"
#include "library/objects/context_functions.h"
#include "library/objects/event_functions.h"
#include "library/registry/registry.h"
#include "library/registry/rows.h"
#include "library/settings/settings.h"
#include "library/strings/strings.h"
#include "library/system/system.h"
#include "library/tables/tables.h"
#include "library/textio/textio.h"

namespace qel {

const std::vector<FunctionRow>& functionRows() {
    // clang-format off
    static const std::vector<FunctionRow> rows{
    {u"応答,それ", 0, u"", fnAnswer},  // 1
    {u"質問", 2, u"を,で,として", fnAsk},  // 2
    {u"入力", 1, u"を,で,として", fnInput},  // 3
    {u"改行,エンター", 0, u"", fnNewLine},  // 4
    {u"タブ", 0, u"", fnTab},  // 5
    {u"左", 2, u"を,文字だけ", fnLeft},  // 6
    {u"右", 2, u"を,文字だけ", fnRight},  // 7
    {u"真ん中", 2, u"を,から,文字だけ", fnMid},  // 8
    {u"後ろから左", 2, u"から,文字だけ", fnDropRight},  // 9
    {u"置き換え,置換", 3, u"を,から,へ", fnReplace},  // 10
    {u"取り出せ", 4, u"番目,を,から,まで", fnExtract},  // 11
    {u"切り取り", 3, u"", fnCut},  // 12
    {u"一行だけ", 2, u"から,行目", fnOneLine},  // 13
    {u"スペース削除", 1, u"", fnTrim},  // 14
    {u"左のスペース削除", 1, u"", fnTrimLeft},  // 15
    {u"右のスペース削除", 1, u"", fnTrimRight},  // 16
    {u"アスキー", 1, u"", fnAsc},  // 17
    {u"キャラクタ", 1, u"", fnChr},  // 18
    {u"大文字", 1, u"", fnUpper},  // 19
    {u"小文字", 1, u"", fnLower},  // 20
    {u"全角", 1, u"", fnWide},  // 21
    {u"半角", 1, u"", fnNarrow},  // 22
    {u"ひらがな", 1, u"", fnHiragana},  // 23
    {u"カタカナ", 1, u"", fnKatakana},  // 24
    {u"ふりがな", 1, u"", fnReading},  // 25
    {u"繰り返せ", 2, u"回,を", fnRepeat},  // 26
    {u"スペース", 1, u"回", fnSpaces},  // 27
    {u"いくつ", 1, u"", fnCount},  // 28
    {u"行数,何行", 1, u"", fnLineCount},  // 29
    {u"文字数", 1, u"", fnLength},  // 30
    {u"探せ", 2, u"から,を,で", fnFind},  // 31
    {u"後ろから探せ", 2, u"を,で,から", fnFindLast},  // 32
    {u"書式", 2, u"を,で", fnFormat},  // 33
    {u"辞書", 2, u"", fnDictionary},  // 34
    {u"辞書一覧", 1, u"", fnDictionaryKeys},  // 35
    {u"パターン置き換え,パターン置換", 3, u"を,から,に", fnPatternReplace},  // 36
    {u"プログラム間メッセージ", 0, u"", fnChannelMessage},  // 37
    {u"Qelのバージョン", 0, u"", fnVersion},  // 38
    {u"Qelの最終更新日", 0, u"", fnLastUpdated},  // 39
    {u"バイト文字数", 1, u"", fnByteLength},  // 40
    {u"パーセント", 1, u"", fnPercent},  // 41
    {u"通貨形式", 1, u"", fnCurrency},  // 42
    {u"キー状態", 1, u"", fnKeyState},  // 43
    {u"判別", 3, u"について,と,で", fnJudge},  // 44
    {u"ドロップされたファイル", 0, u"", fnDroppedFiles},  // 45
    {u"選択されたファイル", 0, u"", fnChosenFile},  // 46
    {u"区切れ", 2, u"を,で", fnSplit},  // 47
    {u"行区切り", 2, u"を", fnSplitLines},  // 48
    {u"繋げろ", 2, u"を,で", fnJoin},  // 49
    {u"配列数", 1, u"から,方向", fnArrayCount},  // 50
    {u"配列検索", 2, u"から,を,列目", fnArraySearch},  // 51
    {u"配列取り出し", 2, u"から,を,列目,もの", fnArrayExtract},  // 52
    {u"配列削除", 2, u"から,を", fnArrayDelete},  // 53
    {u"配列判別", 2, u"を,で,列目", fnArrayJudge},  // 54
    {u"配列挿入", 3, u"", fnArrayInsert},  // 55
    {u"配列処理", 3, u"", fnArrayMap},  // 56
    {u"列取り出し", 2, u"から,列目", fnColumnExtract},  // 57
    {u"列検索", 0, u"", fnColumnSearch},  // 58
    {u"偏差値", 1, u"から,列目", fnStandardScore},  // 59
    {u"平均", 1, u"から,列目", fnAverage},  // 60
    {u"合計", 1, u"から,列目", fnSum},  // 61
    {u"最大値", 1, u"列目", fnMax},  // 62
    {u"最小値", 1, u"列目", fnMin},  // 63
    {u"実行形式", 0, u"", fnRunKind},  // 64
    {u"簡易符号化", 1, u"を,で", fnSimpleEncode},  // 65
    {u"ＨＴＴＰでダウンロード", 1, u"を,で,として", fnHttpDownload},  // 66
    {u"バイナリ配列", 1, u"", fnBinaryArray},  // 67
    {u"ＵＲＬ形式", 1, u"から,で", fnUrlEncode},  // 68
    {u"復元", 1, u"を,から", fnRestore},  // 69
    {u"今", 0, u"", fnNow},  // 70
    {u"日付", 0, u"", fnToday},  // 71
    {u"時間", 0, u"", fnTimeNow},  // 72
    {u"タイマー", 0, u"", fnTimer},  // 73
    {u"年", 0, u"", fnYear},  // 74
    {u"月", 0, u"", fnMonth},  // 75
    {u"日", 0, u"", fnDay},  // 76
    {u"時", 0, u"", fnHour},  // 77
    {u"分", 0, u"", fnMinute},  // 78
    {u"秒", 0, u"", fnSecond},  // 79
    {u"曜日", 0, u"", fnWeekday},  // 80
    {u"曜日名", 0, u"", fnWeekdayName},  // 81
    {u"日付計算", 3, u"", fnDateAdd},  // 82
    {u"日付差", 3, u"", fnDateDiff},  // 83
    {u"日付形式", 1, u"", fnDateValue},  // 84
    {u"時間形式", 1, u"", fnTimeValue},  // 85
    {u"起動時間", 0, u"", fnUptime},  // 86
    {u"タイトル", 0, u"", fnTitle},  // 87
    {u"貼り付け", 0, u"", fnClipboardText},  // 88
    {u"画面の幅", 0, u"", fnScreenWidth},  // 89
    {u"画面の高さ", 0, u"", fnScreenHeight},  // 90
    {u"マウスの横", 0, u"", fnMouseX},  // 91
    {u"マウスの縦", 0, u"", fnMouseY},  // 92
    {u"アイコンの横,カメの横", 0, u"", fnTurtleX},  // 93
    {u"アイコンの縦,カメの縦", 0, u"", fnTurtleY},  // 94
    {u"色", 0, u"", fnPenColour},  // 95
    {u"マウスカーソル", 0, u"", fnContainerPointer},  // 96
    {u"ＲＧＢ", 3, u"", fnRgb},  // 97
    {u"ウィンドウズのバージョン", 0, u"", fnWindowsVersion},  // 98
    {u"ウィンドウズのビルド番号", 0, u"", fnWindowsBuild},  // 99
    {u"ウィンドウズの種類", 0, u"", fnWindowsKind},  // 100
    {u"環境変数", 1, u"", fnEnvironmentVariable},  // 101
    {u"起動中", 0, u"", fnIsRunning},  // 102
    {u"コマンドライン,起動時設定", 0, u"", fnCommandLine},  // 103
    {u"エラーメッセージ", 0, u"", fnErrorMessage},  // 104
    {u"エラー番号", 0, u"", fnErrorNumber},  // 105
    {u"エラーファイル", 0, u"", fnErrorFile},  // 106
    {u"エラー行", 0, u"", fnErrorLine},  // 107
    {u"設定", 1, u"を,で", fnSetting},  // 108
    {u"ＨＬＳ", 3, u"", fnHls},  // 109
    {u"画面のマウスの横", 0, u"", fnScreenMouseX},  // 110
    {u"画面のマウスの縦", 0, u"", fnScreenMouseY},  // 111
    {u"押したボタン", 0, u"", fnPressedButton},  // 112
    {u"押したキー", 0, u"", fnPressedKey},  // 113
    {u"押したキー番号", 0, u"", fnPressedKeyCode},  // 114
    {u"起動中プログラム一覧", 0, u"", fnRunningPrograms},  // 115
    {u"フォント一覧", 0, u"", fnFontFamilies},  // 116
    {u"アイコンの色,カメの色", 0, u"", fnPenColour},  // 117
    {u"アクティブウィンドウの名前", 0, u"", fnActiveWindowName},  // 118
    {u"場所", 0, u"", fnContainerName},  // 119
    {u"レジストリのサブキー一覧", 0, u"", fnRegistrySubkeys},  // 120
    {u"レジストリの値一覧", 0, u"", fnRegistryValueNames},  // 121
    {u"１０進数,１０進", 1, u"", fnFromHex},  // 122
    {u"１６進数,１６進", 1, u"", fnToHex},  // 123
    {u"切り捨て", 1, u"から,位", fnTruncate},  // 124
    {u"小数切り捨て", 1, u"", fnFloor},  // 125
    {u"サイン,ＳＩＮ", 1, u"度", fnSin},  // 126
    {u"コサイン,ＣＯＳ", 1, u"度", fnCos},  // 127
    {u"タンジェント,ＴＡＮ", 1, u"度", fnTan},  // 128
    {u"四捨五入", 1, u"から,位", fnRound},  // 129
    {u"絶対値", 1, u"", fnAbs},  // 130
    {u"平方根,平方", 1, u"", fnSqrt},  // 131
    {u"べき乗", 1, u"", fnExp},  // 132
    {u"乱数", 1, u"まで", fnRandom},  // 133
    {u"ログ,ＬＯＧ", 1, u"", fnLog},  // 134
    {u"論理和,ＯＲ", 2, u"", fnBitOr},  // 135
    {u"論理包含", 2, u"", fnBitImp},  // 136
    {u"排他的論理和,ＸＯＲ", 2, u"", fnBitXor},  // 137
    {u"論理等価", 2, u"", fnBitEqv},  // 138
    {u"論理積", 2, u"", fnBitAnd},  // 139
    {u"アークタンジェント", 1, u"", fnAtan},  // 140
    {u"ラジアン", 1, u"度", fnRadians},  // 141
    {u"円周率", 0, u"", fnPi},  // 142
    {u"アークサイン", 1, u"", fnAsin},  // 143
    {u"アークコサイン", 1, u"", fnAcos},  // 144
    {u"切り上げ", 1, u"", fnCeiling},  // 145
    {u"開け", 1, u"を,で", fnOpen},  // 146
    {u"ファイル検索", 0, u"", fnFileSearch},  // 147
    {u"フォルダ検索", 0, u"", fnFolderSearch},  // 148
    {u"ドライブ検索", 0, u"", fnDriveSearch},  // 149
    {u"ファイルサイズ", 1, u"", fnFileSize},  // 150
    {u"ファイル更新日", 1, u"", fnFileDate},  // 151
    {u"ファイル属性", 2, u"の,について", fnFileAttributes},  // 152
    {u"フォルダだけ", 1, u"", fnFolderOnly},  // 153
    {u"名前だけ", 1, u"", fnNameOnly},  // 154
    {u"拡張子だけ", 1, u"", fnExtensionOnly},  // 155
    {u"ＥＵＣで開け", 1, u"を", fnOpenEuc},  // 156
    {u"ＪＩＳで開け", 1, u"を", fnOpenJis},  // 157
    {u"ファイル一覧", 1, u"", fnFileList},  // 158
    {u"フォルダ一覧", 1, u"", fnFolderList},  // 159
    {u"ドライブ一覧", 0, u"", fnDriveList},  // 160
    {u"全ファイル一覧", 1, u"", fnAllFiles},  // 161
    {u"全フォルダ一覧", 1, u"", fnAllFolders},  // 162
    {u"符号化", 1, u"を", fnEncodeFile},  // 163
    {u"作業フォルダ", 0, u"", fnWorkFolder},  // 164
    {u"相対パス", 0, u"", fnRelativePath},  // 165
    {u"設定ファイル", 0, u"", fnSettingsFile},  // 166
    {u"変換", 1, u"を", fnConvert},  // 167
    {u"ウィンドウズフォルダ", 0, u"", fnWindowsFolder},  // 168
    {u"システムフォルダ", 0, u"", fnSystemFolder},  // 169
    {u"テンポラリフォルダ", 0, u"", fnTempFolder},  // 170
    {u"デスクトップフォルダ,デスクトップ", 0, u"", fnDesktopFolder},  // 171
    {u"マイドキュメントフォルダ,マイドキュメント", 0, u"", fnDocumentsFolder},  // 172
    {u"お気に入りフォルダ", 0, u"", fnFavoritesFolder},  // 173
    {u"スタートメニューフォルダ", 0, u"", fnStartMenuFolder},  // 174
    {u"プログラムフォルダ", 0, u"", fnProgramsFolder},  // 175
    {u"スタートアップフォルダ", 0, u"", fnStartupFolder},  // 176
    {u"送るフォルダ", 0, u"", fnSendToFolder},  // 177
    {u"今の位置", 0, u"", fnScriptFolder},  // 178
    {u"ファイルサイズ形式", 1, u"", fnFileSizeText},  // 179
    {u"アプリのファイル名", 0, u"", fnAppFileName},  // 180
    {u"プログラムファイルフォルダ", 0, u"", fnProgramFilesFolder},  // 181
    };
    // clang-format on
    return rows;
}

}  // namespace qel
