// Building the script menus and dispatching what the user chooses.
#include "ui/menus.h"

#include "core/engine.h"
#include "ui/events.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel::ui {

namespace {

Text joinPath(const std::vector<Text>& titles) {
    Text path;
    for (const Text& title : titles) {
        if (!path.empty()) path += u"の";
        path += title;
    }
    return path;
}

bool isCloseMark(char16_t c) {
    return c == u'<' || c == u'＜';
}

bool isOpenMark(char16_t c) {
    return c == u'>' || c == u'＞';
}

// A separator is written as a lone "-"; taken before evaluation, where a
// lone minus sign would be an incomplete sum.
bool isSeparator(TextView text) {
    return text == u"-" || text == u"－";
}

}  // namespace

MenuModel& Menus(ObjectModel& model) {
    if (!model.menus) model.menus = std::make_shared<MenuModel>();
    return *model.menus;
}

xxMenuCls* WindowMenus::find(std::uint64_t id) {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : &MenuInfo[it->second];
}

xxMenuCls* WindowMenus::findPath(TextView path) {
    const Text key = nameKey(path);
    for (xxMenuCls& item : MenuInfo) {
        if (nameKey(item.TreePath) == key) return &item;
    }
    return nullptr;
}

MenuPort* MenuModel::port(Engine& engine) {
    return ObjectModel::available(engine) ? ObjectModel::widgets(engine).menus() : nullptr;
}

WindowMenus* MenuModel::menusOf(const QelWindow& window) {
    auto it = windows_.find(&window);
    return it == windows_.end() ? nullptr : &it->second;
}

void MenuModel::push(std::uint64_t handle) {
    openMenus_.push_back(handle);
}

// ---- building ------------------------------------------------------------------------------

bool MenuModel::beginWindow(Engine& engine, QelWindow& window) {
    if (!port(engine)) {
        engine.Report(ErrorId::NotBuiltYet, u"メニュー");
        return false;
    }
    if (window.MenuhWnd == 0) {
        window.MenuhWnd = window.widget;
        ++MenuWindowCount;
        windows_[&window];
    }
    return true;
}

void MenuModel::AddMenu(Engine& engine, QelWindow& window, TextView written) {
    if (!beginWindow(engine, window)) return;
    Text title = engine.EvalText(text::trimBlanks(written));
    MenuPort& menus = *port(engine);
    // Each menu on the bar starts the stack afresh: entries and "<" after it
    // belong to it alone, never to the sub-menus of the menu before.
    openMenus_.clear();
    paths_.assign(1, title);
    building_ = &window;
    xxMenuCls menu;
    menu.MenuID = menus.createPopup(window.widget);
    menu.isPopup = true;
    menu.Text = menu.TreePath = title;
    menus.appendPopup(window.widget, 0, menu.MenuID, title);
    WindowMenus& info = windows_[&window];
    info.byId[menu.MenuID] = info.MenuInfo.size();
    push(menu.MenuID);
    info.MenuInfo.push_back(std::move(menu));
}

void MenuModel::AddSubMenuEntry(Engine& engine, QelWindow& window, TextView written) {
    if (!beginWindow(engine, window)) return;
    TextView text = text::trimBlanks(written);
    if (openMenus_.empty() || building_ != &window) {
        engine.Report(ErrorId::SubMenuWithoutMenu, text);
        return;
    }
    MenuPort& menus = *port(engine);
    WindowMenus& info = windows_[&window];
    if (!text.empty() && isCloseMark(text.front())) {
        // Every "<" closes one level; the menu on the bar stays open, and
        // each level closed takes its title off the path.
        std::size_t levels = 0;
        for (char16_t c : text) levels += isCloseMark(c) ? 1 : 0;
        levels = std::min(levels, openMenus_.size() - 1);
        openMenus_.resize(openMenus_.size() - levels);
        paths_.resize(std::max<std::size_t>(1, paths_.size() - std::min(levels, paths_.size())));
        return;
    }
    if (!text.empty() && isOpenMark(text.front())) {
        if (openMenus_.size() >= std::size_t(kStackSize)) {
            engine.Report(ErrorId::MenusNestedTooDeep, number::format(kStackSize - 1));
            return;
        }
        Text title = engine.EvalText(text.substr(1));
        xxMenuCls sub;
        sub.MenuID = menus.createPopup(window.widget);
        sub.isPopup = true;
        sub.Text = title;
        paths_.push_back(title);
        sub.TreePath = joinPath(paths_);
        menus.appendPopup(window.widget, openMenus_.back(), sub.MenuID, title);
        info.byId[sub.MenuID] = info.MenuInfo.size();
        push(sub.MenuID);
        info.MenuInfo.push_back(std::move(sub));
        return;
    }
    if (isSeparator(text)) {
        menus.appendSeparator(window.widget, openMenus_.back());
        return;
    }
    Text shown = engine.EvalText(text);
    if (isSeparator(shown)) {
        menus.appendSeparator(window.widget, openMenus_.back());
        return;
    }
    xxMenuCls entry;
    entry.MenuID = info.MenuInfo.size();
    entry.Text = shown;
    entry.TreePath = joinPath(paths_) + u"の" + shown.substr(0, shown.find(u'\t'));
    menus.appendEntry(window.widget, openMenus_.back(), entry.MenuID, shown);
    info.byId[entry.MenuID] = info.MenuInfo.size();
    info.MenuInfo.push_back(std::move(entry));
}

