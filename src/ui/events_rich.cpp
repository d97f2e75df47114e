// User actions on the sub-items of rich controls (a tab, a tool-bar button,
// a column header, an item's check box) and the procedures they run. The
// model owns the content, so the action changes it here and the widget set
// is told afterwards, whichever host the action came from.
#include "ui/events_rich.h"

#include <cmath>

#include "ui/browser.h"
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

// A click on a row or node picks it alone, as a plain click does on the
// desktop, before the click procedure reads what is picked.
void clickItem(EventDispatch& events, Engine& engine, ScriptObject& view, int index) {
    RichContent& rc = *view.rich;
    for (std::size_t i = 0; i < rc.items.size(); ++i) rc.items[i].selected = int(i) == index;
    notify(engine, view, {RichChange::Current});
    events.RunEventEx(view.kind->word, u"をクリック", view);
}

// What the user picked on the desktop is only recorded: the view already
// shows it, and the click that picked it runs its own procedures.
void recordPicked(RichContent& rc, const std::vector<int>& picked) {
    for (RichItem& item : rc.items) item.selected = false;
    for (int index : picked) {
        if (index >= 0 && std::size_t(index) < rc.items.size())
            rc.items[std::size_t(index)].selected = true;
    }
}

// A procedure may have removed the control or the item it acts on.
bool stillThere(const ScriptObject& object, int index) {
    return !object.unloaded && object.rich && index >= 0 &&
           std::size_t(index) < object.rich->items.size();
}

bool hasChildren(const RichContent& rc, int node) {
    for (const RichItem& item : rc.items) {
        if (item.parent == node) return true;
    }
    return false;
}

std::optional<int> wholeNumber(double n) {
    if (!std::isfinite(n) || n != std::floor(n) || std::abs(n) > 2147483647.0) return {};
    return int(n);
}

}  // namespace

std::string richEditLabel(EventDispatch& events, Engine& engine, ScriptObject& view, int index,
                          const Text& label) {
    if (!stillThere(view, index)) return "the item is gone";
    if (view.rich->setting(RichSetting::LabelEdit) == 0)
        return "label editing is off (its ラベル編集 is 0)";
    events.RunEventEx(view.kind->word, u"のラベル編集直前", view);
    if (!stillThere(view, index)) return {};
    RichContent& rc = *view.rich;
    rc.labelEditText = label;
    rc.labelEditCancel = false;
    events.RunEventEx(view.kind->word, u"のラベル編集直後", view);
    if (!stillThere(view, index)) return {};
    // The view may already show the typed text: a refused edit puts the
    // item's own text back there.
    if (!view.rich->labelEditCancel) view.rich->items[std::size_t(index)].text = label;
    notify(engine, view, {RichChange::ItemChanged, index, 1});
    return {};
}

std::string richSetExpanded(EventDispatch& events, Engine& engine, ScriptObject& tree, int node,
                            bool expanded) {
    if (!stillThere(tree, node)) return "the node is gone";
    RichItem& item = tree.rich->items[std::size_t(node)];
    if (!hasChildren(*tree.rich, node)) return "the node has no children to show or hide";
    if (item.expanded == expanded) return {};
    item.expanded = expanded;
    notify(engine, tree, {RichChange::ItemChanged, node, 1});
    events.RunEventEx(tree.kind->word, expanded ? u"を展開" : u"を折りたたむ", tree);
    return {};
}

std::string richMoveCell(EventDispatch& events, Engine& engine, ScriptObject& grid, int col,
                         int row) {
    const RichContent& before = *grid.rich;
    if (col < before.fixedCols || col >= before.cols || row < before.fixedRows ||
        row >= before.rows)
        return "no cell " + std::to_string(col) + "," + std::to_string(row) +
               " the user can move to (outside the grid or a heading)";
    if (col == before.col && row == before.row && col == before.selCol && row == before.selRow)
        return {};
    events.RunEventEx(grid.kind->word, u"のセルを移動前", grid);
    // The procedure may have shrunk the grid or removed it.
    if (grid.unloaded || !grid.rich) return {};
    RichContent& rc = *grid.rich;
    if (col >= rc.cols || row >= rc.rows) return {};
    rc.col = rc.selCol = col;
    rc.row = rc.selRow = row;
    notify(engine, grid, {RichChange::Current});
    events.RunEventEx(grid.kind->word, u"のセルを移動", grid);
    if (!grid.unloaded) events.RunEventEx(grid.kind->word, u"が変化", grid);
    return {};
}

