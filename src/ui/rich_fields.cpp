// Reading and writing one field of a rich control's content in a property's
// terms: switches read "1"/"0", colours go through the colour words, words
// are numbered in the order a property lists them.
#include "ui/rich_support.h"

namespace qel::ui {

void flagField(PropertyContext& c, bool& field, RichChange change) {
    if (c.getting()) {
        c.result.value = field ? u"1" : u"0";
        return;
    }
    field = c.request.number != 0;
    notify(c.engine, c.object, change);
}

void textField(PropertyContext& c, Text& field, RichChange change) {
    if (c.getting()) {
        c.result.value = field;
        return;
    }
    field = c.request.text;
    notify(c.engine, c.object, change);
}

void numberField(PropertyContext& c, double& field, RichChange change) {
    if (c.getting()) {
        c.result.value = number::format(field);
        return;
    }
    if (c.request.number < 0) return reportBadValue(c);
    field = c.request.number;
    notify(c.engine, c.object, change);
}

void colourField(PropertyContext& c, bool& has, std::uint32_t& field, RichChange change) {
    if (c.getting()) {
        c.result.value = number::format(double(fromRgb(field)));
        return;
    }
    auto colour = ColourValue(c.engine, c.request.text);
    if (!colour) return c.engine.Report(ErrorId::ColourUnreadable, c.request.text), void();
    field = toRgb(*colour);
    has = true;
    notify(c.engine, c.object, change);
}

void intWordField(PropertyContext& c, int& field, std::initializer_list<TextView> words,
                  RichChange change) {
    if (c.getting()) {
        c.result.value = field >= 0 && field < int(words.size()) ? Text(words.begin()[field])
                                                                 : number::format(double(field));
        return;
    }
    if (auto n = wordNumber(c, words)) {
        field = *n;
        notify(c.engine, c.object, change);
    }
}

void settingSwitch(PropertyContext& c, RichSetting s) {
    if (c.getting()) {
        c.result.value = content(c).setting(s) != 0 ? u"1" : u"0";
        return;
    }
    content(c).settings[s] = c.request.number != 0 ? 1 : 0;
    notify(c, RichChange::Settings);
}

void settingNumber(PropertyContext& c, RichSetting s) {
    if (c.getting()) {
        c.result.value = number::format(content(c).setting(s));
        return;
    }
    content(c).settings[s] = c.request.number;
    notify(c, RichChange::Settings);
}

void settingWord(PropertyContext& c, RichSetting s, std::initializer_list<TextView> words) {
    int n = int(content(c).setting(s));
    if (c.getting()) return intWordField(c, n, words, {RichChange::Settings});
    if (auto chosen = wordNumber(c, words)) {
        content(c).settings[s] = *chosen;
        notify(c, RichChange::Settings);
    }
}

}  // namespace qel::ui
