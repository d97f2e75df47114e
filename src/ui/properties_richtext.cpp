// The properties of rich text boxes: the whole formatted text as RTF, and the
// look and layout of the selection (選択太字, 選択色, 選択文字位置 …). A
// selection whose characters differ in a look reads that look as empty, so a
// script can tell "mixed" from "off". The plain-text properties (選択,
// 選択スタート …) are the text boxes' own.
#include <cmath>

#include "ui/property_support.h"

namespace qel::ui {

namespace {

enum Id {
    Rtf,
    SelBold,
    SelItalic,
    SelUnderline,
    SelStrike,
    SelColour,
    SelFontName,
    SelFontSize,
    SelAlignment,
    SelLeftIndent,
    SelRightIndent,
    SelHangingIndent,
    SelProtected,
    Wrap,
    HighlightAddresses,
    Vertical,
};

// clang-format off
constexpr PropertyName kNames[] = {
    {u"RTF内容", Rtf}, {u"ＲＴＦ内容", Rtf},
    {u"選択太字", SelBold}, {u"選択斜体", SelItalic}, {u"選択下線", SelUnderline},
    {u"選択取り消し線", SelStrike}, {u"選択色", SelColour}, {u"選択フォント名", SelFontName},
    {u"選択フォントサイズ", SelFontSize}, {u"選択文字位置", SelAlignment},
    {u"選択左余白", SelLeftIndent}, {u"選択右余白", SelRightIndent},
    {u"選択余白", SelHangingIndent}, {u"選択文字ロック", SelProtected},
    {u"折り返し", Wrap}, {u"アドレス色付け", HighlightAddresses}, {u"縦書き", Vertical},
};
// clang-format on

constexpr std::initializer_list<TextView> kAlignments = {u"左揃え", u"右揃え", u"中央揃え"};

struct Selection {
    std::size_t start = 0, length = 0;
};

Selection selectionOf(PropertyContext& c) {
    return {std::size_t(std::max(0.0, widgetNumber(c, WidgetValue::SelStart))),
            std::size_t(std::max(0.0, widgetNumber(c, WidgetValue::SelLength)))};
}

std::optional<RichTextDocument> documentOf(PropertyContext& c) {
    return port(c).richText(c.object.widget);
}

// The selection's value of one look: the same text for every character, or
// empty when they differ.
template <typename Read>
Text commonValue(const RichTextDocument& d, Selection s, Read read) {
    std::optional<Text> value;
    bool mixed = false;
    d.forEachStyle(s.start, s.length, [&](const CharStyle& style) {
        Text v = read(style);
        if (value && *value != v) mixed = true;
        value = std::move(v);
    });
    return mixed || !value ? Text() : *value;
}

void changeLook(PropertyContext& c, const std::function<void(CharStyle&)>& change) {
    auto d = documentOf(c);
    if (!d) return reportBadValue(c);
    const Selection s = selectionOf(c);
    d->changeStyle(s.start, s.length, change);
    port(c).setRichText(c.object.widget, *d);
}

void lookValue(PropertyContext& c, const std::function<Text(const CharStyle&)>& read,
               const std::function<void(CharStyle&)>& change) {
    if (!c.getting()) return changeLook(c, change);
    auto d = documentOf(c);
    if (d) c.result.value = commonValue(*d, selectionOf(c), read);
}

void switchLook(PropertyContext& c, bool CharStyle::*field) {
    const bool on = c.request.number != 0;
    lookValue(
        c, [field](const CharStyle& s) { return Text(s.*field ? u"1" : u"0"); },
        [field, on](CharStyle& s) { s.*field = on; });
}

void colourLook(PropertyContext& c) {
    const std::uint32_t plain = std::uint32_t(widgetNumber(c, WidgetValue::ForeColour));
    if (c.getting()) {
        return lookValue(c,
                         [plain](const CharStyle& s) {
                             return number::format(double(fromRgb(s.hasColour ? s.colour : plain)));
                         },
                         {});
    }
    auto colour = ColourValue(c.engine, c.request.text);
    if (!colour) return c.engine.Report(ErrorId::ColourUnreadable, c.request.text), void();
    const std::uint32_t rgb = toRgb(*colour);
    changeLook(c, [rgb](CharStyle& s) { s.hasColour = true, s.colour = rgb; });
}

void fontNameLook(PropertyContext& c) {
    const Text plain = widgetText(c, WidgetValue::FontName);
    if (!c.getting() && c.request.text.empty()) return reportBadValue(c);
    const Text name = c.request.text;
    lookValue(
        c, [&plain](const CharStyle& s) { return s.font.empty() ? plain : s.font; },
        [&name](CharStyle& s) { s.font = name; });
}

void fontSizeLook(PropertyContext& c) {
    const double plain = widgetNumber(c, WidgetValue::FontSize);
    const double size = c.request.number;
    if (!c.getting() && !(size >= 1 && size <= 1638)) return reportBadValue(c);
    lookValue(
        c, [plain](const CharStyle& s) { return number::format(s.size > 0 ? s.size : plain); },
        [size](CharStyle& s) { s.size = size; });
}

// Paragraph layout: the value of the first paragraph the selection touches
// when they all agree, else empty.
template <typename Read>
void paragraphValue(PropertyContext& c, Read read, const std::function<bool(ParaStyle&)>& change) {
    auto d = documentOf(c);
    if (!d) return c.getting() ? void() : reportBadValue(c);
    const Selection s = selectionOf(c);
    if (c.getting()) {
        const auto [first, last] = d->paragraphsOf(s.start, s.length);
        const Text value = read(d->paragraph(first));
        for (std::size_t i = first + 1; i <= last; ++i) {
            if (read(d->paragraph(i)) != value) return;
        }
        c.result.value = value;
        return;
    }
    bool ok = true;
    d->changeParagraphs(s.start, s.length, [&](ParaStyle& p) { ok = change(p) && ok; });
    if (!ok) return reportBadValue(c);
    port(c).setRichText(c.object.widget, *d);
}

void alignmentValue(PropertyContext& c) {
    std::optional<int> word;
    if (!c.getting()) {
        word = wordNumber(c, kAlignments);
        if (!word) return;  // reported
    }
    paragraphValue(
        c, [](const ParaStyle& p) { return Text(*(kAlignments.begin() + int(p.align))); },
        [&word](ParaStyle& p) {
            p.align = ParaAlign(*word);
            return true;
        });
}

void indentValue(PropertyContext& c, double ParaStyle::*field) {
    const double scale = unitScale(c, c.object);
    const double pixels = c.request.number * scale;
    if (!c.getting() && !(std::abs(pixels) <= 10000)) return reportBadValue(c);
    paragraphValue(
        c, [field, scale](const ParaStyle& p) { return number::format(p.*field / scale); },
        [field, pixels](ParaStyle& p) {
            p.*field = pixels;
            return true;
        });
}

void rtfValue(PropertyContext& c) {
    if (c.getting()) {
        auto d = documentOf(c);
        if (d) {
            c.result.value = writeRtf(*d, widgetText(c, WidgetValue::FontName),
                                      widgetNumber(c, WidgetValue::FontSize));
        }
        return;
    }
    // The RTF may be large, the text it holds may not.
    RtfResult read = readRtf(c.request.text);
    if (!read.document) {
        c.engine.Report(ErrorId::ValueNotRight, c.request.name + u"（" + read.error + u"）");
        return;
    }
    if (read.document->size() > kMaxContentLength)
        return c.engine.Report(ErrorId::ContentTooLarge), void();
    port(c).setRichText(c.object.widget, *read.document);
}

void apply(PropertyContext& c, int id) {
    switch (Id(id)) {
        case Rtf:
            return rtfValue(c);
        case SelBold:
            return switchLook(c, &CharStyle::bold);
        case SelItalic:
            return switchLook(c, &CharStyle::italic);
        case SelUnderline:
            return switchLook(c, &CharStyle::underline);
        case SelStrike:
            return switchLook(c, &CharStyle::strike);
        case SelProtected:
            return switchLook(c, &CharStyle::protect);
        case SelColour:
            return colourLook(c);
        case SelFontName:
            return fontNameLook(c);
        case SelFontSize:
            return fontSizeLook(c);
        case SelAlignment:
            return alignmentValue(c);
        case SelLeftIndent:
            return indentValue(c, &ParaStyle::left);
        case SelRightIndent:
            return indentValue(c, &ParaStyle::right);
        case SelHangingIndent:
            return indentValue(c, &ParaStyle::hanging);
        case Wrap:
            return switchValue(c, WidgetValue::WordWrap);
        case HighlightAddresses:
            return switchValue(c, WidgetValue::HighlightAddresses);
        case Vertical:
            return switchValue(c, WidgetValue::VerticalText);
    }
}

}  // namespace

const PropertyFamily kRichTextProperties{kNames, apply};

}  // namespace qel::ui
