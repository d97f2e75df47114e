#include "platform/qt/qt_menus.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <utility>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

namespace {

const QString kBarName = QStringLiteral("qelMenuBar");
const char* const kChecked = "qelChecked";

QMenuBar* barIn(const QWidget* window) {
    return window ? window->findChild<QMenuBar*>(kBarName, Qt::FindDirectChildrenOnly) : nullptr;
}

// Changes the window's inside height by `by`, so that adding or taking away
// the bar leaves the inside scripts read as it was. A window of fixed size
// stays fixed at its new size.
void growWindow(QWidget& window, int by) {
    const bool fixed = window.minimumSize() == window.maximumSize();
    const QSize size(window.width(), std::max(0, window.height() + by));
    window.setMinimumSize(0, 0);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.resize(size);
    if (fixed) window.setFixedSize(size);
}

// Gives the bar the height its menus need. The controls move down (or up)
// with the bar's lower edge, so their places as scripts read them stay.
void fitBar(QWidget& window, QMenuBar& bar) {
    bool any = false;
    for (const QAction* action : bar.actions()) any = any || action->isVisible();
    const int height = any ? bar.sizeHint().height() : 0;
    const int by = height - bar.height();
    bar.setGeometry(0, 0, window.width(), height);
    bar.raise();
    if (by == 0) return;
    for (QObject* child : window.children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && control != &bar && !control->isWindow())
            control->move(control->x(), control->y() + by);
    }
    growWindow(window, by);
}

// The bar follows the window's width (its height follows its menus as they
// are added, shown and hidden: see fitBar's callers).
class BarFitter : public QObject {
  public:
    BarFitter(QWidget* window, QMenuBar* bar) : QObject(bar), bar_(bar) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (bar_ && event->type() == QEvent::Resize)
            bar_->resize(static_cast<QWidget*>(watched)->width(), bar_->height());
        return false;
    }

  private:
    QPointer<QMenuBar> bar_;
};

// Paths are compared as scripts compare names: without regard to width or
// the case of Latin letters, and without the shortcut column.
Text pathKey(TextView path) {
    return text::foldKey(text::toHalfWidth(path));
}

Text shownText(const QAction& action) {
    Text t = fromQString(action.text());
    return t.substr(0, t.find(u'\t'));
}

struct Found {
    QAction* action = nullptr;
    bool blocked = false;  // greyed or hidden, or under a menu that is
};

void search(const QList<QAction*>& actions, const Text& prefix, const Text& wanted, bool blocked,
            Found& found) {
    for (QAction* action : actions) {
        if (found.action) return;
        if (action->isSeparator()) continue;
        const Text own = shownText(*action);
        const Text path = prefix.empty() ? own : prefix + u"の" + own;
        const bool shut = blocked || !action->isEnabled() || !action->isVisible();
        if (QMenu* sub = action->menu()) {
            search(sub->actions(), path, wanted, shut, found);
        } else if (pathKey(path) == wanted) {
            found = Found{action, shut};
        }
    }
}

}  // namespace

namespace qtw {

int clientTop(const QWidget* container) {
    const QMenuBar* bar = barIn(container);
    // A bar the desktop shows elsewhere (a global menu) takes no room.
    if (!bar || bar->isNativeMenuBar() || bar->isHidden()) return 0;
    return bar->height();
}

}  // namespace qtw

QtMenus::~QtMenus() = default;

QWidget* QtMenus::windowWidget(WidgetId window) const {
    const qtw::Entry* e = set_.find(window);
    return e && e->isWindow() ? e->widget.data() : nullptr;
}

QMenuBar* QtMenus::barOf(WidgetId window) const {
    return barIn(windowWidget(window));
}

QAction* QtMenus::actionOf(WidgetId window, std::uint64_t command) const {
    auto it = entries_.find({window, command});
    return it == entries_.end() ? nullptr : it->second.data();
}

QMenuBar* QtMenus::makeBar(WidgetId window) {
    QWidget* w = windowWidget(window);
    if (!w) return nullptr;
    if (QMenuBar* bar = barIn(w)) return bar;
    auto* bar = new QMenuBar(w);
    bar->setObjectName(kBarName);
    // No room is taken until the first menu is on it.
    bar->setGeometry(0, 0, w->width(), 0);
    bar->show();
    new BarFitter(w, bar);
    return bar;
}

MenuHandle QtMenus::createPopup(WidgetId window) {
    const MenuHandle handle = nextHandle_++;
    popups_[handle] = new QMenu(windowWidget(window));
    return handle;
}

void QtMenus::appendPopup(WidgetId window, MenuHandle parent, MenuHandle popup, TextView title) {
    QMenu* menu = popups_[popup];
    if (!menu) return;
    menu->setTitle(toQString(title));
    if (parent == 0) {
        if (QMenuBar* bar = makeBar(window)) {
            bar->addMenu(menu);
            fitBar(*windowWidget(window), *bar);
        }
    } else if (QMenu* above = popups_[parent]) {
        above->addMenu(menu);
    }
}

