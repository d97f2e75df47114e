// The numbered resource tables, compiled in. Each table is lines of
// key=value; in message texts the two characters \n stand for a line break,
// %1 for the word of the report and %d for the last fault's description.
#include "resources/resource_tables.h"

namespace qel::resources {
namespace {

// Error and warning messages.
constexpr TextView kTable106 = uR"TABLE(1=知らない命令です。\n命令が正しいか確認してください。\n%1
2=もし命令の文法が間違っています。「なら」の前後を確認してください。
3=判断式が判別できませんでした。\nリファレンスを参照して、正しく式を書いているか確認してください。
4=関数で指定している数字が正しくありません。\n数字が有効範囲を越えていないか確認して下さい。%1
5=指定した数字がマイナスになっています。\n数字が正しいか確認して下さい。\n\n%1
6=「%1」という関数または配列は、見つかりません。
7=文法が正しくありません。スペースがありません。
8=数値が正しくありません。\n%1
9=指定した行がありません。\n%1行目
10=指定した列がありません。\n%1列目
11=数値が大きすぎます
12=%1は、命令ですので文字や数字を代入できません
21="、"か"，"の数が足りません。\n命令の実行に必要な情報がすべて指定されていないようです。\nヘルプで正しく命令しているか確認してください。
22="「」"がありません。
23="）"がありません。
24=「もし終わり」がありません。
25=辞書の情報を入れる変数を指定して下さい。
26=レジストリの書き込みに失敗しました\n%1
27=この機能を利用するにはMS-IME98が必要です\n%1
28=正規表現を使うには、インターネットエクスプローラ5.0以上が必要です。
29=%1というラベルが見つかりません。
30=レジストリの項目を削除できませんでした。\nキーが不正です。\n%1
31=数字が範囲を越えているか、正しくありません
32=キーが正しくありません。\nキーを指定するときは「 」をつける必要があります。\n%1
33=%1は関数ですので関数自体に代入できません
34=関数に必要な情報（引数）が不足しています。
35=命令に必要な情報（助詞・引数）が不足しています。
36=命令に必要な数値が正しく入力されていません。
37=配列の番号には、0より下を指定することはできません。
38=正規表現が正しくありません。エラー番号:%1
39=設定ファイルへの書き込みが失敗しました。
40=%1を指定してください。
41=%1を正しく指定してください。
42=分岐終わりがありません。
999=原因が不明なエラーです。\n%1
101=消すオブジェクトが正しくありません。
102=%1と言う設定項目は、ありません。
103=「%1」と言うオブジェクトはありません。\nオブジェクトを作成できません。
104=「%1」と言うオブジェクトは見つかりません。
105=オブジェクトを指定してください。
106=「%1」は、選択できません。
107=パネルの番号を指定してください。
108=「%1」と言う項目は、ありません。
201=%1が見つかりません。
202=フォルダ名が不正です。または読み込み専用になっています。\n%1
203=ファイルへ保存できません。\n%1
204=%1が見つかりません。\nファイル名に「\」が含まれる場合カッコ（「 」）でファイル名を囲う必要があります。
205=%1形式の圧縮はできません。
206=圧縮形式が不明です。拡張子を指定してください。
207=圧縮時にエラーが発生しました。\n%1
208=解凍時にエラーが発生しました。\n%1
209=アプリケーション以外のファイルを"起動"できません。\n%1
210=%1を開くことができません。\n%1
211=フォルダ名が正しくありません。\n%1
212=ショートカットを作成できませんでした。\nファイル名が「 」で囲まれているか確認してください。
301=プリンタへ印刷できません。\n%1
302=%1は、印刷に対応していません。\n印刷に対応したオブジェクトで印刷してください。
303=プリンタ番号が正しくありません。
401=vbmp3.dllが見つかりません。
402=MP3再生エラー : %1
403=MP3の設定を変更できませんでした。
499=MCIでエラーが発生しました。MCI構文が違うかデバイスに問題があります。%1
501=保存する対象を指定して下さい。
502=PNGファイルの読み出しに失敗しました。\n%1
601=DLLファイル　%1が見つかりません。
602=DLL関数　%1が見つかりません。
603=プラグインが利用できません。\nプログラム名([プロジェクト名].[クラス名])が正しいか確認してください。\n%1
604=DLLの呼び出しがうまくできませんでした。
605=Qelオリジナルの命令名で宣言することはできません。
606=プラグイン「%1」が見つかりません。
607=指定したクラス「%1」は、Qelvaneプラグインではありません。
608=このプラグインは、コントロールタイプではありません。\nオブジェクトを作成できません。
701=FTPサーバに接続できませんでした。
702=FTPのアップロードに失敗しました。
703=%1をダウンロードできませんでした。
99=保護機能が有効です。現在の設定では、以下の命令を実行できません。\n%1)TABLE";

// Message-box styles by name.
constexpr TextView kTable201 = uR"TABLE(情報=64
警告=48
質問=32
禁止=16
はいといいえ=4
ＯＫとキャンセル=1
はいといいえとキャンセル=3)TABLE";

// File attributes by name (ファイル属性変更, ファイル属性).
constexpr TextView kTable204 = uR"TABLE(通常ファイル=0
読み取り専用ファイル=1
隠しファイル=2
システムファイル=4
フォルダ=6
アーカイブ=32)TABLE";

// Archiver options. The options of the old LHA archiver mean nothing to the
// archives written here; they are still names in force so that scripts
// using them evaluate as before.
constexpr TextView kTable202 = uR"TABLE(LHA非表示=-n1 
LHA属性維持=-a1 
LHAフォルダ有効=-x1 
LHAプログレスバー=-jp1 )TABLE";

// Program aliases: each a list of command lines separated by "|", the first
// whose program is installed wins (and the first when none is). Users
// override them in $XDG_CONFIG_HOME/qelscript/programs.conf.
constexpr TextView kTable203 = uR"TABLE(メモ帳=gnome-text-editor|gedit|kate|mousepad|xed|pluma|featherpad|kwrite|leafpad
電卓=gnome-calculator|kcalc|galculator|mate-calc|qalculate-gtk|xcalc
CDプレーヤー=rhythmbox|audacious|clementine|vlc cdda://
デフラグ=gnome-disks|partitionmanager|gparted
スキャンディスク=gnome-disks|partitionmanager|gparted
エクスプローラ=nautilus|dolphin|thunar|pcmanfm|nemo|caja|pcmanfm-qt
ペイント=kolourpaint|pinta|drawing|mtpaint|gimp)TABLE";

// Named constants, chiefly the answers of dialogs.
constexpr TextView kTable205 = uR"TABLE(オン=1
オフ=0
OK=1
キャンセル=2
中止=3
再試行=4
無視=5
はい=6
いいえ=7)TABLE";

}  // namespace

TextView resourceTableSource(int number) {
    switch (number) {
        case 106: return kTable106;
        case 201: return kTable201;
        case 202: return kTable202;
        case 203: return kTable203;
        case 204: return kTable204;
        case 205: return kTable205;
        default: return {};
    }
}

}  // namespace qel::resources
