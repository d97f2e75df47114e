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
        default:
            return {};
    }
}

}  // namespace qel::resources
