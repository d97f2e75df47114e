// The numbered resource tables, compiled in. Each table is lines of
// key=value; in message texts the two characters \n stand for a line break,
// %1 for the word of the report and %d for the last fault's description.
#include "resources/resource_tables.h"

#include "resources/error_catalogue.h"

namespace qel::resources {
namespace {

// Message-box styles by name.
constexpr TextView kTable201 =
    uR"TABLE(情報=64
警告=48
質問=32
禁止=16
はいといいえ=4
ＯＫとキャンセル=1
はいといいえとキャンセル=3)TABLE";

// File attributes by name (ファイル属性変更, ファイル属性).
constexpr TextView kTable204 =
    uR"TABLE(通常ファイル=0
読み取り専用ファイル=1
隠しファイル=2
システムファイル=4
フォルダ=6
アーカイブ=32)TABLE";

// Archiver options. The options of the old LHA archiver mean nothing to the
// archives written here; they are still names in force so that scripts
// using them evaluate as before.
constexpr TextView kTable202 =
    uR"TABLE(LHA非表示=-n1 
LHA属性維持=-a1 
LHAフォルダ有効=-x1 
LHAプログレスバー=-jp1 )TABLE";

// Program aliases: each a list of command lines separated by "|", the first
// whose program is installed wins (and the first when none is). Users
// override them in $XDG_CONFIG_HOME/qelscript/programs.conf.
constexpr TextView kTable203 =
    uR"TABLE(メモ帳=gnome-text-editor|gedit|kate|mousepad|xed|pluma|featherpad|kwrite|leafpad
電卓=gnome-calculator|kcalc|galculator|mate-calc|qalculate-gtk|xcalc
CDプレーヤー=rhythmbox|audacious|clementine|vlc cdda://
デフラグ=gnome-disks|partitionmanager|gparted
スキャンディスク=gnome-disks|partitionmanager|gparted
エクスプローラ=nautilus|dolphin|thunar|pcmanfm|nemo|caja|pcmanfm-qt
ペイント=kolourpaint|pinta|drawing|mtpaint|gimp)TABLE";

// Named constants, chiefly the answers of dialogs.
constexpr TextView kTable205 =
    uR"TABLE(オン=1
オフ=0
OK=1
キャンセル=2
中止=3
再試行=4
無視=5
はい=6
いいえ=7)TABLE";

// Colour names: a basic colour number (0–15), a system colour number (16–22)
// or &h with red, green and blue. A name listed twice (さくら) means its first
// value.
constexpr TextView kTable206 =
    uR"TABLE(黒=0
紺=1
緑=2
茶=4
紫=5
ネズミ=7
灰=8
青=9
黄緑=10
水=11
深い水=3
赤=12
ピンク=13
黄=14
深い黄=6
白=15
くろ=0
こん=1
みどり=2
ちゃ=4
むらさき=5
ねずみ=7
はい=8
あお=9
きみどり=10
みず=11
ふかいみず=3
あか=12
さくら=13
き=14
ふかいき=6
しろ=15
標準=16
標準のウィンドウ色=16
標準の文字の色=17
デスクトップの色=18
チップヘルプの色=19
アクティブウィンドウの色=20
非アクティブウィンドウの色=21
選択の色=22
肌=&hFFD8B5
オレンジ=&hFF8000
さくら=&hFFD5EA
森=&h008040
マスカット=&h80FF00
レモン=&hFFFFAA
メロン=&h80FF80
ライム=&hd7ff44
スカイブルー=&h86ddff
青りんご=&ha2f07c
ベージュ=&he6c58d
マリンブルー=&h00688e
若竹=&h37b471
ミントグリーン=&h22fab9
ミントブルー=&h22e4fa
若葉=&h9ae800)TABLE";

// Mouse pointers by name.
constexpr TextView kTable207 =
    uR"TABLE(標準=0
矢印=1
十文字=2
テキスト選択=3
２重の四角形=4
移動=5
右上左下=6
上下=7
左上右下=8
左右=9
上矢印=10
砂時計=11
禁止=12
矢印と砂時計=13
矢印とヘルプ=14
サイズ変更=15)TABLE";

}  // namespace

TextView resourceTableSource(int number) {
    switch (number) {
        case kMessageTable:
            return messageTableSource();
        case 201:
            return kTable201;
        case 202:
            return kTable202;
        case 203:
            return kTable203;
        case 204:
            return kTable204;
        case 205:
            return kTable205;
        case 206:
            return kTable206;
        case 207:
            return kTable207;
        default:
            return {};
    }
}

}  // namespace qel::resources
