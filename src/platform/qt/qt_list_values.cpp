// List boxes, both drop-down lists, the drive list (a drop-down of mount
// points) and the folder list (a view over the file system's own model).
// Sorted lists keep their items in the order of their UTF-16 units, as the
// console does, so an item's number means the same item on both.
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListView>
#include <QListWidget>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

struct FolderView {
    QListView* view = nullptr;
    QSortFilterProxyModel* order = nullptr;
    QFileSystemModel* files = nullptr;

    explicit FolderView(QWidget* w) : view(qobject_cast<QListView*>(w)) {
        if (view) order = qobject_cast<QSortFilterProxyModel*>(view->model());
        if (order) files = qobject_cast<QFileSystemModel*>(order->sourceModel());
    }
    bool valid() const { return files != nullptr; }
    int count() const { return order->rowCount(view->rootIndex()); }
    QModelIndex row(int i) const { return order->index(i, 0, view->rootIndex()); }
};

// Shows the folder, waiting (a little) for the file system model, which
// reads folders on a thread of its own, so that the items can be counted
// and chosen right after the folder was set.
void showFolder(FolderView& folder, const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(folder.files, &QFileSystemModel::directoryLoaded, &loop,
                     [&](const QString& loaded) {
                         if (QDir::cleanPath(loaded) == absolute) loop.quit();
                     });
    const QModelIndex root = folder.files->setRootPath(absolute);
    folder.view->setRootIndex(folder.order->mapFromSource(root));
    if (QFileInfo(absolute).isDir() && folder.files->rowCount(root) == 0 &&
        folder.files->canFetchMore(root)) {
        limit.start(2000);
        loop.exec();
    } else if (QFileInfo(absolute).isDir() && folder.files->rowCount(root) == 0) {
        limit.start(300);
        loop.exec();
    }
    folder.order->sort(0);
    folder.view->setRootIndex(folder.order->mapFromSource(folder.files->index(absolute)));
}

bool sorted(const Entry& e) {
    return e.heldNumber(WidgetValue::Sorted) != 0;
}

int indexOf(const std::vector<Text>& items, const Text& item) {
    auto it = std::find(items.begin(), items.end(), item);
    return it == items.end() ? -1 : int(it - items.begin());
}

int currentIndex(const Entry& e) {
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) return list->currentRow();
    if (auto* combo = qobject_cast<QComboBox*>(e.widget)) return combo->currentIndex();
    FolderView folder(e.widget);
    if (folder.valid()) {
        const QModelIndex current = folder.view->currentIndex();
        return current.isValid() && current.parent() == folder.view->rootIndex() ? current.row()
                                                                                 : -1;
    }
    return -1;
}

bool multiSelect(const Entry& e) {
    auto* list = qobject_cast<QListWidget*>(e.widget);
    return list && list->selectionMode() == QAbstractItemView::MultiSelection;
}

// Makes `index` the chosen item (-1: none); single-choice lists drop the
// others.
void choose(Entry& e, int index) {
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) {
        if (!multiSelect(e)) list->clearSelection();
        if (index < 0) {
            list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
            list->setCurrentItem(nullptr);
        } else {
            list->setCurrentRow(index, QItemSelectionModel::Select);
        }
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
        combo->setCurrentIndex(index);
        return;
    }
    FolderView folder(e.widget);
    if (!folder.valid()) return;
    folder.view->clearSelection();
    if (index < 0) {
        folder.view->setCurrentIndex(QModelIndex());
    } else {
        folder.view->setCurrentIndex(folder.row(index));
    }
}

}  // namespace

std::vector<Text> listItems(const Entry& e) {
    std::vector<Text> items;
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) {
        for (int i = 0; i < list->count(); ++i) items.push_back(fromQString(list->item(i)->text()));
    } else if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
        for (int i = 0; i < combo->count(); ++i) items.push_back(fromQString(combo->itemText(i)));
    } else if (FolderView folder(e.widget); folder.valid()) {
        for (int i = 0; i < folder.count(); ++i)
            items.push_back(fromQString(folder.row(i).data().toString()));
    }
    return items;
}

bool addListItem(Entry& e, TextView item) {
    std::vector<Text> items = listItems(e);
    int at = int(items.size());
    if (sorted(e))
        at = int(std::upper_bound(items.begin(), items.end(), Text(item)) - items.begin());
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) {
        list->insertItem(at, toQString(item));
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
        // Adding to an empty list must not choose the item (Qt would).
        const int before = combo->currentIndex();
        const QString edited = combo->isEditable() ? combo->currentText() : QString();
        combo->insertItem(at, toQString(item));
        combo->setCurrentIndex(before < 0 ? -1 : before + (before >= at ? 1 : 0));
        if (combo->isEditable() && before < 0) combo->setEditText(edited);
        return true;
    }
    // The folder list shows what its folder holds; it takes no items.
    return FolderView(e.widget).valid();
}

