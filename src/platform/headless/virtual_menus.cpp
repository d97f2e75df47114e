#include "platform/headless/virtual_menus.h"

namespace qel {

namespace {

// Paths are compared as scripts compare names: without regard to width or
// the case of Latin letters.
Text pathKey(TextView path) {
    return text::foldKey(text::toHalfWidth(path));
}

TextView beforeTab(TextView text) {
    return text.substr(0, text.find(u'\t'));
}

}  // namespace

MenuHandle VirtualMenus::createPopup(WidgetId window) {
    MenuHandle handle = nextHandle_++;
    popups_[handle].window = window;
    return handle;
}

VirtualMenus::Menu& VirtualMenus::menuFor(WidgetId window, MenuHandle parent) {
    if (parent == 0) {
        Menu& bar = bars_[window];
        bar.window = window;
        return bar;
    }
    return popups_[parent];
}

void VirtualMenus::appendPopup(WidgetId window, MenuHandle parent, MenuHandle popup,
                               TextView title) {
    Item item;
    item.kind = Item::Popup;
    item.id = popup;
    item.state.text = Text(title);
    menuFor(window, parent).items.push_back(std::move(item));
}

void VirtualMenus::appendEntry(WidgetId window, MenuHandle parent, std::uint64_t command,
                               TextView text) {
    Item item;
    item.id = command;
    item.state.text = Text(text);
    menuFor(window, parent).items.push_back(std::move(item));
}

void VirtualMenus::appendSeparator(WidgetId window, MenuHandle parent) {
    Item item;
    item.kind = Item::Separator;
    menuFor(window, parent).items.push_back(std::move(item));
}

VirtualMenus::Item* VirtualMenus::findItem(const MenuItemRef& ref) {
    auto look = [&](Menu& menu) -> Item* {
        if (menu.window != ref.window) return nullptr;
        for (Item& item : menu.items) {
            if (item.kind != Item::Separator && item.id == ref.id &&
                (item.kind == Item::Popup) == ref.popup)
                return &item;
        }
        return nullptr;
    };
    if (auto bar = bars_.find(ref.window); bar != bars_.end()) {
        if (Item* found = look(bar->second)) return found;
    }
    for (auto& [handle, menu] : popups_) {
        if (Item* found = look(menu)) return found;
    }
    return nullptr;
}

void VirtualMenus::update(const MenuItemRef& ref, const MenuItemState& state) {
    if (Item* item = findItem(ref)) item->state = state;
}

void VirtualMenus::showPopup(WidgetId window, MenuHandle popup,
                             std::optional<std::pair<int, int>> at) {
    (void)at;
    if (popups_.count(popup)) shownPopup_[window] = popup;
}

void VirtualMenus::removeMenus(WidgetId window) {
    bars_.erase(window);
    shownPopup_.erase(window);
    for (auto it = popups_.begin(); it != popups_.end();) {
        it = it->second.window == window ? popups_.erase(it) : std::next(it);
    }
}

void VirtualMenus::search(const Menu& menu, const Text& prefix, const Text& wanted, bool blocked,
                          Found& found) const {
    for (const Item& item : menu.items) {
        if (found.item) return;
        if (item.kind == Item::Separator) continue;
        Text path = prefix.empty() ? Text(beforeTab(item.state.text))
                                   : prefix + u"の" + Text(beforeTab(item.state.text));
        const bool shut = blocked || !item.state.enabled || !item.state.visible;
        if (item.kind == Item::Entry) {
            if (pathKey(path) == wanted) found = Found{&item, shut};
            continue;
        }
        auto sub = popups_.find(item.id);
        if (sub != popups_.end()) search(sub->second, path, wanted, shut, found);
    }
}

std::string VirtualMenus::choose(WidgetId window, TextView path) {
    const Text wanted = pathKey(text::trimBlanks(path));
    Found found;
    auto shown = shownPopup_.find(window);
    if (shown != shownPopup_.end()) {
        // A pop-up menu takes the next choice, whatever it is; it closes then.
        MenuHandle popup = shown->second;
        shownPopup_.erase(shown);
        auto bar = bars_.find(window);
        auto at = bar == bars_.end() ? std::nullopt : pathOf(bar->second, Text(), popup);
        if (!at || !popups_.count(popup)) return "the pop-up menu shown is gone";
        search(popups_.at(popup), *at, wanted, false, found);
        if (!found.item) return "the pop-up menu shown has no entry of that path";
    } else {
        auto bar = bars_.find(window);
        if (bar == bars_.end()) return "the window has no menu";
        search(bar->second, Text(), wanted, false, found);
    }
    if (!found.item) return "no menu entry has that path";
    if (found.blocked) return "that menu entry is greyed or hidden";
    WidgetEvent event = eventOf(window, WidgetEventType::MenuCommand);
    event.command = found.item->id;
    report_(event);
    return {};
}

std::optional<Text> VirtualMenus::pathOf(const Menu& menu, const Text& at, MenuHandle popup) const {
    for (const Item& item : menu.items) {
        if (item.kind != Item::Popup) continue;
        Text here = at.empty() ? item.state.text : at + u"の" + item.state.text;
        if (item.id == popup) return here;
        auto sub = popups_.find(item.id);
        if (sub == popups_.end()) continue;
        if (auto found = pathOf(sub->second, here, popup)) return found;
    }
    return std::nullopt;
}

void VirtualMenus::describeMenu(const Menu& menu, int depth, std::vector<Text>& lines) const {
    const Text indent(std::size_t(depth) * 2, u' ');
    for (const Item& item : menu.items) {
        if (item.kind == Item::Separator) {
            lines.push_back(indent + u"----");
            continue;
        }
        Text line = indent + item.state.text;
        if (item.state.checked) line += u" [x]";
        if (!item.state.enabled) line += u" (grey)";
        if (!item.state.visible) line += u" (hidden)";
        lines.push_back(line);
        if (item.kind == Item::Popup) {
            if (auto sub = popups_.find(item.id); sub != popups_.end())
                describeMenu(sub->second, depth + 1, lines);
        }
    }
}

std::vector<Text> VirtualMenus::describe(WidgetId window) const {
    std::vector<Text> lines;
    if (auto bar = bars_.find(window); bar != bars_.end()) describeMenu(bar->second, 0, lines);
    return lines;
}

}  // namespace qel
