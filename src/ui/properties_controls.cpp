// The properties of buttons, pictures, scroll bars, check and option boxes,
// images, timers, labels and shapes.
#include <cmath>

#include "ui/property_support.h"

namespace qel::ui {

namespace {

#define DRAW_STYLE_WORDS u"標準", u"破線", u"点線", u"一点破線", u"二点破線"
#define FILL_STYLE_WORDS \
    u"標準", u"透明", u"横線", u"縦線", u"右下斜線", u"右上斜線", u"交差", u"網かけ"

// ---- buttons ---------------------------------------------------------------------------

enum ButtonId { Enter, Cancel };
constexpr PropertyName kButtonNames[] = {{u"エンター", Enter}, {u"キャンセル", Cancel}};

void button(PropertyContext& c, int id) {
    switchValue(c, id == Enter ? WidgetValue::Default : WidgetValue::Cancel);
}

// ---- pictures --------------------------------------------------------------------------

enum PictureId { AutoSize, Border, Persistent, DrawMode, DrawStyle, FillStyle, Units, Smooth };
// clang-format off
constexpr PropertyName kPictureNames[] = {
    {u"自動調整", AutoSize}, {u"枠", Border}, {u"再描画", Persistent},
    {u"描画モード", DrawMode}, {u"描画スタイル", DrawStyle},
    {u"塗りつぶしスタイル", FillStyle}, {u"座標", Units}, {u"なめらか", Smooth},
};
// clang-format on

void picture(PropertyContext& c, int id) {
    switch (PictureId(id)) {
        case AutoSize:
            return switchValue(c, WidgetValue::AutoSize);
        case Border:
            return switchValue(c, WidgetValue::Border);
        case Persistent:
            return switchValue(c, WidgetValue::Persistent);
        case DrawMode:
            return numberValue(c, WidgetValue::DrawMode);
        case DrawStyle:
            return wordValue(c, WidgetValue::DrawStyle, {DRAW_STYLE_WORDS});
        case FillStyle:
            return wordValue(c, WidgetValue::FillStyle, {FILL_STYLE_WORDS});
        case Smooth:
            return smoothingValue(c);
        case Units:
            // A picture draws in its window's unit.
            if (c.getting()) {
                Text unit = c.object.window->Prop(u"座標");
                c.result.value = unit.empty() ? Text(u"標準") : unit;
            } else if (auto n = wordNumber(
                           c, {u"標準", u"印刷用", u"ミリメートル", u"センチメートル"})) {
                static constexpr TextView kUnits[] = {u"標準", u"印刷用", u"ミリメートル",
                                                      u"センチメートル"};
                c.object.window->SetProp(u"座標", kUnits[*n]);
            }
            return;
    }
}

// ---- scroll bars -----------------------------------------------------------------------

enum ScrollId { Large, Small, Maximum, Minimum, Value };
// clang-format off
constexpr PropertyName kScrollNames[] = {
    {u"最大幅", Large}, {u"最小幅", Small}, {u"最大値", Maximum}, {u"最高値", Maximum},
    {u"最小値", Minimum}, {u"最低値", Minimum}, {u"数字", Value},
};
// clang-format on

void scroll(PropertyContext& c, int id) {
    static constexpr WidgetValue kValues[] = {WidgetValue::LargeChange, WidgetValue::SmallChange,
                                              WidgetValue::Maximum, WidgetValue::Minimum,
                                              WidgetValue::Value};
    numberValue(c, kValues[id]);
}

// ---- check and option boxes ------------------------------------------------------------

constexpr PropertyName kCheckNames[] = {{u"チェック", 0}};

void check(PropertyContext& c, int) {
    numberValue(c, WidgetValue::Checked);
}

// ---- images ----------------------------------------------------------------------------

constexpr PropertyName kImageNames[] = {{u"拡大縮小", 0}};

void image(PropertyContext& c, int) {
    switchValue(c, WidgetValue::Stretch);
}

// ---- timers ----------------------------------------------------------------------------

constexpr PropertyName kTimerNames[] = {{u"時間", 0}, {u"間隔", 0}};

void timer(PropertyContext& c, int) {
    if (c.getting()) return numberValue(c, WidgetValue::Interval);
    if (c.request.number > 60000) return c.engine.Report(ErrorId::TimerIntervalTooLong), void();
    if (c.request.number < 0) return c.engine.Report(ErrorId::TimerIntervalNegative), void();
    port(c).set(c.object.widget, WidgetValue::Interval, std::round(c.request.number));
}

// ---- labels ----------------------------------------------------------------------------

enum LabelId { Transparent, LabelAutoSize, Alignment, AccessKey, Wrap };
// clang-format off
constexpr PropertyName kLabelNames[] = {
    {u"透明化", Transparent}, {u"自動調整", LabelAutoSize}, {u"表示位置", Alignment},
    {u"アクセスキー", AccessKey}, {u"折り返し", Wrap},
};
// clang-format on

void label(PropertyContext& c, int id) {
    switch (LabelId(id)) {
        case Transparent:
            return switchValue(c, WidgetValue::Transparent);
        case LabelAutoSize:
            return switchValue(c, WidgetValue::AutoSize);
        case Alignment:
            return wordValue(c, WidgetValue::Alignment, {u"左", u"右", u"中央"});
        case AccessKey:
            // Whether & in the caption marks an access key; the model keeps it.
            if (c.getting()) {
                c.result.value = c.object.accessKey ? u"1" : u"0";
            } else {
                c.object.accessKey = c.request.number != 0;
            }
            return;
        case Wrap:
            return switchValue(c, WidgetValue::WordWrap);
    }
}

// ---- shapes and lines ------------------------------------------------------------------

enum ShapeId { Form, LineWidth, LineColour, LineStyle };
// clang-format off
constexpr PropertyName kShapeNames[] = {
    {u"形", Form}, {u"線の太さ", LineWidth}, {u"線の色", LineColour}, {u"線の種類", LineStyle},
};
// clang-format on

void shape(PropertyContext& c, int id) {
    switch (ShapeId(id)) {
        case Form:
            // Two words name the rounded forms; the first 丸めの長方形 is the
            // rounded rectangle, 5 (the rounded square) is reached by number.
            return wordValue(
                c, WidgetValue::Shape,
                {u"長方形", u"正方形", u"楕円", u"円", u"丸めの長方形", u"丸めの正方形"});
        case LineWidth:
            if (!c.getting() && c.request.number < 1) return reportBadValue(c);
            return numberValue(c, WidgetValue::LineWidth);
        case LineColour:
            return colourValue(c, WidgetValue::BorderColour);
        case LineStyle:
            return wordValue(c, WidgetValue::LineStyle, {DRAW_STYLE_WORDS});
    }
}

}  // namespace

const PropertyFamily kButtonProperties{kButtonNames, button};
const PropertyFamily kPictureProperties{kPictureNames, picture};
const PropertyFamily kScrollProperties{kScrollNames, scroll};
const PropertyFamily kCheckProperties{kCheckNames, check};
const PropertyFamily kImageProperties{kImageNames, image};
const PropertyFamily kTimerProperties{kTimerNames, timer};
const PropertyFamily kLabelProperties{kLabelNames, label};
const PropertyFamily kShapeProperties{kShapeNames, shape};

}  // namespace qel::ui