bool removeListItem(Entry& e, int index) {
    const int count = int(listItems(e).size());
    if (index < 0 || index >= count) return false;
    const int current = currentIndex(e);
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) {
        delete list->takeItem(index);
        if (current == index) choose(e, -1);
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
        const QString edited = combo->currentText();
        combo->removeItem(index);
        if (current == index) {
            combo->setCurrentIndex(-1);
            // A combo box keeps what was typed; a plain drop-down shows nothing.
            if (combo->isEditable()) combo->setEditText(edited);
        }
        return true;
    }
    return false;
}

void clearListItems(Entry& e) {
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) list->clear();
    if (auto* combo = qobject_cast<QComboBox*>(e.widget)) {
        const QString edited = combo->currentText();
        combo->clear();
        if (combo->isEditable()) combo->setEditText(edited);
    }
}

bool listItemSelected(const Entry& e, int index) {
    if (auto* list = qobject_cast<QListWidget*>(e.widget)) {
        QListWidgetItem* item = list->item(index);
        return item && item->isSelected();
    }
    if (auto* combo = qobject_cast<QComboBox*>(e.widget))
        return index >= 0 && index == combo->currentIndex();
    FolderView folder(e.widget);
    return folder.valid() && index >= 0 && index < folder.count() &&
           folder.view->selectionModel()->isSelected(folder.row(index));
}

bool selectListItem(Entry& e, int index, bool selected) {
    if (index < 0 || index >= int(listItems(e).size())) return false;
    if (!multiSelect(e)) {
        choose(e, selected ? index : -1);
        return true;
    }
    auto* list = qobject_cast<QListWidget*>(e.widget);
    if (selected) {
        list->setCurrentRow(index, QItemSelectionModel::Select);
    } else {
        list->item(index)->setSelected(false);
    }
    return true;
}

Read readList(Entry& e, WidgetValue v) {
    if (!isList(e.kind)) return notMine();
    switch (v) {
        case WidgetValue::ItemCount:
            return answer(double(listItems(e).size()));
        case WidgetValue::ListIndex:
            return answer(double(currentIndex(e)));
        case WidgetValue::Sorted:
            return answer(sorted(e) ? 1.0 : 0.0);
        case WidgetValue::MultiSelect:
            return answer(multiSelect(e) ? 1.0 : 0.0);
        case WidgetValue::Text: {
            if (e.kind != int(WidgetKind::ListBox) && e.kind != int(WidgetKind::DropDownList))
                return notMine();
            const int index = currentIndex(e);
            const std::vector<Text> items = listItems(e);
            return answer(index < 0 || index >= int(items.size()) ? Text()
                                                                  : items[std::size_t(index)]);
        }
        case WidgetValue::Folder:
            if (e.kind != int(WidgetKind::FolderList)) return notMine();
            return answer(e.heldText(WidgetValue::Folder));
        case WidgetValue::Drive: {
            auto* combo = qobject_cast<QComboBox*>(e.widget);
            if (e.kind != int(WidgetKind::DriveList) || !combo) return notMine();
            return answer(fromQString(combo->currentText()));
        }
        default:
            return notMine();
    }
}

Write writeList(Entry& e, WidgetValue v, const WidgetData& data) {
    if (!isList(e.kind)) return Write::NotMine;
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    switch (v) {
        case WidgetValue::ListIndex: {
            if (!n) return Write::Refused;
            const double index = std::round(*n);
            if (index < -1 || index >= double(listItems(e).size())) return Write::Refused;
            choose(e, int(index));
            return Write::Done;
        }
        case WidgetValue::Sorted: {
            if (!n) return Write::Refused;
            e.held[v] = *n != 0 ? 1.0 : 0.0;
            if (*n == 0) return Write::Done;
            std::vector<Text> items = listItems(e);
            std::sort(items.begin(), items.end());
            choose(e, -1);
            clearListItems(e);
            for (const Text& item : items) addListItem(e, item);
            choose(e, -1);
            return Write::Done;
        }
        case WidgetValue::MultiSelect: {
            auto* list = qobject_cast<QListWidget*>(e.widget);
            if (!list || !n) return Write::Refused;
            list->setSelectionMode(*n != 0 ? QAbstractItemView::MultiSelection
                                           : QAbstractItemView::SingleSelection);
            return Write::Done;
        }
        case WidgetValue::Text: {
            if (e.kind != int(WidgetKind::ListBox) && e.kind != int(WidgetKind::DropDownList))
                return Write::NotMine;
            if (!t) return Write::Refused;
            // A list that cannot be typed into shows only its own items.
            const int index = indexOf(listItems(e), *t);
            if (index < 0 && !t->empty()) return Write::Refused;
            choose(e, index);
            return Write::Done;
        }
        case WidgetValue::Folder: {
            FolderView folder(e.widget);
            if (!t || !folder.valid()) return Write::Refused;
            const Text kept = t->empty() || t->back() == u'/' ? *t : *t + u"/";
            e.held[v] = kept;
            showFolder(folder, kept.empty() ? QDir::currentPath() : toQString(kept));
            return Write::Done;
        }
        case WidgetValue::Drive: {
            if (!t || e.kind != int(WidgetKind::DriveList)) return Write::Refused;
            const int index = indexOf(listItems(e), *t);
            if (index < 0) return Write::Refused;
            choose(e, index);
            return Write::Done;
        }
        default:
            return Write::NotMine;
    }
}

}  // namespace qel::qtw
