// Script menus on Qt: a QMenuBar at the top of each window that has menus,
// QMenus for its menus and sub-menus, and a QAction per entry carrying its
// command number. The bar takes the top of the window's widget, so the
// window's inside as scripts see it (its controls, its drawing, its mouse
// positions, its inside height) starts below the bar (see clientTop).
#pragma once

#include <QPointer>

#include <map>
#include <string>

#include "platform/ports/menus.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace qel {

class QtWidgets;

class QtMenus : public MenuPort {
  public:
    explicit QtMenus(QtWidgets& set) : set_(set) {}
    ~QtMenus() override;

    MenuHandle createPopup(WidgetId window) override;
    void appendPopup(WidgetId window, MenuHandle parent, MenuHandle popup, TextView title) override;
    void appendEntry(WidgetId window, MenuHandle parent, std::uint64_t command,
                     TextView text) override;
    void appendSeparator(WidgetId window, MenuHandle parent) override;
    void update(const MenuItemRef& item, const MenuItemState& state) override;
    void showPopup(WidgetId window, MenuHandle popup,
                   std::optional<std::pair<int, int>> at) override;
    void removeMenus(WidgetId window) override;

    // Chooses the entry at `path` (titles and text joined by "の") as the
    // user would: greyed or hidden entries, and entries under them, cannot
    // be chosen. While a pop-up menu of the window shows, the entry comes
    // from it, and it closes. The reason when it cannot, else empty.
    std::string choose(WidgetId window, TextView path);

    // For tests: the window's bar, and an entry's action.
    QMenuBar* barOf(WidgetId window) const;
    QAction* actionOf(WidgetId window, std::uint64_t command) const;

  private:
    QWidget* windowWidget(WidgetId window) const;
    QMenuBar* makeBar(WidgetId window);
    QAction* actionFor(const MenuItemRef& ref) const;
    void triggered(WidgetId window, QAction* action);

    QtWidgets& set_;
    std::map<MenuHandle, QPointer<QMenu>> popups_;
    std::map<std::pair<WidgetId, std::uint64_t>, QPointer<QAction>> entries_;
    // The pop-up menu showing now (a replayed session's next menu line
    // chooses from it), and its window.
    QPointer<QMenu> shown_;
    WidgetId shownWindow_ = 0;
    MenuHandle nextHandle_ = MenuHandle(1) << 24;
};

namespace qtw {
// Where a container's inside begins for scripts: below the menu bar of a
// window that has one, else at its top.
int clientTop(const QWidget* container);
}  // namespace qtw

}  // namespace qel
