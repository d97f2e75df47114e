// The properties of text boxes (single- and multi-line).
#include "ui/property_support.h"

namespace qel::ui {

namespace {

enum Id { Password, Selection, SelStart, SelLength, Lines, Length, MaxLength, ReadOnly, Ime, Wrap };

// clang-format off
constexpr PropertyName kNames[] = {
    {u"隠し文字", Password}, {u"選択", Selection}, {u"選択スタート", SelStart},
    {u"選択長さ", SelLength}, {u"行数", Lines}, {u"桁数", Length},
    {u"制限文字数", MaxLength}, {u"入力ロック", ReadOnly}, {u"ＩＭＥの状態", Ime},
    {u"折り返し", Wrap},
};
// clang-format on

int lineCount(TextView text) {
    if (text.empty()) return 0;
    int lines = 1;
    for (std::size_t p = text.find(kCRLF); p != TextView::npos; p = text.find(kCRLF, p + 2))
        ++lines;
    return lines;
}

void wrap(PropertyContext& c) {
    const bool multiLine = c.object.kind->id == KindId::MultiLineText;
    if (c.getting()) {
        c.result.value = c.object.widgetKind == WidgetKind::WrappingText ? u"1" : u"0";
        return;
    }
    if (!multiLine) return reportBadValue(c);
    // Wrapping is a different widget; the text box is replaced by its twin,
    // keeping its name, text, font, colour, visibility and 情報.
    c.model.swapWidget(
        c.engine, c.object,
        c.request.number != 0 ? WidgetKind::WrappingText : WidgetKind::MultiLineText);
}

void apply(PropertyContext& c, int id) {
    switch (Id(id)) {
        case Password:
            if (c.getting()) return textValue(c, WidgetValue::PasswordChar);
            port(c).set(c.object.widget, WidgetValue::PasswordChar,
                        Text(TextView(c.request.text).substr(0, 1)));
            return;
        case Selection:
            if (!c.getting() && c.request.text.size() > kMaxContentLength)
                return c.engine.Report(ErrorId::ContentTooLarge), void();
            if (!c.getting() &&
                !port(c).set(c.object.widget, WidgetValue::SelectedText, c.request.text))
                return c.engine.Report(ErrorId::ContentTooLarge), void();
            if (c.getting()) textValue(c, WidgetValue::SelectedText);
            return;
        case SelStart:
            return numberValue(c, WidgetValue::SelStart);
        case SelLength:
            return numberValue(c, WidgetValue::SelLength);
        case Lines:
            return readOnly(c, number::format(double(lineCount(widgetText(c, WidgetValue::Text)))));
        case Length:
            return readOnly(c, number::format(double(widgetText(c, WidgetValue::Text).size())));
        case MaxLength:
            return numberValue(c, WidgetValue::MaxLength);
        case ReadOnly:
            return switchValue(c, WidgetValue::ReadOnly);
        case Ime:
            return wordValue(c, WidgetValue::InputMode,
                             {u"普通", u"オン", u"オフ", u"無効", u"ひらがな", u"カタカナ",
                              u"半角カタカナ", u"英数字", u"半角英数字"});
        case Wrap:
            return wrap(c);
    }
}

}  // namespace

const PropertyFamily kTextProperties{kNames, apply};

}  // namespace qel::ui
