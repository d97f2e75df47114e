// User actions on the sub-items of rich controls (a tab, a tool-bar button,
// a column header, an item's check box) and the procedures they run. The
// model owns the content, so the action changes it here and the widget set
// is told afterwards, whichever host the action came from.
#include "ui/events_rich.h"

#include "ui/rich_support.h"

namespace qel::ui {

namespace {

Text ordinalText(int index) {
    return number::format(double(index + 1));
}

// A click on a tab: it becomes the selected one, then the tab events run.
void clickTab(EventDispatch& events, Engine& engine, ScriptObject& strip, int index) {
    RichContent& rc = *strip.rich;
    for (std::size_t i = 0; i < rc.items.size(); ++i) rc.items[i].selected = int(i) == index;
    notify(engine, strip, {RichChange::Current});
    events.RunEventEx(strip.kind->word, u"の" + ordinalText(index) + u"番目のタブをクリック",
                      strip);
    events.RunEventEx(strip.kind->word, u"をクリック", strip);
}

void clickButton(EventDispatch& events, Engine& engine, ScriptObject& bar, int index) {
    RichItem& button = bar.rich->items[std::size_t(index)];
    if (!button.enabled) return;
    // A check button changes its state before the procedures see it.
    if (button.style == 1) {
        button.checked = !button.checked;
        notify(engine, bar, {RichChange::ItemChanged, index, 1});
    }
    events.RunEventEx(bar.kind->word, u"の" + ordinalText(index) + u"番目のボタンをクリック", bar);
    events.RunEventEx(bar.kind->word, u"をクリック", bar);
}

void clickHeader(EventDispatch& events, Engine& engine, ScriptObject& view, int column) {
    const Text heading = view.rich->columns[std::size_t(column)].text;
    if (!events.RunEventEx(view.kind->word, u"の項目" + heading + u"をクリック", view))
        headerClicked(engine, view, column);
}

void checkItem(EventDispatch& events, Engine& engine, ScriptObject& view, int index) {
    RichItem& item = view.rich->items[std::size_t(index)];
    item.checked = !item.checked;
    notify(engine, view, {RichChange::ItemChanged, index, 1});
    events.RunEventEx(view.kind->word, u"をチェック", view);
}

}  // namespace

std::string richUserAction(EventDispatch& events, Engine& engine, ScriptObject& object,
                           TextView subItem, const UserAction& action) {
    if (!object.rich || !object.kind) return "this control has no sub-items";
    RichContent& rc = *object.rich;
    const KindId kind = object.kind->id;
    auto chain = splitChain(Text(subItem) + u"の_");
    if (!chain) return "no sub-item named";
    const bool header = !chain->collection.empty();
    const std::vector<RichItem>& items = header ? rc.columns : rc.items;
    auto index = findItem(engine, rc, items, chain->item, kind == KindId::TreeView);
    if (!index) return {};  // reported as the script would see it (error 108)
    if (action.type == UserActionType::Click) {
        if (header && kind == KindId::ListView)
            return clickHeader(events, engine, object, *index), "";
        if (kind == KindId::TabStrip) return clickTab(events, engine, object, *index), "";
        if (kind == KindId::ToolBar) return clickButton(events, engine, object, *index), "";
    }
    if (action.type == UserActionType::Check && !header &&
        (kind == KindId::ListView || kind == KindId::TreeView))
        return checkItem(events, engine, object, *index), "";
    return "this action does not reach that sub-item yet";
}

}  // namespace qel::ui
