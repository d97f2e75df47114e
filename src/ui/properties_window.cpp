// The properties of windows (the common ones answer the rest).
#include <cmath>

#include "graphics/picture_io.h"
#include "graphics/window_shape.h"
#include "ui/property_support.h"

namespace qel::ui {

namespace {

enum Id {
    Caption,
    ClientWidth,
    ClientHeight,
    ClientSize,
    State,
    Style,
    Icon,
    Persistent,
    Fixed,
    DrawMode,
    DrawStyle,
    FillStyle,
    Opacity,
    OnTop,
    InitialState,
    Shape,
    PaintLock,
    Units,
    Taskbar,
    MinimiseBox,
    MaximiseBox,
    SystemMenu,
    RepaintControls,
    Smooth,
};

// clang-format off
constexpr PropertyName kNames[] = {
    {u"名前", Caption}, {u"中の幅", ClientWidth}, {u"中の高さ", ClientHeight},
    {u"中の大きさ", ClientSize}, {u"状態", State}, {u"種類", Style}, {u"アイコン", Icon},
    {u"再描画", Persistent}, {u"位置固定", Fixed}, {u"描画モード", DrawMode},
    {u"描画スタイル", DrawStyle}, {u"塗りつぶしスタイル", FillStyle}, {u"透明度", Opacity},
    {u"最前面", OnTop}, {u"初期状態", InitialState}, {u"変形", Shape},
    {u"描画ロック", PaintLock}, {u"座標", Units}, {u"タスクバー表示", Taskbar},
    {u"最小化ボタン", MinimiseBox}, {u"最大化ボタン", MaximiseBox},
    {u"システムメニュー", SystemMenu}, {u"オブジェクト再描画", RepaintControls},
    {u"なめらか", Smooth},
};
// clang-format on

#define STYLE_WORDS u"標準", u"固定", u"縁無し", u"ツール", u"固定ツール", u"フルスクリーン"
#define DRAW_STYLE_WORDS u"標準", u"破線", u"点線", u"一点破線", u"二点破線"
#define FILL_STYLE_WORDS \
    u"標準", u"透明", u"横線", u"縦線", u"右下斜線", u"右上斜線", u"交差", u"網かけ"

QelWindow& windowOf(PropertyContext& c) {
    return static_cast<QelWindow&>(c.object);
}

// 変形: the window takes the shape of the picture in the file (an empty
// name gives back the rectangle). A picture that cannot be read is reported
// and leaves the shape as it was.
void applyShape(PropertyContext& c) {
    const Text file = c.request.text;
    std::vector<ShapeSpan> spans;
    if (!file.empty()) {
        qel::Picture picture;
        if (std::string why = graphics::readPicture(c.engine, file, picture); !why.empty()) {
            c.engine.Report(ErrorId::PictureUnreadable, file + u"\n" + text::fromUtf8(why));
            return;
        }
        std::optional<std::uint32_t> outside;
        if (widgetNumber(c, WidgetValue::UseMask) != 0)
            outside = static_cast<std::uint32_t>(widgetNumber(c, WidgetValue::MaskColour));
        spans = graphics::shapeOf(picture, outside);
    }
    windowOf(c).SetProp(u"変形", file);
    windowOf(c).RgnFlag = !spans.empty();
    port(c).setShape(c.object.widget, std::move(spans));
}

// A word kept in the window's store (初期状態, 座標).
void storedWord(PropertyContext& c, TextView key, std::initializer_list<TextView> words) {
    if (c.getting()) {
        Text stored = windowOf(c).Prop(key);
        c.result.value = stored.empty() ? Text(*words.begin()) : stored;
        return;
    }
    if (auto n = wordNumber(c, words)) windowOf(c).SetProp(key, words.begin()[*n]);
}

void style(PropertyContext& c) {
    if (c.getting()) return wordValue(c, WidgetValue::Style, {STYLE_WORDS});
    auto n = wordNumber(c, {STYLE_WORDS});
    if (!n) return;
    // The inside keeps its size when the frame changes.
    double width = widgetNumber(c, WidgetValue::ClientWidth);
    double height = widgetNumber(c, WidgetValue::ClientHeight);
    port(c).set(c.object.widget, WidgetValue::Style, double(*n));
    port(c).set(c.object.widget, WidgetValue::ClientWidth, width);
    port(c).set(c.object.widget, WidgetValue::ClientHeight, height);
    windowOf(c).SetProp(u"種類", number::format(double(*n)));
}

void clientSize(PropertyContext& c) {
    if (c.getting()) {
        c.result.value = number::format(widgetNumber(c, WidgetValue::ClientWidth)) + u"," +
                         number::format(widgetNumber(c, WidgetValue::ClientHeight));
        return;
    }
    std::vector<Text> parts = listParts(c);
    if (parts.size() != 2) return reportBadValue(c);
    port(c).set(c.object.widget, WidgetValue::ClientWidth, number::toNumber(parts[0]));
    port(c).set(c.object.widget, WidgetValue::ClientHeight, number::toNumber(parts[1]));
}

void apply(PropertyContext& c, int id) {
    switch (Id(id)) {
        case Caption:
            return textValue(c, WidgetValue::Caption);
        case ClientWidth:
            return numberValue(c, WidgetValue::ClientWidth);
        case ClientHeight:
            return numberValue(c, WidgetValue::ClientHeight);
        case ClientSize:
            return clientSize(c);
        case State:
            return wordValue(c, WidgetValue::WindowState, {u"標準", u"最小化", u"最大化"});
        case Style:
            return style(c);
        case Icon:
            return textValue(c, WidgetValue::IconFile);
        case Persistent:
            return switchValue(c, WidgetValue::Persistent);
        case Fixed:
            if (c.getting()) {
                c.result.value = widgetNumber(c, WidgetValue::Movable) != 0 ? u"0" : u"1";
            } else {
                port(c).set(c.object.widget, WidgetValue::Movable,
                            c.request.number != 0 ? 0.0 : 1.0);
            }
            return;
        case DrawMode:
            return numberValue(c, WidgetValue::DrawMode);
        case DrawStyle:
            return wordValue(c, WidgetValue::DrawStyle, {DRAW_STYLE_WORDS});
        case FillStyle:
            return wordValue(c, WidgetValue::FillStyle, {FILL_STYLE_WORDS});
        case Opacity:
            numberValue(c, WidgetValue::Opacity);
            if (!c.getting()) windowOf(c).SetProp(u"透明度", widgetText(c, WidgetValue::Opacity));
            return;
        case OnTop:
            switchValue(c, WidgetValue::StayOnTop);
            if (!c.getting()) windowOf(c).SetProp(u"最前面", widgetText(c, WidgetValue::StayOnTop));
            return;
        case InitialState:
            return storedWord(c, u"初期状態", {u"標準", u"中央", u"最大化", u"最小化"});
        case Shape:
            if (c.getting()) {
                c.result.value = windowOf(c).Prop(u"変形");
            } else {
                applyShape(c);
            }
            return;
        case PaintLock:
            return switchValue(c, WidgetValue::PaintLock);
        case Smooth:
            return smoothingValue(c);
        case Units:
            return storedWord(c, u"座標", {u"標準", u"印刷用", u"ミリメートル", u"センチメートル"});
        case Taskbar:
            return switchValue(c, WidgetValue::ShowInTaskbar);
        case MinimiseBox:
            return switchValue(c, WidgetValue::MinimiseBox);
        case MaximiseBox:
            return switchValue(c, WidgetValue::MaximiseBox);
        case SystemMenu:
            return switchValue(c, WidgetValue::SystemMenu);
        case RepaintControls:
            if (c.getting()) return setOnly(c);
            for (auto& [kind, array] : windowOf(c).arrays) {
                for (auto& object : array) {
                    if (object && object->index > 0) port(c).repaint(object->widget);
                }
            }
            return;
    }
}

}  // namespace

const PropertyFamily kWindowProperties{kNames, apply};

}  // namespace qel::ui
