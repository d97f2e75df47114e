// The setting words: names that may stand on the left of an assignment
// (色は、赤) and are handled like commands.
#include "library/control/control.h"
#include "library/files/files.h"
#include "library/graphics/graphics.h"
#include "library/media/media.h"
#include "library/objects/context_functions.h"
#include "library/objects/objects.h"
#include "library/registry/registry.h"
#include "library/registry/rows.h"
#include "library/settings/settings.h"
#include "library/textio/textio.h"

namespace qel {

const std::vector<CommandRow>& settingRows() {
    // clang-format off
    static const std::vector<CommandRow> rows{
    {u"色,いろ", 0, u"", setPenColour},  // 1
    {u"形,かたち", 0, u"", setTurtleForm},  // 2
    {u"背景,はいけい", 0, u"", setContainerBackground},  // 3
    {u"タイトル", 0, u"", setTitle},  // 4
    {u"位置,いち", 0, u"", setPosition},  // 5
    {u"場所,ばしょ", 0, u"", setContainer},  // 6
    {u"向き,むき", 0, u"", setHeading},  // 7
    {u"太さ,ふとさ", 0, u"", setLineWidth},  // 8
    {u"エラー", 0, u"", setErrorMode},  // 9
    {u"処理状況", 0, u"", setProgressProcedure},  // 10
    {u"マウスカーソル", 0, u"", setContainerPointer},  // 11
    {u"作業フォルダ", 0, u"", setWorkFolder},  // 12
    {u"音色,ねいろ,おんしょく", 0, u"", setInstrument},  // 13
    {u"テンポ", 0, u"", setTempo},  // 14
    {u"JPEGプログレッシブ", 0, u"", setJpegProgressive},  // 15
    {u"JPEG圧縮率", 0, u"", setJpegQuality},  // 16
    {u"起動時設定", 0, u"", setStartupText},  // 17
    {u"設定ファイル", 0, u"", setSettingsFile},  // 18
    {u"ここだけの変数", 0, u"", setLocals},  // 19
    };
    // clang-format on
    return rows;
}

}  // namespace qel