void QtMenus::appendEntry(WidgetId window, MenuHandle parent, std::uint64_t command,
                          TextView text) {
    QWidget* holder = parent == 0 ? static_cast<QWidget*>(makeBar(window))
                                  : static_cast<QWidget*>(popups_[parent].data());
    if (!holder) return;
    // Qt shows what follows a tab as the shortcut column by itself. The
    // shortcut is not given to Qt: the object model dispatches it on key up.
    auto* action = new QAction(toQString(text), holder);
    holder->addAction(action);
    if (parent == 0) fitBar(*windowWidget(window), *static_cast<QMenuBar*>(holder));
    entries_[{window, command}] = action;
    QObject::connect(action, &QAction::triggered, action,
                     [this, window, action] { triggered(window, action); });
    action->setData(QVariant::fromValue<qulonglong>(command));
}

void QtMenus::appendSeparator(WidgetId window, MenuHandle parent) {
    if (parent == 0) {
        if (QMenuBar* bar = makeBar(window)) bar->addSeparator();
    } else if (QMenu* menu = popups_[parent]) {
        menu->addSeparator();
    }
}

void QtMenus::triggered(WidgetId window, QAction* action) {
    // The check mark is the script's to set: Qt's toggling on a click is undone.
    action->setChecked(action->property(kChecked).toBool());
    WidgetEventSink* sink = set_.eventSink();
    if (!sink || !set_.find(window)) return;
    WidgetEvent event = eventOf(window, WidgetEventType::MenuCommand);
    event.command = action->data().toULongLong();
    sink->widgetEvent(event);
}

QAction* QtMenus::actionFor(const MenuItemRef& ref) const {
    if (ref.popup) {
        auto it = popups_.find(ref.id);
        return it == popups_.end() || !it->second ? nullptr : it->second->menuAction();
    }
    return actionOf(ref.window, ref.id);
}

void QtMenus::update(const MenuItemRef& ref, const MenuItemState& state) {
    QAction* action = actionFor(ref);
    if (!action) return;
    if (ref.popup) {
        popups_[ref.id]->setTitle(toQString(state.text));
    } else {
        action->setText(toQString(state.text));
    }
    // Only a checked entry is checkable: some styles draw an empty box
    // beside every checkable entry.
    action->setProperty(kChecked, state.checked);
    action->setCheckable(state.checked);
    action->setChecked(state.checked);
    action->setEnabled(state.enabled);
    // A hidden action keeps its place, so showing it again puts it back there.
    action->setVisible(state.visible);
    // The bar's last visible menu hidden (or the first shown) changes its height.
    if (QMenuBar* bar = barOf(ref.window); bar && bar->actions().contains(action))
        fitBar(*windowWidget(ref.window), *bar);
}

void QtMenus::showPopup(WidgetId window, MenuHandle popup, std::optional<std::pair<int, int>> at) {
    auto it = popups_.find(popup);
    QWidget* w = windowWidget(window);
    if (it == popups_.end() || !it->second || !w) return;
    const QPoint where =
        at ? w->mapToGlobal(QPoint(at->first, at->second + qtw::clientTop(w))) : QCursor::pos();
    // Returns once an entry is chosen (its triggered signal reports it) or
    // the menu is dismissed.
    QPointer<QMenu> menu = it->second;
    shown_ = menu;
    shownWindow_ = window;
    menu->exec(where);
    if (shown_ == menu) shown_ = nullptr;
}

void QtMenus::removeMenus(WidgetId window) {
    if (QWidget* w = windowWidget(window)) {
        if (QMenuBar* bar = barIn(w)) {
            // Back to no room taken; then the bar goes, later: the entry
            // being chosen may be what removes the menus.
            for (QAction* action : bar->actions()) bar->removeAction(action);
            fitBar(*w, *bar);
            bar->hide();
            bar->setObjectName(QString());
            bar->deleteLater();
        }
    }
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = it->first.first == window ? entries_.erase(it) : std::next(it);
    }
    for (auto it = popups_.begin(); it != popups_.end();) {
        if (it->second && it->second->parentWidget() == windowWidget(window)) {
            it->second->deleteLater();
            it = popups_.erase(it);
        } else {
            it = it->second ? std::next(it) : popups_.erase(it);
        }
    }
}

namespace {

// The path of a pop-up menu among the actions (its titles joined by "の").
std::optional<Text> pathOf(const QList<QAction*>& actions, const Text& at, const QMenu* popup) {
    for (QAction* action : actions) {
        QMenu* sub = action->menu();
        if (!sub) continue;
        const Text here = at.empty() ? shownText(*action) : at + u"の" + shownText(*action);
        if (sub == popup) return here;
        if (auto found = pathOf(sub->actions(), here, popup)) return found;
    }
    return std::nullopt;
}

}  // namespace

std::string QtMenus::choose(WidgetId window, TextView path) {
    QMenuBar* bar = barOf(window);
    if (!bar) return "the window has no menu";
    const Text wanted = pathKey(text::trimBlanks(path));
    Found found;
    if (shown_ && shownWindow_ == window) {
        // The pop-up takes the next choice, whatever it is; it closes then.
        QPointer<QMenu> popup = std::exchange(shown_, nullptr);
        popup->close();
        auto at = pathOf(bar->actions(), Text(), popup);
        if (!at) return "the pop-up menu shown is gone";
        search(popup->actions(), *at, wanted, false, found);
        if (!found.action) return "the pop-up menu shown has no entry of that path";
    }
    if (!found.action) search(bar->actions(), Text(), wanted, false, found);
    if (!found.action) return "no menu entry has that path";
    if (found.blocked) return "that menu entry is greyed or hidden";
    found.action->trigger();
    return {};
}

}  // namespace qel