// ---- dispatch -------------------------------------------------------------------------------

void xxMenuCls::CallEvent(Engine& engine, ObjectModel& model, QelWindow& window) const {
    const qel::Text name = window.WindowName + u"の" + TreePath + u"をクリック";
    EventDispatch& events = Events(engine, model);
    if (events.runNamed(name, &window)) return;
    // A procedure named by the path alone works nowhere; with only one
    // window holding menus the script surely meant that window's entry.
    if (Menus(model).MenuWindowCount == 1 && events.hasProcedure(TreePath + u"をクリック"))
        engine.Report(ErrorId::MenuProcedureNeedsWindowName, name);
}

void MenuModel::MenuCommand(Engine& engine, ObjectModel& model, QelWindow& window,
                            std::uint64_t number) {
    if (number >= kCommandLimit) return;
    WindowMenus* info = menusOf(window);
    const xxMenuCls* item = info ? info->find(number) : nullptr;
    if (!item || item->isPopup) return;
    const xxMenuCls entry = *item;  // the procedure may add entries
    entry.CallEvent(engine, model, window);
}

bool MenuModel::MenuShortcut(Engine& engine, ObjectModel& model, QelWindow& window, int keyCode,
                             int shift) {
    WindowMenus* info = menusOf(window);
    if (!info || keyCode == 0) return false;
    for (const xxMenuCls& item : info->MenuInfo) {
        if (item.ShortCutKeyNo != keyCode || item.ShortCutKeyShift != shift) continue;
        // A greyed or hidden entry cannot be chosen, by mouse or by key.
        if (!item.enabled || !item.visible) return false;
        const xxMenuCls entry = item;
        entry.CallEvent(engine, model, window);
        return true;
    }
    return false;
}

bool MenuModel::Popup(Engine& engine, QelWindow& window, TextView title,
                      std::optional<std::pair<int, int>> at) {
    WindowMenus* info = menusOf(window);
    MenuPort* menus = port(engine);
    const Text key = nameKey(title);
    if (info && menus) {
        for (const xxMenuCls& item : info->MenuInfo) {
            if (!item.isPopup || nameKey(item.Text) != key) continue;
            menus->showPopup(window.widget, item.MenuID, at);
            return true;
        }
    }
    engine.Report(ErrorId::NoSuchItem, title);
    return false;
}

void MenuModel::show(Engine& engine, QelWindow& window, const xxMenuCls& item) {
    MenuPort* menus = port(engine);
    if (!menus) return;
    MenuItemState state;
    state.text = item.Text;
    state.checked = item.checked;
    state.enabled = item.enabled;
    state.visible = item.visible;
    menus->update(MenuItemRef{window.widget, item.MenuID, item.isPopup}, state);
}

// ---- life -------------------------------------------------------------------------------------

void MenuModel::forgetWindow(Engine& engine, QelWindow& window) {
    if (window.MenuhWnd == 0) return;
    if (MenuPort* menus = port(engine)) menus->removeMenus(window.widget);
    windows_.erase(&window);
    window.MenuhWnd = 0;
    MenuWindowCount = std::max(0, MenuWindowCount - 1);
    if (building_ == &window) {
        building_ = nullptr;
        openMenus_.clear();
        paths_.clear();
    }
}

void MenuModel::reset(Engine& engine, ObjectModel& model) {
    for (auto& w : model.loadedWindows) forgetWindow(engine, *w);
    if (model.mainWindow) forgetWindow(engine, *model.mainWindow);
    windows_.clear();
    openMenus_.clear();
    paths_.clear();
    building_ = nullptr;
    MenuWindowCount = 0;
}

}  // namespace qel::ui
