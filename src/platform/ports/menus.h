// What the object model asks of a widget set for script menus: a menu bar per
// window, pop-up menus inside it, entries with stable command numbers, and
// pop-ups shown at a point. The model keeps every entry's text and state
// itself; the set only shows them. A chosen entry comes back through the
// widget event sink as a MenuCommand event of the window.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/ports/widget_events.h"
#include "text/text.h"

namespace qel {

using MenuHandle = std::uint64_t;

// How one menu, sub-menu or entry looks.
struct MenuItemState {
    Text text;  // "\t" parts the shortcut column from the text
    bool checked = false;
    bool enabled = true;
    bool visible = true;
};

// A menu or sub-menu is named by its pop-up handle; an entry by its command
// number inside the window's menus.
struct MenuItemRef {
    WidgetId window = 0;
    std::uint64_t id = 0;
    bool popup = false;
};

class MenuPort {
  public:
    virtual ~MenuPort() = default;

    // A new, empty pop-up menu for the window; its handle never equals a
    // command number the model hands out (those stay below 2^24).
    virtual MenuHandle createPopup(WidgetId window) = 0;
    // Appends to the window's menu bar (made on first use) or, with
    // `parent` not 0, to that pop-up.
    virtual void appendPopup(WidgetId window, MenuHandle parent, MenuHandle popup,
                             TextView title) = 0;
    virtual void appendEntry(WidgetId window, MenuHandle parent, std::uint64_t command,
                             TextView text) = 0;
    virtual void appendSeparator(WidgetId window, MenuHandle parent) = 0;
    virtual void update(const MenuItemRef& item, const MenuItemState& state) = 0;
    // Shows the pop-up at a point on the window (client pixels), or at the
    // mouse pointer when none is given. Desktop sets return once the user
    // has chosen or dismissed it.
    virtual void showPopup(WidgetId window, MenuHandle popup,
                           std::optional<std::pair<int, int>> at) = 0;
    // The window's menus go (its menu bar disappears).
    virtual void removeMenus(WidgetId window) = 0;
};

}  // namespace qel
