// Showing a list view's content on its two faces (see qt_rich_list.h).
#include "platform/qt/qt_rich_list.h"

#include <QHeaderView>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

#include "platform/qt/qt_rich_images.h"
#include "platform/qt/qt_text.h"

namespace qel::qtw {

namespace {

enum Look { LargeIcons, SmallIcons, List, Details };

QColor colourOf(std::uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// The same look on a row of either face (tree rows show it in column 0).
template <class Row>
void dress(Row& row, const RichItem& item, bool checks, bool editable, const QIcon& icon) {
    // Label editing is the user's only when the script allows it (ラベル編集).
    row.setFlags(editable ? row.flags() | Qt::ItemIsEditable : row.flags() & ~Qt::ItemIsEditable);
    if (checks) {
        row.setFlags(row.flags() | Qt::ItemIsUserCheckable);
        row.setData(0, Qt::CheckStateRole, item.checked ? Qt::Checked : Qt::Unchecked);
    }
    row.setData(0, Qt::DisplayRole, toQString(item.text));
    row.setData(0, Qt::DecorationRole, icon);
    // Only bold rows carry a font of their own: the rest follow the control's.
    if (item.bold) {
        QFont font;
        font.setBold(true);
        row.setData(0, Qt::FontRole, font);
    } else {
        row.setData(0, Qt::FontRole, QVariant());
    }
    row.setData(0, Qt::ForegroundRole,
                item.hasFore ? QVariant(colourOf(item.foreColour)) : QVariant());
    row.setData(0, Qt::BackgroundRole,
                item.hasBack ? QVariant(colourOf(item.backColour)) : QVariant());
    row.setData(0, Qt::ToolTipRole, toQString(item.tip));
    row.setFlags(item.enabled ? row.flags() | Qt::ItemIsEnabled : row.flags() & ~Qt::ItemIsEnabled);
}

// QListWidgetItem has no columns; this gives it the tree row's calls.
struct IconRow {
    QListWidgetItem& item;
    Qt::ItemFlags flags() const { return item.flags(); }
    void setFlags(Qt::ItemFlags f) { item.setFlags(f); }
    QVariant data(int, int role) const { return item.data(role); }
    void setData(int, int role, const QVariant& v) { item.setData(role, v); }
};

void fillDetailsRow(QTreeWidgetItem& row, const RichItem& item, bool checks, bool editable,
                    const QIcon& icon) {
    dress(row, item, checks, editable, icon);
    for (std::size_t i = 0; i < item.cells.size(); ++i)
        row.setText(int(i) + 1, toQString(item.cells[i]));
}

void fillIconRow(QListWidgetItem& item, const RichItem& held, bool checks, bool editable,
                 const QIcon& icon) {
    IconRow row{item};
    dress(row, held, checks, editable, icon);
}

struct Shown {
    const RichContent& rc;
    bool checks;
    bool editable;
    bool large;
    const std::vector<QIcon>& icons;
    QIcon iconOf(const RichItem& item) const {
        return iconAt(icons, large ? item.largeImage : item.smallImage);
    }
};

void rebuildDetails(QTreeWidget& view, const Shown& s) {
    const RichContent& rc = s.rc;
    view.clear();
    QStringList headings;
    for (const RichItem& col : rc.columns) headings << toQString(col.text);
    view.setColumnCount(std::max<int>(1, int(rc.columns.size())));
    view.setHeaderLabels(headings);
    for (std::size_t c = 0; c < rc.columns.size(); ++c)
        view.setColumnWidth(int(c), int(rc.columns[c].width));
    view.setHeaderHidden(rc.setting(RichSetting::ColumnHeaders, 1) == 0 || rc.columns.empty());
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(rc.items.size()));
    for (const RichItem& item : rc.items) {
        auto* row = new QTreeWidgetItem;
        fillDetailsRow(*row, item, s.checks, s.editable, s.iconOf(item));
        rows.append(row);
    }
    view.addTopLevelItems(rows);
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].selected) view.topLevelItem(int(i))->setSelected(true);
    }
}

void showDetails(QTreeWidget& view, const Shown& s, const RichChange& change) {
    const RichContent& rc = s.rc;
    if (change.kind == RichChange::ItemsAdded) {
        QList<QTreeWidgetItem*> rows;
        for (int i = change.index; i < change.index + change.count; ++i) {
            auto* row = new QTreeWidgetItem;
            const RichItem& item = rc.items[std::size_t(i)];
            fillDetailsRow(*row, item, s.checks, s.editable, s.iconOf(item));
            rows.append(row);
        }
        view.addTopLevelItems(rows);
        return;
    }
    if (change.kind == RichChange::ItemChanged && change.index >= 0 &&
        change.index < view.topLevelItemCount()) {
        const RichItem& item = rc.items[std::size_t(change.index)];
        fillDetailsRow(*view.topLevelItem(change.index), item, s.checks, s.editable,
                       s.iconOf(item));
        return;
    }
    rebuildDetails(view, s);
}

