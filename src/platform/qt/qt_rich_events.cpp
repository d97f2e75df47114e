// What the user does to the sub-items of rich controls on the desktop: tab
// and tool-bar clicks, column-header clicks, check boxes and label edits in
// list and tree views, nodes opened and closed, grid cells moved to, slider
// drags. Each is reported as the sub-item's number in the content's own order;
// the object model changes the content and runs the procedures, and the view
// then shows what the model holds. Reports go through the event queue: the
// model's answer may rebuild the very view (and delete the very item or
// action) whose signal is being emitted.
#include <QAbstractSlider>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QMetaObject>
#include <QSlider>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_rich_list.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

void reportLater(QtWidgets& set, QObject* context, WidgetId id, RichUserAction action, int item,
                 double x = 0, double y = 0, Text text = {}) {
    QMetaObject::invokeMethod(
        context,
        [&set, id, action, item, x, y, text = std::move(text)] {
            WidgetEventSink* sink = set.eventSink();
            if (!sink || !set.find(id)) return;
            WidgetEvent e = eventOf(id, WidgetEventType::RichAction, 0, x, y);
            e.rich = action;
            e.item = item;
            e.text = text;
            try {
                sink->widgetEvent(e);
            } catch (...) {
                // Nothing crosses the toolkit.
            }
        },
        Qt::QueuedConnection);
}

// What the user picked is reported at once, not through the queue: the click
// that picked it runs its procedure before queued reports arrive, and that
// procedure reads the pick. Recording a pick changes nothing the view shows.
void reportPicked(QtWidgets& set, WidgetId id, std::vector<int> picked) {
    WidgetEventSink* sink = set.eventSink();
    if (!sink) return;
    WidgetEvent e = eventOf(id, WidgetEventType::RichAction);
    e.rich = RichUserAction::Select;
    e.picked = std::move(picked);
    try {
        sink->widgetEvent(e);
    } catch (...) {
        // Nothing crosses the toolkit.
    }
}

// The content's number of a tree node (nodes carry theirs) or of a row of a
// list view's details face (rows stand in the content's order).
int indexOf(const Entry& e, QTreeWidget& view, QTreeWidgetItem* item) {
    if (!item) return -1;
    if (e.kind == int(WidgetKind::TreeView)) {
        const QVariant index = item->data(0, kRichIndexRole);
        return index.isValid() ? index.toInt() : -1;
    }
    return view.indexOfTopLevelItem(item);
}

// A row's check box or label changed under the user's hand: which of the two
// it was is told by comparing with what the content holds.
void reportRowChange(QtWidgets& set, QObject* context, WidgetId id, int index,
                     const QVariant& check, const QString& text) {
    Entry* entry = set.find(id);
    if (!entry || !entry->rich || index < 0 || std::size_t(index) >= entry->rich->items.size())
        return;
    const RichItem& held = entry->rich->items[std::size_t(index)];
    const bool checked = check.isValid() && check.toInt() == Qt::Checked;
    if (check.isValid() && checked != held.checked)
        return reportLater(set, context, id, RichUserAction::ToggleCheck, index);
    const Text label = fromQString(text);
    if (label != held.text)
        reportLater(set, context, id, RichUserAction::EditLabel, index, 0, 0, label);
}

void connectItemView(QtWidgets& set, Entry& e, QTreeWidget& view) {
    const WidgetId id = e.id;
    QObject::connect(&view, &QTreeWidget::itemChanged, &view,
                     [&set, &view, id](QTreeWidgetItem* item, int column) {
                         Entry* entry = set.find(id);
                         if (!entry || column != 0) return;
                         reportRowChange(set, &view, id, indexOf(*entry, view, item),
                                         item->data(0, Qt::CheckStateRole), item->text(0));
                     });
    auto expanded = [&set, &view, id](RichUserAction action) {
        return [&set, &view, id, action](QTreeWidgetItem* item) {
            Entry* entry = set.find(id);
            if (entry) reportLater(set, &view, id, action, indexOf(*entry, view, item));
        };
    };
    QObject::connect(&view, &QTreeWidget::itemSelectionChanged, &view, [&set, &view, id] {
        Entry* entry = set.find(id);
        if (!entry) return;
        std::vector<int> picked;
        for (QTreeWidgetItem* item : view.selectedItems())
            picked.push_back(indexOf(*entry, view, item));
        reportPicked(set, id, std::move(picked));
    });
    QObject::connect(&view, &QTreeWidget::itemExpanded, &view, expanded(RichUserAction::Expand));
    QObject::connect(&view, &QTreeWidget::itemCollapsed, &view, expanded(RichUserAction::Collapse));
}

