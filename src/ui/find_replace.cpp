#include "ui/find_replace.h"

#include "core/engine.h"
#include "ui/browser.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel::ui {

namespace {

Text asText(const WidgetData& d) {
    const Text* t = std::get_if<Text>(&d);
    return t ? *t : Text();
}

double asNumber(const WidgetData& d) {
    const double* n = std::get_if<double>(&d);
    return n ? *n : 0;
}

struct Box {
    WidgetPort& port;
    WidgetId widget;

    Text text() const {
        auto v = port.get(widget, WidgetValue::Text);
        return v ? asText(*v) : Text();
    }
    std::size_t number(WidgetValue value) const {
        auto v = port.get(widget, value);
        const double n = v ? asNumber(*v) : 0;
        return n > 0 ? std::size_t(n) : 0;
    }
    void select(std::size_t start, std::size_t length) {
        port.set(widget, WidgetValue::SelStart, double(start));
        port.set(widget, WidgetValue::SelLength, double(length));
    }
};

Text folded(TextView text, bool matchCase) {
    return matchCase ? Text(text) : text::toLowerLatin(text);
}

// Where the next match lies from the selection, or npos.
std::size_t nextMatch(const Box& box, const WidgetEvent& r) {
    const Text text = folded(box.text(), r.matchCase);
    const Text wanted = folded(r.findText, r.matchCase);
    const std::size_t start = std::min(box.number(WidgetValue::SelStart), text.size());
    if (r.searchUp) {
        if (start < wanted.size()) return Text::npos;
        return text.rfind(wanted, start - wanted.size());
    }
    const std::size_t from = std::min(start + box.number(WidgetValue::SelLength), text.size());
    return text.find(wanted, from);
}

void allFound(Engine& engine) {
    engine.ui().messageBox({u"すべて検索しました", 64, u"検索", BoxPurpose::Message});
}

void findNext(Engine& engine, Box& box, const WidgetEvent& r) {
    const std::size_t at = nextMatch(box, r);
    if (at == Text::npos) {
        allFound(engine);
        return;
    }
    box.select(at, r.findText.size());
}

// The selection is a match: it becomes the replacement, and the next match
// is looked for after it.
void replaceOne(Engine& engine, Box& box, const WidgetEvent& r) {
    const Text text = box.text();
    const std::size_t start = box.number(WidgetValue::SelStart);
    const std::size_t length = box.number(WidgetValue::SelLength);
    if (length == r.findText.size() && start + length <= text.size() &&
        folded(TextView(text).substr(start, length), r.matchCase) ==
            folded(r.findText, r.matchCase)) {
        box.port.set(box.widget, WidgetValue::SelectedText, r.replaceText);
        box.select(r.searchUp ? start : start + r.replaceText.size(), 0);
    }
    findNext(engine, box, r);
}

void replaceAll(Engine& engine, Box& box, const WidgetEvent& r) {
    const Text text = box.text();
    const Text haystack = folded(text, r.matchCase);
    const Text wanted = folded(r.findText, r.matchCase);
    Text result;
    std::size_t from = 0, last = Text::npos;
    for (std::size_t at = haystack.find(wanted); at != Text::npos;
         at = haystack.find(wanted, from)) {
        result.append(text, from, at - from);
        result += r.replaceText;
        from = at + wanted.size();
        last = result.size();
    }
    if (last != Text::npos) {
        result.append(text, from, Text::npos);
        box.port.set(box.widget, WidgetValue::Text, result);
        box.select(last, 0);
    }
    allFound(engine);
}

}  // namespace

bool TakesFindDialog(const ScriptObject& object, bool replace) {
    if (object.type != ObjectType::Control || !object.kind) return false;
    const KindId id = object.kind->id;
    // A page is only searched: the user cannot change it.
    if (isBrowser(object)) return !replace;
    return id == KindId::TextBox || id == KindId::MultiLineText || id == KindId::RichText;
}

void OpenFindDialog(Engine& engine, ObjectModel& model, ScriptObject& box, bool replace) {
    (void)model;
    WidgetPort& port = ObjectModel::widgets(engine);
    // The selected text is what the user most likely wants to find.
    auto selected = port.get(box.widget, WidgetValue::SelectedText);
    const Text offered = selected ? asText(*selected) : Text();
    if (!port.showFind(box.widget, replace, offered))
        engine.Report(ErrorId::NotBuiltYet, replace ? u"置き換え" : u"検索");
}

void FindInBox(Engine& engine, ObjectModel& model, ScriptObject& box, const WidgetEvent& request) {
    (void)model;
    if (request.command == kFindClosed || request.findText.empty()) return;
    if (isBrowser(box)) return findInPage(engine, box, request);
    Box b{ObjectModel::widgets(engine), box.widget};
    switch (request.command) {
        case kFindReplace:
            replaceOne(engine, b, request);
            break;
        case kFindReplaceAll:
            replaceAll(engine, b, request);
            break;
        default:
            findNext(engine, b, request);
            break;
    }
}

}  // namespace qel::ui
