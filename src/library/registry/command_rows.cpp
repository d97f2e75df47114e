// The command rows: one row per command, in the language's order, which
// decides which command a verb containing several command names reaches.
// Each row: names (aliases, comma-separated), flags, particles, handler.
#include "library/archives/archives.h"
#include "library/control/control.h"
#include "library/files/files.h"
#include "library/graphics/graphics.h"
#include "library/media/media.h"
#include "library/network/network.h"
#include "library/objects/objects.h"
#include "library/plugins/plugins.h"
#include "library/registry/registry.h"
#include "library/registry/rows.h"
#include "library/settings/settings.h"
#include "library/strings/strings.h"
#include "library/system/system.h"
#include "library/tables/tables.h"
#include "library/textio/textio.h"

namespace qel {

const std::vector<CommandRow>& commandRows() {
    // clang-format off
    static const std::vector<CommandRow> rows{
    {u"宣言", 1, u"", cmdDeclare},  // 1
    {u"画像コピー", 2, u"で", cmdCopyPicture},  // 2
    {u"抜ける,ぬける", 0, u"", cmdLeave},  // 3
    {u"表示", 0, u"", cmdDisplay},  // 4
    {u"繰り返", 0, u"", cmdRepeat},  // 5
    {u"作れ,作", 1, u"", cmdCreate},  // 6
    {u"起動して待", 1, u"", cmdStartAndWait},  // 7
    {u"起動", 1, u"", cmdStartProgram},  // 8
    {u"待て", 0, u"", cmdWait},  // 9
    {u"休憩", 0, u"", cmdRest},  // 10
    {u"変え", 2, u"", cmdChange},  // 11
    {u"使う,使", 1, u"として", cmdUse},  // 12
    {u"終了", 0, u"", cmdStop},  // 13
    {u"待機", 0, u"", cmdIdle},  // 14
    {u"飛べ,飛", 1, u"", cmdJump},  // 15
    {u"辞書保存", 2, u"", cmdSaveDictionary},  // 16
    {u"辞書初期化", 2, u"", cmdInitDictionary},  // 17
    {u"開始", 2, u"", cmdStart},  // 18
    {u"送信", 1, u"", cmdSend},  // 19
    {u"追加保存", 2, u"", cmdAppendSave},  // 20
    {u"保存", 2, u"", cmdSave},  // 21
    {u"選択", 1, u"", cmdChooseDialog},  // 22
    {u"開け,開", 1, u"", cmdOpen},  // 23
    {u"追加", 1, u"", cmdAddItem},  // 24
    {u"閉じる,閉じ", 0, u"", cmdClose},  // 25
    {u"入力", 1, u"", cmdTypeKeys},  // 26
    {u"入力２", 1, u"", cmdTypeRawKeys},  // 27
    {u"印刷", 0, u"", cmdPrint},  // 28
    {u"アクティブ", 1, u"", cmdActivate},  // 29
    {u"消せ,消す,消し", 1, u"", cmdErase},  // 30
    {u"計算", 1, u"", cmdCalculate},  // 31
    {u"足せ", 1, u"", cmdAdd},  // 32
    {u"引け", 0, u"", cmdSubtract},  // 33
    {u"命令", 2, u"", cmdOrder},  // 34
    {u"閉じない", 0, u"", cmdRefuseClose},  // 35
    {u"設定", 2, u"", cmdSetting},  // 36
    {u"日本語処理", 1, u"", cmdRunText},  // 37
    {u"実行", 1, u"", cmdExecute},  // 38
    {u"参照", 1, u"", cmdRefer},  // 39
    {u"呼び出せ", 0, u"", cmdCallNative},  // 40
    {u"並び替え", 2, u"", cmdSort},  // 41
    {u"報告", 1, u"", cmdReport},  // 42
    {u"パターン検索,パターンマッチ", 1, u"", cmdPatternSearch},  // 43
    {u"パターンサブマッチ", 1, u"", cmdPatternSubmatch},  // 44
    {u"検索", 1, u"", cmdSearch},  // 45
    {u"進", 1, u"", cmdAdvanceObject},  // 46
    {u"置き換え,置換", 1, u"", cmdReplace},  // 47
    {u"交換", 2, u"", cmdSwap},  // 48
    {u"入れ", 0, u"", cmdPut},  // 49
    {u"分岐", 0, u"", cmdBranch},  // 50
    {u"利用", 0, u"", cmdDeclareNative},  // 51
    {u"復元", 0, u"", cmdRestore},  // 52
    {u"右へ", 0, u"", cmdTurnRight},  // 53
    {u"左へ", 0, u"", cmdTurnLeft},  // 54
    {u"前へ", 0, u"", cmdForward},  // 55
    {u"後ろへ", 0, u"", cmdBackward},  // 56
    {u"枝", 0, u"", cmdTreeBranch},  // 57
    {u"円", 0, u"で,から,して", cmdCircle},  // 58
    {u"線", 0, u"で,から", cmdLine},  // 59
    {u"四角形", 0, u"で,から,して", cmdRectangle},  // 60
    {u"書け,書", 1, u"", cmdWrite},  // 61
    {u"大きくスタンプ", 0, u"", cmdLargeStamp},  // 62
    {u"スタンプ", 0, u"", cmdStamp},  // 63
    {u"点", 0, u"", cmdPoint},  // 64
    {u"塗れ,塗", 0, u"", cmdFill},  // 65
    {u"出て", 0, u"", cmdShowObject},  // 66
    {u"隠れ", 0, u"", cmdHideObject},  // 67
    {u"上げ", 1, u"", cmdRaiseObject},  // 68
    {u"下げ,下ろ", 1, u"", cmdLowerObject},  // 69
    {u"焦点,フォーカス", 1, u"", cmdFocus},  // 70
    {u"最前面", 1, u"", cmdBringToFront},  // 71
    {u"最背面", 1, u"", cmdSendToBack},  // 72
    {u"再描画", 0, u"", cmdRepaint},  // 73
    {u"ついて", 1, u"", cmdAbout},  // 74
    {u"ついておわり,ついて終わり", 1, u"", cmdAboutEnd},  // 75
    {u"ポップアップメニュー", 1, u"", cmdPopupMenu},  // 76
    {u"移動開始", 1, u"", cmdStartMove},  // 77
    {u"挿入", 2, u"", cmdInsert},  // 78
    {u"手前,しない", 0, u"", cmdStayOnTop},  // 79
    {u"戻", 0, u"", cmdUndo},  // 80
    {u"再起動", 1, u"", cmdRestartSystem},  // 81
    {u"ログオフ", 1, u"", cmdLogOff},  // 82
    {u"強制終了", 1, u"", cmdForcedLogOff},  // 83
    {u"スタンバイ", 1, u"", cmdStandby},  // 84
    {u"関連づけ,関連付け", 2, u"", cmdAssociate},  // 85
    {u"移動", 2, u"", cmdMove},  // 86
    {u"コピー", 1, u"", cmdCopy},  // 87
    {u"削除", 1, u"", cmdDelete},  // 88
    {u"ファイル属性変更", 2, u"", cmdChangeAttributes},  // 89
    {u"変更", 2, u"", cmdRename},  // 90
    {u"圧縮", 2, u"", cmdCompress},  // 91
    {u"解凍", 2, u"", cmdExtract},  // 92
    {u"ダウンロード", 2, u"", cmdDownload},  // 93
    {u"アップロード", 2, u"", cmdUpload},  // 94
    {u"バックアップ", 2, u"", cmdBackup},  // 95
    {u"リピート再生", 1, u"", cmdRepeatPlay},  // 96
    {u"再生", 1, u"", cmdPlay},  // 97
    {u"一時停止", 0, u"", cmdTogglePause},  // 98
    {u"再開", 0, u"", cmdResumeMedia},  // 99
    {u"停止", 0, u"", cmdStopMedia},  // 100
    {u"演奏", 1, u"", cmdPerform},  // 101
    {u"透過処理", 1, u"", cmdMakeTransparent},  // 102
    {u"クリア", 0, u"", cmdClearSurface},  // 103
    {u"フェードイン", 1, u"", cmdFadeIn},  // 104
    {u"フェードアウト", 1, u"", cmdFadeOut},  // 105
    {u"右回転", 1, u"", cmdTurnPictureRight},  // 106
    {u"左右回転", 1, u"", cmdMirrorPicture},  // 107
    {u"上下回転", 1, u"", cmdFlipPicture},  // 108
    {u"色反転", 1, u"", cmdInvertColours},  // 109
    {u"ネガポジ", 1, u"", cmdInvertColours},  // 110
    {u"ストライプイン", 1, u"", cmdStripeIn},  // 111
    {u"ストライプアウト", 1, u"", cmdStripeOut},  // 112
    {u"スライドイン", 1, u"", cmdSlideIn},  // 113
    {u"スライドアウト", 1, u"", cmdSlideOut},  // 114
    {u"ランダムライン", 1, u"", cmdRandomLines},  // 115
    {u"ランダムドット", 1, u"", cmdRandomDots},  // 116
    {u"白黒", 1, u"", cmdGreyscale},  // 117
    {u"モザイク", 1, u"", cmdMosaic},  // 118
    {u"コントラスト", 1, u"", cmdContrast},  // 119
    {u"セピア", 1, u"", cmdSepia},  // 120
    {u"ぼかし,ぼかす,ぼかせ", 1, u"", cmdBlur},  // 121
    {u"エンボス", 1, u"", cmdEmboss},  // 122
    {u"ソラリゼーション", 1, u"", cmdSolarize},  // 123
    {u"鮮明化", 1, u"", cmdSharpen},  // 124
    {u"合成", 1, u"", cmdBlendPicture},  // 125
    {u"回転", 1, u"", cmdTurnPicture},  // 126
    {u"グラデーション", 1, u"", cmdGradient},  // 127
    {u"ひょうじ", 0, u"", cmdDisplay},  // 128
    {u"くりかえ", 0, u"", cmdRepeat},  // 129
    {u"つく", 0, u"", cmdCreate},  // 130
    {u"きどう", 0, u"", cmdStartProgram},  // 131
    {u"きどうしてまて", 0, u"", cmdStartAndWait},  // 132
    {u"まて", 0, u"", cmdWait},  // 133
    {u"きゅうけい", 0, u"", cmdRest},  // 134
    {u"かえ", 0, u"", cmdChange},  // 135
    {u"つかう", 0, u"", cmdUse},  // 136
    {u"しゅうりょう", 0, u"", cmdStop},  // 137
    {u"たいき", 0, u"", cmdIdle},  // 138
    {u"とべ,とび", 0, u"", cmdJump},  // 139
    {u"ついかほぞん", 0, u"", cmdAppendSave},  // 140
    {u"ほぞん", 0, u"", cmdSave},  // 141
    {u"せんたく", 0, u"", cmdChooseDialog},  // 142
    {u"ひらけ,ひら", 0, u"", cmdOpen},  // 143
    {u"ついか", 0, u"", cmdAddItem},  // 144
    {u"とじる,とじ", 0, u"", cmdClose},  // 145
    {u"にゅうりょく", 0, u"", cmdTypeKeys},  // 146
    {u"いんさつ", 0, u"", cmdPrint},  // 147
    {u"けせ", 0, u"", cmdErase},  // 148
    {u"けいさん", 0, u"", cmdCalculate},  // 149
    {u"たせ", 0, u"", cmdAdd},  // 150
    {u"ひけ", 0, u"", cmdSubtract},  // 151
    {u"めいれい", 0, u"", cmdOrder},  // 152
    {u"とじない", 0, u"", cmdRefuseClose},  // 153
    {u"せってい", 0, u"", cmdSetting},  // 154
    {u"じしょほぞん", 0, u"", cmdSaveDictionary},  // 155
    {u"にほんごしょり", 0, u"", cmdRunText},  // 156
    {u"せんげん", 0, u"", cmdDeclare},  // 157
    {u"じっこう", 0, u"", cmdExecute},  // 158
    {u"さんしょう", 0, u"", cmdRefer},  // 159
    {u"すす", 0, u"", cmdAdvanceObject},  // 160
    {u"いれ", 0, u"", cmdPut},  // 161
    {u"みぎへ", 0, u"", cmdTurnRight},  // 162
    {u"ひだりへ", 0, u"", cmdTurnLeft},  // 163
    {u"まえへ", 0, u"", cmdForward},  // 164
    {u"うしろへ", 0, u"", cmdBackward},  // 165
    {u"えだ", 0, u"", cmdTreeBranch},  // 166
    {u"えん", 0, u"", cmdCircle},  // 167
    {u"せん", 0, u"で,から", cmdLine},  // 168
    {u"しかっけい", 0, u"で,から,して", cmdRectangle},  // 169
    {u"かけ,かき,かく,かいて", 0, u"", cmdWrite},  // 170
    {u"おおきくスタンプ", 0, u"", cmdLargeStamp},  // 171
    {u"てん", 0, u"", cmdPoint},  // 172
    {u"ぬれ,ぬり", 0, u"", cmdFill},  // 173
    {u"でて", 0, u"", cmdShowObject},  // 174
    {u"かくれろ", 0, u"", cmdHideObject},  // 175
    {u"あげろ,あげる", 0, u"", cmdRaiseObject},  // 176
    {u"さげろ,おろせ,さげる", 0, u"", cmdLowerObject},  // 177
    {u"しょうてん", 0, u"", cmdFocus},  // 178
    {u"さいぜんめん", 0, u"", cmdBringToFront},  // 179
    {u"さいはいめん", 0, u"", cmdSendToBack},  // 180
    {u"さいびょうが", 0, u"", cmdRepaint},  // 181
    {u"いどうかいし", 0, u"", cmdStartMove},  // 182
    {u"そうにゅう", 0, u"", cmdInsert},  // 183
    {u"てまえ", 0, u"", cmdStayOnTop},  // 184
    {u"さいきどう", 0, u"", cmdRestartSystem},  // 185
    {u"きょうせいしゅうりょう", 0, u"", cmdForcedLogOff},  // 186
    {u"かんれんづけ", 0, u"", cmdAssociate},  // 187
    {u"いどう", 0, u"", cmdMove},  // 188
    {u"さくじょ", 0, u"", cmdDelete},  // 189
    {u"へんこう", 0, u"", cmdRename},  // 190
    {u"あっしゅく", 0, u"", cmdCompress},  // 191
    {u"かいとう", 0, u"", cmdExtract},  // 192
    {u"さいせい", 0, u"", cmdPlay},  // 193
    {u"リピートさいせい", 0, u"", cmdRepeatPlay},  // 194
    {u"いちじていし", 0, u"", cmdTogglePause},  // 195
    {u"ていし", 0, u"", cmdStopMedia},  // 196
    {u"えんそう", 0, u"", cmdPerform},  // 197
    };
    // clang-format on
    return rows;
}

}  // namespace qel
