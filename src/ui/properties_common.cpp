// The properties every control has: place and size, texts, colours, font,
// visibility, pointer, picture, container and the names the registry gives.
#include <algorithm>
#include <cmath>

#include "graphics/picture_io.h"
#include "ui/property_support.h"

namespace qel::ui {

namespace {

enum Id {
    Position,
    Size,
    Left,
    Top,
    Width,
    Height,
    Bounds,
    Caption,
    Content,
    ForeColour,
    BackColour,
    MaskColour,
    FillColour,
    Visible,
    Enabled,
    Pointer,
    Picture,
    Image,
    TabIndex,
    TabStop,
    FontName,
    FontSize,
    Charset,
    Bold,
    Italic,
    Underline,
    StrikeOut,
    ToolTip,
    Layer,
    Drops,
    Docking,
    Container,
    Info,
    Handle,
    ObjectName,
    ObjectCount,
    ObjectNumber,
};

// clang-format off
constexpr PropertyName kNames[] = {
    {u"位置", Position}, {u"大きさ", Size}, {u"横", Left}, {u"縦", Top}, {u"幅", Width},
    {u"高さ", Height}, {u"位置と大きさ", Bounds}, {u"名前", Caption}, {u"内容", Content},
    {u"色", ForeColour}, {u"背景", BackColour}, {u"透明色", MaskColour},
    {u"塗りつぶし色", FillColour}, {u"表示", Visible}, {u"有効", Enabled},
    {u"マウスカーソル", Pointer}, {u"絵", Picture}, {u"イメージ", Image},
    {u"タブインデックス", TabIndex}, {u"タブ移動", TabStop}, {u"フォント名", FontName},
    {u"フォントサイズ", FontSize}, {u"文字セット", Charset}, {u"太字", Bold}, {u"斜体", Italic},
    {u"下線", Underline}, {u"取り消し線", StrikeOut}, {u"ヒント", ToolTip}, {u"階層", Layer},
    {u"ドラッグ＆ドロップ", Drops}, {u"配置", Docking}, {u"表示場所", Container},
    {u"情報", Info}, {u"ハンドル", Handle}, {u"ＤＣハンドル", Handle},
    {u"コンテキストハンドル", Handle}, {u"オブジェクト名", ObjectName},
    {u"オブジェクト数", ObjectCount}, {u"オブジェクト番号", ObjectNumber},
};
// clang-format on

constexpr int kPointerTable = 207;

// The largest extent the widget sets take, in pixels; sizes and places are
// clamped to it (negative sizes to 0).
constexpr double kMaxExtent = 16777215;

bool captionIsContent(const ScriptObject& o) {
    if (o.isWindow()) return true;
    switch (o.widgetKind) {
        case WidgetKind::Label:
        case WidgetKind::Button:
        case WidgetKind::PictureButton:
        case WidgetKind::Frame:
        case WidgetKind::CheckBox:
        case WidgetKind::OptionButton:
            return true;
        default:
            return false;
    }
}

double toPixels(PropertyContext& c, double units) {
    return units * unitScale(c, c.object);
}

Text fromPixels(PropertyContext& c, double pixels) {
    return number::format(pixels / unitScale(c, c.object));
}

void setGeometry(PropertyContext& c, WidgetValue value, double units) {
    double px = std::round(toPixels(c, units));
    if (std::isnan(px)) return reportBadValue(c);
    const bool extent = value == WidgetValue::Width || value == WidgetValue::Height;
    px = std::clamp(px, extent ? 0.0 : -kMaxExtent, kMaxExtent);
    port(c).set(c.object.widget, value, px);
}

// The inside of what holds the object: its container, or its window.
std::pair<double, double> holderSize(PropertyContext& c) {
    WidgetPort& p = port(c);
    if (c.object.isWindow()) return {1920, 1080};  // the screen
    WidgetId holder = p.parentOf(c.object.widget);
    auto number = [&](WidgetValue v) {
        auto d = p.get(holder, v);
        return d && std::holds_alternative<double>(*d) ? std::get<double>(*d) : 0.0;
    };
    if (auto holderObject = c.model.objectOfWidget(holder);
        holderObject && holderObject->isWindow())
        return {number(WidgetValue::ClientWidth), number(WidgetValue::ClientHeight)};
    return {number(WidgetValue::Width), number(WidgetValue::Height)};
}

void centre(PropertyContext& c, bool horizontal) {
    auto [w, h] = holderSize(c);
    if (horizontal) {
        port(c).set(c.object.widget, WidgetValue::Left,
                    std::floor((w - widgetNumber(c, WidgetValue::Width)) / 2));
    } else {
        port(c).set(c.object.widget, WidgetValue::Top,
                    std::floor((h - widgetNumber(c, WidgetValue::Height)) / 2));
    }
}

bool saysCentre(TextView value) {
    return text::trimBlanks(value) == u"中央";
}

void axis(PropertyContext& c, WidgetValue value) {
    if (c.getting()) {
        c.result.value = fromPixels(c, widgetNumber(c, value));
    } else if ((value == WidgetValue::Left || value == WidgetValue::Top) &&
               saysCentre(c.request.text)) {
        centre(c, value == WidgetValue::Left);
    } else {
        setGeometry(c, value, c.request.number);
    }
}

void pair(PropertyContext& c, WidgetValue first, WidgetValue second) {
    if (c.getting()) {
        c.result.value =
            fromPixels(c, widgetNumber(c, first)) + u"," + fromPixels(c, widgetNumber(c, second));
        return;
    }
    if (first == WidgetValue::Left && saysCentre(c.request.text)) {
        centre(c, true);
        centre(c, false);
        return;
    }
    std::vector<Text> parts = listParts(c);
    if (parts.size() != 2) return reportBadValue(c);
    setGeometry(c, first, number::toNumber(text::toHalfWidth(parts[0])));
    setGeometry(c, second, number::toNumber(text::toHalfWidth(parts[1])));
}

void bounds(PropertyContext& c) {
    static constexpr WidgetValue kParts[] = {WidgetValue::Left, WidgetValue::Top,
                                             WidgetValue::Width, WidgetValue::Height};
    if (c.getting()) {
        Text all;
        for (WidgetValue v : kParts) {
            if (!all.empty()) all += u",";
            all += fromPixels(c, widgetNumber(c, v));
        }
        c.result.value = all;
        return;
    }
    std::vector<Text> parts = listParts(c);
    if (parts.size() != 4) return reportBadValue(c);
    for (std::size_t i = 0; i < 4; ++i)
        setGeometry(c, kParts[i], number::toNumber(text::toHalfWidth(parts[i])));
}

void content(PropertyContext& c) {
    if (captionIsContent(c.object)) return textValue(c, WidgetValue::Caption);
    if (c.object.widgetKind == WidgetKind::ListBox ||
        c.object.widgetKind == WidgetKind::DropDownList) {
        if (c.getting()) {
            c.result.value = widgetText(c, WidgetValue::Text);
        } else if (!port(c).set(c.object.widget, WidgetValue::Text, c.request.text)) {
            c.engine.Report(ErrorId::NoSuchItem, c.request.text);
        }
        return;
    }
    if (c.getting()) {
        c.result.value = widgetText(c, WidgetValue::Text);
        return;
    }
    if (c.request.text.size() > kMaxContentLength ||
        !port(c).set(c.object.widget, WidgetValue::Text, c.request.text)) {
        c.engine.Report(ErrorId::ContentTooLarge);
    }
}

void pointer(PropertyContext& c) {
    if (c.getting()) {
        int n = int(widgetNumber(c, WidgetValue::Pointer));
        c.result.value = n == 99 ? c.object.rare().pointerFile : number::format(double(n));
        return;
    }
    Text written(text::trimBlanks(c.request.text));
    Text named = c.engine.resourceLookup(kPointerTable, written);
    auto n = number::parse(text::toHalfWidth(named.empty() ? written : named));
    if (n && *n >= 0 && *n <= 15 && *n == std::floor(*n)) {
        port(c).set(c.object.widget, WidgetValue::Pointer, *n);
        c.object.rareForWriting().pointerFile.clear();
        return;
    }
    if (n || written.empty()) return reportBadValue(c);
    // Any other text is a cursor file: a custom pointer, remembered by name.
    c.object.rareForWriting().pointerFile = written;
    port(c).set(c.object.widget, WidgetValue::PointerFile, written);
    port(c).set(c.object.widget, WidgetValue::Pointer, 99.0);
}

void picture(PropertyContext& c) {
    if (c.getting()) {
        c.result.value = c.object.rare().pictureFile;
        return;
    }
    if (c.object.type == ObjectType::Control && c.object.kind->id == KindId::Button)
        c.model.swapWidget(c.engine, c.object, WidgetKind::PictureButton);
    c.object.rareForWriting().pictureFile = c.request.text;
    port(c).set(c.object.widget, WidgetValue::PictureFile, c.request.text);
    // Windows and picture boxes take the picture onto their drawing surface,
    // so that drawing goes on over it and saving keeps it.
    if (Canvas* canvas = port(c).canvas(c.object.widget); canvas && !c.request.text.empty()) {
        qel::Picture loaded;
        if (std::string why = graphics::readPicture(c.engine, c.request.text, loaded);
            !why.empty()) {
            c.engine.Report(ErrorId::PictureUnreadable,
                            c.request.text + u"\n" + text::fromUtf8(why));
            return;
        }
        canvas->ensureSize(loaded.width, loaded.height, 0xFFFFFF);
        graphics::showPicture(*canvas, loaded);
    }
}

// イメージ: the drawing as a picture. Scripts hand it on to another
// picture's 絵, so it reads as a file: a PNG of the surface written to the
// temporary folder, named after the object.
void image(PropertyContext& c) {
    if (!c.getting()) {
        c.result.notWritable = true;
        return;
    }
    Canvas* canvas = port(c).canvas(c.object.widget);
    if (!canvas) return c.engine.Report(ErrorId::PropertyNotSupported, c.request.name), void();
    const Text file = graphics::temporaryPictureName(c.engine, c.object.identity());
    if (std::string why = graphics::writePicture(c.engine, file, graphics::snapshot(*canvas), {});
        !why.empty()) {
        c.engine.Report(ErrorId::CannotSave, file + u"\n" + text::fromUtf8(why));
        return;
    }
    c.result.value = file;
}

void docking(PropertyContext& c) {
    static constexpr TextView kWords[] = {u"なし", u"上側", u"下側", u"左側", u"右側"};
    if (c.getting()) {
        c.result.value =
            c.object.rare().docking.empty() ? Text(kWords[0]) : c.object.rare().docking;
        return;
    }
    auto n = wordNumber(c, {kWords[0], kWords[1], kWords[2], kWords[3], kWords[4]});
    if (!n) return;
    c.object.rareForWriting().docking = Text(kWords[*n]);
    // Docked controls take the whole side of their holder.
    auto [w, h] = holderSize(c);
    WidgetPort& p = port(c);
    WidgetId id = c.object.widget;
    double width = widgetNumber(c, WidgetValue::Width);
    double height = widgetNumber(c, WidgetValue::Height);
    switch (*n) {
        case 1:
            p.set(id, WidgetValue::Left, 0.0), p.set(id, WidgetValue::Top, 0.0),
                p.set(id, WidgetValue::Width, w);
            break;
        case 2:
            p.set(id, WidgetValue::Left, 0.0), p.set(id, WidgetValue::Top, h - height),
                p.set(id, WidgetValue::Width, w);
            break;
        case 3:
            p.set(id, WidgetValue::Left, 0.0), p.set(id, WidgetValue::Top, 0.0),
                p.set(id, WidgetValue::Height, h);
            break;
        case 4:
            p.set(id, WidgetValue::Left, w - width), p.set(id, WidgetValue::Top, 0.0),
                p.set(id, WidgetValue::Height, h);
            break;
        default:
            break;
    }
}

void container(PropertyContext& c) {
    if (c.getting()) {
        auto holder = c.object.container.lock();
        if (holder && !holder->unloaded) {
            c.result.value = c.model.NameOfObject(*holder);
        } else if (c.object.window) {
            c.result.value = c.model.NameOfObject(*c.object.window);
        }
        return;
    }
    if (c.object.isWindow()) return reportBadValue(c);
    auto holder = c.model.ResolveObject(c.engine, c.request.text, false);
    if (!holder) return;
    const bool canHold =
        holder->isWindow() ||
        (holder->type == ObjectType::Control &&
         (holder->kind->id == KindId::Frame || holder->kind->id == KindId::Picture));
    if (!canHold || holder->window != c.object.window ||
        !port(c).setParent(c.object.widget, holder->widget))
        return reportBadValue(c);
    c.object.container = holder->isWindow() ? std::weak_ptr<ScriptObject>() : holder;
}

int countOfKind(const ScriptObject& o) {
    if (!o.window || o.type != ObjectType::Control) return 0;
    auto it = o.window->arrays.find(o.kind->id);
    if (it == o.window->arrays.end()) return 0;
    int n = 0;
    for (std::size_t i = 1; i < it->second.size(); ++i)
        n += it->second[i] && !it->second[i]->unloaded;
    return n;
}

void apply(PropertyContext& c, int id) {
    switch (Id(id)) {
        case Position:
            return pair(c, WidgetValue::Left, WidgetValue::Top);
        case Size:
            return pair(c, WidgetValue::Width, WidgetValue::Height);
        case Left:
            return axis(c, WidgetValue::Left);
        case Top:
            return axis(c, WidgetValue::Top);
        case Width:
            return axis(c, WidgetValue::Width);
        case Height:
            return axis(c, WidgetValue::Height);
        case Bounds:
            return bounds(c);
        case Caption:
            return textValue(c,
                             captionIsContent(c.object) ? WidgetValue::Caption : WidgetValue::Text);
        case Content:
            return content(c);
        case ForeColour:
            return colourValue(c, WidgetValue::ForeColour);
        case BackColour:
            return colourValue(c, WidgetValue::BackColour);
        case MaskColour:
            colourValue(c, WidgetValue::MaskColour);
            if (!c.getting()) port(c).set(c.object.widget, WidgetValue::UseMask, 1.0);
            return;
        case FillColour:
            return colourValue(c, WidgetValue::FillColour);
        case Visible:
            return switchValue(c, WidgetValue::Visible);
        case Enabled:
            return switchValue(c, WidgetValue::Enabled);
        case Pointer:
            return pointer(c);
        case Picture:
            return picture(c);
        case Image:
            return image(c);
        case TabIndex:
            return numberValue(c, WidgetValue::TabIndex);
        case TabStop:
            return switchValue(c, WidgetValue::TabStop);
        case FontName:
            return textValue(c, WidgetValue::FontName);
        case FontSize:
            return numberValue(c, WidgetValue::FontSize);
        case Charset:
            return numberValue(c, WidgetValue::FontCharset);
        case Bold:
            return switchValue(c, WidgetValue::Bold);
        case Italic:
            return switchValue(c, WidgetValue::Italic);
        case Underline:
            return switchValue(c, WidgetValue::Underline);
        case StrikeOut:
            return switchValue(c, WidgetValue::StrikeOut);
        case ToolTip:
            return textValue(c, WidgetValue::ToolTip);
        case Layer:
            if (c.getting()) {
                c.result.value = number::format(widgetNumber(c, WidgetValue::ZOrder));
            } else {
                c.request.number == 0 ? port(c).raise(c.object.widget)
                                      : port(c).lower(c.object.widget);
            }
            return;
        case Drops:
            return switchValue(c, WidgetValue::AcceptsDrops);
        case Docking:
            return docking(c);
        case Container:
            return container(c);
        case Info:
            if (c.getting())
                c.result.value = c.object.rare().info;
            else
                c.object.rareForWriting().info = c.request.text;
            return;
        case Handle:
            return readOnly(c, number::format(double(c.object.widget)));
        case ObjectName:
            return readOnly(c, c.model.NameOfObject(c.object));
        case ObjectCount:
            return readOnly(
                c, number::format(double(c.object.isWindow() ? int(c.model.loadedWindows.size())
                                                             : countOfKind(c.object))));
        case ObjectNumber:
            if (!c.getting()) {
                c.result.notWritable = true;
            } else if (c.object.type != ObjectType::Control) {
                c.engine.Report(ErrorId::PropertyNotSupported, c.model.NameOfObject(c.object));
            } else {
                c.result.value = number::format(double(c.object.index));
            }
            return;
    }
}

}  // namespace

const PropertyFamily kCommonProperties{kNames, apply};

}  // namespace qel::ui
