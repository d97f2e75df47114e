// Script menus without a display: the tree of menus, sub-menus, entries and
// separators each window's bar holds, with every entry's state, so that a
// replayed session can choose an entry by its path (ファイルの開く) as a user
// would: greyed and hidden entries, and entries under them, cannot be chosen.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports/menus.h"

namespace qel {

class VirtualMenus : public MenuPort {
  public:
    // Where a chosen entry is reported (the widget set's event sink).
    using Reporter = std::function<void(const WidgetEvent&)>;
    explicit VirtualMenus(Reporter report) : report_(std::move(report)) {}

    MenuHandle createPopup(WidgetId window) override;
    void appendPopup(WidgetId window, MenuHandle parent, MenuHandle popup, TextView title) override;
    void appendEntry(WidgetId window, MenuHandle parent, std::uint64_t command,
                     TextView text) override;
    void appendSeparator(WidgetId window, MenuHandle parent) override;
    void update(const MenuItemRef& item, const MenuItemState& state) override;
    void showPopup(WidgetId window, MenuHandle popup,
                   std::optional<std::pair<int, int>> at) override;
    void removeMenus(WidgetId window) override;

    // Chooses the entry of the window's menus at `path` (titles and the
    // entry's text joined by "の"); while a pop-up menu is shown, an entry of
    // that pop-up. The reason when it cannot, else empty.
    std::string choose(WidgetId window, TextView path);

    // The window's menus as lines ("ファイル", "  開く\tCTRL+O", "  ----"),
    // for tests.
    std::vector<Text> describe(WidgetId window) const;

  private:
    struct Item {
        enum Kind { Popup, Entry, Separator } kind = Entry;
        std::uint64_t id = 0;
        MenuItemState state;
    };
    struct Menu {
        WidgetId window = 0;
        std::vector<Item> items;
    };
    struct Found {
        const Item* item = nullptr;
        bool blocked = false;  // a menu on the way is greyed or hidden
    };
    Menu& menuFor(WidgetId window, MenuHandle parent);
    Item* findItem(const MenuItemRef& ref);
    void search(const Menu& menu, const Text& prefix, const Text& wanted, bool blocked,
                Found& found) const;
    // The path of a pop-up inside `menu`, whose own path is `at`.
    std::optional<Text> pathOf(const Menu& menu, const Text& at, MenuHandle popup) const;
    void describeMenu(const Menu& menu, int depth, std::vector<Text>& lines) const;

    Reporter report_;
    std::map<WidgetId, Menu> bars_;
    std::map<MenuHandle, Menu> popups_;
    std::map<WidgetId, MenuHandle> shownPopup_;
    MenuHandle nextHandle_ = MenuHandle(1) << 24;
};

}  // namespace qel