std::string richSlide(EventDispatch& events, Engine& engine, ScriptObject& slider, double value) {
    RichContent& rc = *slider.rich;
    const double lo = rc.setting(RichSetting::Minimum), hi = rc.setting(RichSetting::Maximum);
    if (!std::isfinite(value) || value < lo || value > hi)
        return "the slider runs from " + text::toUtf8(number::format(lo)) + " to " +
               text::toUtf8(number::format(hi));
    value = std::round(value);
    if (rc.setting(RichSetting::Value) == value) return {};
    rc.settings[RichSetting::Value] = value;
    notify(engine, slider, {RichChange::Settings});
    // As a drag: the thumb moves, then the change is final.
    events.RunEventEx(slider.kind->word, u"を移動", slider);
    if (!slider.unloaded) events.RunEventEx(slider.kind->word, u"が変化", slider);
    return {};
}

std::optional<std::string> richControlAction(EventDispatch& events, Engine& engine,
                                             ScriptObject& object, const UserAction& action) {
    if (!object.rich || !object.kind) return {};
    const KindId kind = object.kind->id;
    if (kind == KindId::Grid && action.type == UserActionType::Select) {
        auto col = wholeNumber(action.x), row = wholeNumber(action.y);
        if (action.text.empty() || !col || !row) return "a cell needs column,row";
        return richMoveCell(events, engine, object, *col, *row);
    }
    if (kind == KindId::Slider && action.type == UserActionType::Scroll)
        return richSlide(events, engine, object, action.number);
    if (kind == KindId::Browser && action.type == UserActionType::Follow)
        return followLink(events, engine, object, action.text);
    return {};
}

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
    const bool itemView = !header && (kind == KindId::ListView || kind == KindId::TreeView);
    if (action.type == UserActionType::Click && itemView)
        return clickItem(events, engine, object, *index), "";
    if (action.type == UserActionType::Check && itemView)
        return checkItem(events, engine, object, *index), "";
    if (action.type == UserActionType::Edit && itemView)
        return richEditLabel(events, engine, object, *index, action.text);
    if ((action.type == UserActionType::Expand || action.type == UserActionType::Collapse) &&
        kind == KindId::TreeView)
        return richSetExpanded(events, engine, object, *index,
                               action.type == UserActionType::Expand);
    return "this action does not reach that sub-item yet";
}

void richWidgetAction(EventDispatch& events, Engine& engine, ScriptObject& object,
                      const WidgetEvent& event) {
    if (!object.rich || !object.kind) return;
    const KindId kind = object.kind->id;
    const int index = event.item;
    const bool item = stillThere(object, index);
    using A = RichUserAction;
    switch (event.rich) {
        case A::ClickTab:
            if (item && kind == KindId::TabStrip) clickTab(events, engine, object, index);
            return;
        case A::ClickButton:
            if (item && kind == KindId::ToolBar) clickButton(events, engine, object, index);
            return;
        case A::ClickHeader:
            if (kind == KindId::ListView && index >= 0 &&
                std::size_t(index) < object.rich->columns.size())
                clickHeader(events, engine, object, index);
            return;
        case A::ToggleCheck:
            if (item && (kind == KindId::ListView || kind == KindId::TreeView))
                checkItem(events, engine, object, index);
            return;
        case A::EditLabel:
            if (kind == KindId::ListView || kind == KindId::TreeView) {
                if (!richEditLabel(events, engine, object, index, event.text).empty() &&
                    stillThere(object, index))
                    notify(engine, object,
                           {RichChange::ItemChanged, index, 1});  // undo the view's edit
            }
            return;
        case A::Expand:
        case A::Collapse:
            if (kind == KindId::TreeView)
                richSetExpanded(events, engine, object, index, event.rich == A::Expand);
            return;
        case A::MoveCell: {
            auto col = wholeNumber(event.x), row = wholeNumber(event.y);
            if (kind == KindId::Grid && col && row) {
                if (!richMoveCell(events, engine, object, *col, *row).empty())
                    notify(engine, object, {RichChange::Current});  // back where it was
            }
            return;
        }
        case A::FollowLink:
            if (kind == KindId::Browser) followLink(events, engine, object, event.text);
            return;
        case A::NewWindowLink:
            if (kind == KindId::Browser) followInNewWindow(events, engine, object, event.text);
            return;
        case A::PageStatus:
            if (kind == KindId::Browser) pageStatus(events, object, event.text);
            return;
        case A::PageFullScreen:
            if (kind == KindId::Browser) pageFullScreen(engine, object, event.x != 0);
            return;
        case A::Select:
            if (kind == KindId::ListView || kind == KindId::TreeView)
                recordPicked(*object.rich, event.picked);
            return;
        case A::Slide:
            if (kind == KindId::Slider) {
                if (!richSlide(events, engine, object, event.x).empty())
                    notify(engine, object, {RichChange::Settings});
            }
            return;
    }
}

}  // namespace qel::ui