// The icon faces: large icons in a grid under their pictures; small icons
// in rows beside theirs; the list look in columns. 整列「左」 lays the icon
// looks out down the left edge instead of along the top.
void arrangeIcons(QListWidget& view, const RichContent& rc, int look) {
    const bool down = look == List || int(rc.setting(RichSetting::Arrange)) == 1;
    view.setViewMode(look == LargeIcons ? QListView::IconMode : QListView::ListMode);
    view.setFlow(down ? QListView::TopToBottom : QListView::LeftToRight);
    view.setWrapping(true);
    view.setResizeMode(QListView::Adjust);
    // Items keep the content's order: the user does not drag them about.
    view.setMovement(QListView::Static);
    view.setWordWrap(look == LargeIcons);
}

void showIcons(QListWidget& view, const Shown& s, const RichChange& change, int look) {
    const RichContent& rc = s.rc;
    auto add = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const RichItem& held = rc.items[std::size_t(i)];
            auto* item = new QListWidgetItem;
            fillIconRow(*item, held, s.checks, s.editable, s.iconOf(held));
            view.addItem(item);
        }
    };
    if (change.kind == RichChange::ItemsAdded) {
        add(change.index, change.index + change.count);
        return;
    }
    if (change.kind == RichChange::ItemChanged && change.index >= 0 &&
        change.index < view.count()) {
        const RichItem& held = rc.items[std::size_t(change.index)];
        fillIconRow(*view.item(change.index), held, s.checks, s.editable, s.iconOf(held));
        return;
    }
    view.clear();
    arrangeIcons(view, rc, look);
    add(0, int(rc.items.size()));
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].selected) view.item(int(i))->setSelected(true);
    }
}

// The rows the user sees selected, and the current one, by content number.
struct Picked {
    std::vector<int> rows;
    int current = -1;
};

Picked pickedOn(const QAbstractItemView& face) {
    Picked p;
    if (face.selectionModel()) {
        for (const QModelIndex& index : face.selectionModel()->selectedRows())
            p.rows.push_back(index.row());
    }
    p.current = face.currentIndex().row();
    return p;
}

void pick(QAbstractItemView& face, const Picked& p) {
    QAbstractItemModel* model = face.model();
    for (int row : p.rows) {
        if (row < model->rowCount())
            face.selectionModel()->select(model->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (p.current >= 0 && p.current < model->rowCount())
        face.selectionModel()->setCurrentIndex(model->index(p.current, 0),
                                               QItemSelectionModel::NoUpdate);
}

}  // namespace

RichListView::RichListView(QWidget* parent)
    : QStackedWidget(parent), details_(new QTreeWidget(this)), icons_(new QListWidget(this)) {
    details_->setRootIsDecorated(false);
    details_->setHeaderHidden(true);
    addWidget(details_);
    addWidget(icons_);
    // A new list view shows large icons.
    setCurrentWidget(icons_);
    setFocusProxy(icons_);
}

QAbstractItemView& RichListView::shown() const {
    if (currentWidget() == details_) return *details_;
    return *icons_;
}

// The script's selection, shown without rebuilding the rows.
void showPicked(QAbstractItemView& face, const RichContent& rc) {
    face.clearSelection();
    QAbstractItemModel* model = face.model();
    const int rows = std::min(model->rowCount(), int(rc.items.size()));
    for (int i = 0; i < rows; ++i) {
        if (!rc.items[std::size_t(i)].selected) continue;
        face.selectionModel()->setCurrentIndex(model->index(i, 0), QItemSelectionModel::NoUpdate);
        face.selectionModel()->select(model->index(i, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void showListView(RichListView& view, const RichContent& rc, const RichChange& change) {
    const int look = std::clamp(int(rc.setting(RichSetting::ViewStyle)), 0, int(Details));
    // The large-icon look shows the large pictures, every other look the small ones.
    const bool large = look == LargeIcons;
    const RichImageList& pictures = large ? rc.largeImages : rc.smallImages;
    const Shown s{rc, rc.setting(RichSetting::CheckBoxes) != 0,
                  rc.setting(RichSetting::LabelEdit) != 0, large, richIcons(view, rc, pictures)};
    QAbstractItemView& face =
        look == Details ? static_cast<QAbstractItemView&>(view.details()) : view.icons();
    const QSignalBlocker quietDetails(&view.details());  // the script's changes are no user's
    const QSignalBlocker quietIcons(&view.icons());
    const bool turned = &face != &view.shown();
    if (!turned && change.kind == RichChange::Current) return showPicked(face, rc);
    RichChange what = change;
    // A new look or setting leaves the rows as they are: what the user
    // picked stays picked on the rebuilt face.
    Picked picked;
    const bool keepPicks = turned || change.kind == RichChange::Settings;
    if (keepPicks) picked = pickedOn(view.shown());
    if (turned) {
        if (auto* old = qobject_cast<QTreeWidget*>(&view.shown())) old->clear();
        if (auto* old = qobject_cast<QListWidget*>(&view.shown())) old->clear();
        view.setCurrentWidget(&face);
        view.setFocusProxy(&face);
        what = RichChange{};
    }
    face.setUpdatesEnabled(false);
    face.setIconSize(iconSizeOf(pictures));
    if (look == Details) {
        showDetails(view.details(), s, what);
    } else {
        showIcons(view.icons(), s, what, look);
    }
    if (what.kind != RichChange::ItemsAdded && what.kind != RichChange::ItemChanged)
        face.setSelectionMode(rc.setting(RichSetting::MultiSelect) != 0
                                  ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
    if (keepPicks) pick(face, picked);
    face.setUpdatesEnabled(true);
}

}  // namespace qel::qtw