// Input a face did not take travels on to the control itself, whose watcher
// would report it a second time: the faces reported it already. What a
// replayed session sends to the control directly is not spontaneous and passes.
class RepeatedInput : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
                return event->spontaneous();
            default:
                return false;
        }
    }
};

// Both faces of a list view report as the control: the mouse and keys on
// either reach the control's event watcher, and checks and label edits on
// either are the same actions.
void connectListView(QtWidgets& set, Entry& e, RichListView& view) {
    const WidgetId id = e.id;
    if (QObject* watcher =
            view.findChild<QObject*>(QStringLiteral("qelEvents"), Qt::FindDirectChildrenOnly)) {
        for (QAbstractItemView* face : {static_cast<QAbstractItemView*>(&view.details()),
                                        static_cast<QAbstractItemView*>(&view.icons())}) {
            face->installEventFilter(watcher);
            face->viewport()->installEventFilter(watcher);
            face->viewport()->setMouseTracking(true);
        }
        // Installed last, so it sees the control's own input first.
        view.installEventFilter(new RepeatedInput(&view));
    }
    QTreeWidget& details = view.details();
    connectItemView(set, e, details);
    QHeaderView* header = details.header();
    header->setSectionsClickable(true);
    QObject::connect(header, &QHeaderView::sectionClicked, &details,
                     [&set, &details, id](int column) {
                         reportLater(set, &details, id, RichUserAction::ClickHeader, column);
                     });
    QListWidget& icons = view.icons();
    QObject::connect(&icons, &QListWidget::itemChanged, &icons,
                     [&set, &icons, id](QListWidgetItem* item) {
                         reportRowChange(set, &icons, id, icons.row(item),
                                         item->data(Qt::CheckStateRole), item->text());
                     });
    QObject::connect(&icons, &QListWidget::itemSelectionChanged, &icons, [&set, &icons, id] {
        std::vector<int> picked;
        for (QListWidgetItem* item : icons.selectedItems()) picked.push_back(icons.row(item));
        reportPicked(set, id, std::move(picked));
    });
}

void connectSlider(QtWidgets& set, WidgetId id, QSlider& slider) {
    // Only a user's move: the action comes first, then the value.
    QObject::connect(&slider, &QAbstractSlider::actionTriggered, &slider,
                     [&slider] { slider.setProperty("qelUserMove", true); });
    QObject::connect(&slider, &QAbstractSlider::valueChanged, &slider,
                     [&set, &slider, id](int value) {
                         if (!slider.property("qelUserMove").toBool()) return;
                         slider.setProperty("qelUserMove", false);
                         reportLater(set, &slider, id, RichUserAction::Slide, -1, value);
                     });
}

}  // namespace

bool connectRichSignals(QtWidgets& set, Entry& e) {
    QWidget* w = e.widget;
    const WidgetId id = e.id;
    switch (e.widgetKind()) {
        case WidgetKind::ListView:
            if (auto* view = dynamic_cast<RichListView*>(w)) connectListView(set, e, *view);
            return true;
        case WidgetKind::TreeView:
            if (auto* view = qobject_cast<QTreeWidget*>(w)) connectItemView(set, e, *view);
            return true;
        case WidgetKind::TabStrip:
            if (auto* bar = qobject_cast<QTabBar*>(w)) {
                QObject::connect(bar, &QTabBar::tabBarClicked, bar, [&set, bar, id](int index) {
                    if (index >= 0) reportLater(set, bar, id, RichUserAction::ClickTab, index);
                });
            }
            return true;
        case WidgetKind::ToolBar:
            if (auto* bar = qobject_cast<QToolBar*>(w)) {
                QObject::connect(
                    bar, &QToolBar::actionTriggered, bar, [&set, bar, id](QAction* action) {
                        const int index = int(bar->actions().indexOf(action));
                        if (index >= 0)
                            reportLater(set, bar, id, RichUserAction::ClickButton, index);
                    });
            }
            return true;
        case WidgetKind::Grid:
            if (auto* view = qobject_cast<QTableView*>(w)) {
                QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
                                 [&set, view, id](const QModelIndex& current) {
                                     if (!current.isValid()) return;
                                     reportLater(set, view, id, RichUserAction::MoveCell, -1,
                                                 current.column(), current.row());
                                 });
            }
            return true;
        case WidgetKind::Slider:
            if (auto* slider = qobject_cast<QSlider*>(w)) connectSlider(set, id, *slider);
            return true;
        case WidgetKind::StatusBar:
        case WidgetKind::ProgressBar:
            return true;  // nothing of theirs the user acts on
        case WidgetKind::Browser:
            connectBrowser(set, e);
            return true;
        default:
            return false;
    }
}

}  // namespace qel::qtw
