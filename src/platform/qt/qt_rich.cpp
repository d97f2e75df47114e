// The rich controls as Qt widgets. The object model owns their content; the
// widgets show it: a list view is a tree widget or a list widget by its look
// (qt_rich_list.cpp), a tree view a QTreeWidget (rebuilt on a big change), a
// grid a QTableView over a model that reads the content directly (so 100,000
// rows cost no items),
// tabs a QTabBar, a tool bar a QToolBar, a status bar a QStatusBar with one
// label per panel, a slider a QSlider and a progress bar a QProgressBar.
#include <QAbstractTableModel>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <cmath>

#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_rich_images.h"
#include "platform/qt/qt_rich_list.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

QColor colourOf(std::uint32_t rgb) {
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// ---- grids --------------------------------------------------------------------------

class GridModel : public QAbstractTableModel {
  public:
    explicit GridModel(QObject* parent) : QAbstractTableModel(parent) {}
    void setContent(std::shared_ptr<const RichContent> content) {
        beginResetModel();
        content_ = std::move(content);
        endResetModel();
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }
    // Rows appended to the content: the view only learns of the new ones.
    void rowsAppended(int count) {
        // The content holds them already: the last `count` rows are new.
        const int first = content_->rows - count;
        beginInsertRows({}, first, first + count - 1);
        endInsertRows();
    }
    // The texts or looks of cells changed; the shape did not.
    void cellsChanged() {
        if (content_ && content_->rows > 0 && content_->cols > 0)
            emit dataChanged(index(0, 0), index(content_->rows - 1, content_->cols - 1));
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !content_ ? 0 : content_->rows;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() || !content_ ? 0 : content_->cols;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!content_ || !index.isValid()) return {};
        const RichContent& rc = *content_;
        const int r = index.row(), c = index.column();
        if (role == Qt::DisplayRole || role == Qt::EditRole) return toQString(rc.cell(r, c));
        const CellFormat* f = format(r, c);
        const bool fixed = r < rc.fixedRows || c < rc.fixedCols;
        switch (role) {
            case Qt::BackgroundRole:
                if (f && f->hasBack) return QBrush(colourOf(f->backColour));
                if (fixed) return QBrush(QColor(0xF0, 0xF0, 0xF0));
                return {};
            case Qt::ForegroundRole:
                if (f && f->hasFore) return QBrush(colourOf(f->foreColour));
                return {};
            case Qt::FontRole: {
                if (!f) return {};
                QFont font;
                font.setBold(f->bold);
                font.setItalic(f->italic);
                font.setUnderline(f->underline);
                if (!f->fontName.empty()) font.setFamily(toQString(f->fontName));
                if (f->fontSize > 0) font.setPointSizeF(f->fontSize);
                return font;
            }
            case Qt::TextAlignmentRole: {
                if (!f || f->alignment > 8) return {};
                static constexpr Qt::Alignment kH[] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                       Qt::AlignRight};
                static constexpr Qt::Alignment kV[] = {Qt::AlignTop, Qt::AlignVCenter,
                                                       Qt::AlignBottom};
                return QVariant::fromValue(kH[f->alignment / 3] | kV[f->alignment % 3]);
            }
            default:
                return {};
        }
    }

  private:
    const CellFormat* format(int r, int c) const {
        const RichContent& rc = *content_;
        if (rc.cellFormat.size() != rc.cells.size()) return nullptr;
        int at = rc.cellFormat[std::size_t(r) * std::size_t(rc.cols) + std::size_t(c)];
        return at < 0 ? nullptr : &rc.formats[std::size_t(at)];
    }
    std::shared_ptr<const RichContent> content_;
};

QTableView* makeGrid(QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(new GridModel(view));
    // The headings are cells of the grid itself (固定 rows and columns).
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

void showGrid(QTableView& view, const RichContent& rc, const RichChange& change) {
    auto* model = static_cast<GridModel*>(view.model());
    const QSignalBlocker quiet(view.selectionModel());  // the script's moves are no user's
    if (change.kind == RichChange::Current) {
        view.setCurrentIndex(model->index(rc.row, rc.col));
        return;
    }
    if (change.kind == RichChange::ItemsAdded) {
        model->rowsAppended(change.count);
        return;
    }
    if (change.kind == RichChange::Cells || change.kind == RichChange::Settings) {
        model->cellsChanged();
        view.setShowGrid(int(rc.setting(RichSetting::GridLineStyle, 1)) != 0);
        return;
    }
    model->reset();
    for (int c = 0; c < rc.cols && std::size_t(c) < rc.colWidths.size(); ++c)
        view.setColumnWidth(c, int(rc.colWidths[std::size_t(c)]));
    // Per-row heights only when a script changed them: 100,000 calls would
    // cost more than the rows themselves.
    const bool uniform = std::all_of(rc.rowHeights.begin(), rc.rowHeights.end(),
                                     [&](double h) { return h == rc.rowHeights.front(); });
    if (!rc.rowHeights.empty() && uniform) {
        view.verticalHeader()->setDefaultSectionSize(int(rc.rowHeights.front()));
    } else {
        for (int r = 0; r < rc.rows; ++r) view.setRowHeight(r, int(rc.rowHeights[std::size_t(r)]));
    }
    const int line = int(rc.setting(RichSetting::GridLineStyle, 1));
    view.setShowGrid(line != 0);
    view.setCurrentIndex(model->index(rc.row, rc.col));
}

// ---- list views and tree views ------------------------------------------------------

void fillItem(QTreeWidgetItem& row, const RichItem& item, bool checks, bool editable,
              const QIcon& icon) {
    row.setText(0, toQString(item.text));
    row.setIcon(0, icon);
    // Label editing is the user's only when the script allows it (ラベル編集).
    row.setFlags(editable ? row.flags() | Qt::ItemIsEditable : row.flags() & ~Qt::ItemIsEditable);
    for (std::size_t i = 0; i < item.cells.size(); ++i)
        row.setText(int(i) + 1, toQString(item.cells[i]));
    if (checks) row.setCheckState(0, item.checked ? Qt::Checked : Qt::Unchecked);
    QFont font = row.font(0);
    font.setBold(item.bold);
    row.setFont(0, font);
    if (item.hasFore) row.setForeground(0, colourOf(item.foreColour));
    if (item.hasBack) row.setBackground(0, colourOf(item.backColour));
    row.setToolTip(0, toQString(item.tip));
    row.setDisabled(!item.enabled);
}

void showTreeView(QTreeWidget& view, const RichContent& rc) {
    const QSignalBlocker quiet(&view);  // opening nodes here is no user's doing
    const bool checks = rc.setting(RichSetting::CheckBoxes) != 0;
    const bool editable = rc.setting(RichSetting::LabelEdit) != 0;
    view.setUpdatesEnabled(false);
    view.clear();
    view.setHeaderHidden(true);
    view.setIndentation(std::max(9, int(rc.setting(RichSetting::Indentation, 9)) * 2));
    const std::vector<QIcon>& icons = richIcons(view, rc, rc.smallImages);
    view.setIconSize(iconSizeOf(rc.smallImages));
    std::vector<QTreeWidgetItem*> nodes(rc.items.size(), nullptr);
    // A parent always stands before its children (nodes are added under
    // nodes that exist), so one pass builds the tree.
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        const RichItem& node = rc.items[i];
        QTreeWidgetItem* parent = node.parent >= 0 ? nodes[std::size_t(node.parent)] : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&view);
        fillItem(*item, node, checks, editable, iconAt(icons, node.smallImage));
        item->setData(0, kRichIndexRole, int(i));
        // フォルダアイコン gives the folder pictures to nodes that show none of their own.
        if (node.smallImage < 0 && rc.setting(RichSetting::FolderIcons) != 0)
            item->setIcon(0, iconAt(icons, node.expanded ? 1 : 0));
        nodes[i] = item;
    }
    // Opened after the whole tree stands: a child's node must exist first.
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        nodes[i]->setExpanded(rc.items[i].expanded);
        nodes[i]->setSelected(rc.items[i].selected);
    }
    view.setUpdatesEnabled(true);
}

// ---- bars ---------------------------------------------------------------------------

void showTabs(QTabBar& bar, const RichContent& rc) {
    const QSignalBlocker quiet(&bar);  // the script's changes are no user's clicks
    while (bar.count() > 0) bar.removeTab(0);
    for (const RichItem& tab : rc.items) {
        int at = bar.addTab(toQString(tab.text));
        bar.setTabToolTip(at, toQString(tab.tip));
        if (tab.selected) bar.setCurrentIndex(at);
    }
    static constexpr QTabBar::Shape kShapes[] = {QTabBar::RoundedNorth, QTabBar::RoundedSouth,
                                                 QTabBar::RoundedWest, QTabBar::RoundedEast};
    bar.setShape(kShapes[std::clamp(int(rc.setting(RichSetting::Placement)), 0, 3)]);
}

void showToolBar(QToolBar& bar, const RichContent& rc) {
    bar.clear();
    const std::vector<QIcon>& icons = richIcons(bar, rc, rc.smallImages);
    bar.setIconSize(iconSizeOf(rc.smallImages));
    for (const RichItem& button : rc.items) {
        if (button.style == 3) {
            bar.addSeparator();
            continue;
        }
        QAction* action = bar.addAction(toQString(button.text));
        action->setToolTip(toQString(button.tip));
        action->setCheckable(button.style == 1 || button.style == 2);
        action->setChecked(button.checked);
        action->setEnabled(button.enabled);
        action->setVisible(button.visible);
        action->setIcon(iconAt(icons, button.smallImage));
    }
    bar.setToolButtonStyle(int(rc.setting(RichSetting::TextAlign)) == 1
                               ? Qt::ToolButtonTextBesideIcon
                               : Qt::ToolButtonTextUnderIcon);
}

void showStatusBar(QStatusBar& bar, const RichContent& rc) {
    for (QLabel* old : bar.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        bar.removeWidget(old);
        delete old;
    }
    bool anyAutomatic = false;
    for (const RichItem& panel : rc.items) {
        auto* label = new QLabel(toQString(panel.text), &bar);
        markStatusPanel(*label, panel.style);
        anyAutomatic = anyAutomatic || panel.style != 0;
        static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        label->setAlignment(kAlign[std::clamp(panel.alignment, 0, 2)] | Qt::AlignVCenter);
        label->setFrameShape(panel.bevel ? QFrame::Panel : QFrame::NoFrame);
        label->setFrameShadow(panel.bevel == 2 ? QFrame::Raised : QFrame::Sunken);
        label->setMinimumWidth(
            int(std::max(panel.minWidth, panel.autoSize == 1 ? 0.0 : panel.width)));
        label->setToolTip(toQString(panel.tip));
        bar.addWidget(label, panel.autoSize == 1 ? 1 : 0);
    }
    keepStatusPanelsCurrent(bar, anyAutomatic);
}

void showSlider(QSlider& slider, const RichContent& rc) {
    const QSignalBlocker quiet(&slider);
    slider.setOrientation(rc.setting(RichSetting::Orientation) != 0 ? Qt::Vertical
                                                                    : Qt::Horizontal);
    slider.setRange(int(rc.setting(RichSetting::Minimum)), int(rc.setting(RichSetting::Maximum)));
    slider.setValue(int(rc.setting(RichSetting::Value)));
    slider.setSingleStep(int(rc.setting(RichSetting::SmallChange, 1)));
    slider.setPageStep(int(rc.setting(RichSetting::LargeChange, 5)));
    slider.setTickInterval(int(rc.setting(RichSetting::TickFrequency, 1)));
    static constexpr QSlider::TickPosition kTicks[] = {QSlider::TicksBelow, QSlider::TicksAbove,
                                                       QSlider::TicksBothSides, QSlider::NoTicks};
    slider.setTickPosition(kTicks[std::clamp(int(rc.setting(RichSetting::TickStyle)), 0, 3)]);
}

void showProgress(QProgressBar& bar, const RichContent& rc) {
    bar.setOrientation(rc.setting(RichSetting::Orientation) != 0 ? Qt::Vertical : Qt::Horizontal);
    // QProgressBar counts in whole numbers; the language's limits may not be.
    bar.setRange(int(std::floor(rc.setting(RichSetting::Minimum))),
                 int(std::ceil(rc.setting(RichSetting::Maximum))));
    bar.setValue(int(std::lround(rc.setting(RichSetting::Value))));
    bar.setTextVisible(false);
}

}  // namespace

QWidget* makeRichWidget(WidgetKind kind, QWidget* parent) {
    switch (kind) {
        case WidgetKind::ListView:
            return new RichListView(parent);
        case WidgetKind::TreeView: {
            auto* view = new QTreeWidget(parent);
            view->setHeaderHidden(true);
            return view;
        }
        case WidgetKind::Grid:
            return makeGrid(parent);
        case WidgetKind::TabStrip:
            return new QTabBar(parent);
        case WidgetKind::ToolBar:
            return new QToolBar(parent);
        case WidgetKind::StatusBar: {
            auto* bar = new QStatusBar(parent);
            bar->setSizeGripEnabled(false);
            return bar;
        }
        case WidgetKind::Slider:
            return new QSlider(Qt::Horizontal, parent);
        case WidgetKind::ProgressBar:
            return new QProgressBar(parent);
        case WidgetKind::RichText:
            return makeRichTextEdit(parent);
        case WidgetKind::Browser:
            return makeBrowser(parent);
        default:
            return new QWidget(parent);
    }
}

void showRich(Entry& e, const RichChange& change) {
    if (!e.rich || !e.widget) return;
    const RichContent& rc = *e.rich;
    QWidget* w = e.widget;
    switch (e.widgetKind()) {
        case WidgetKind::ListView:
            return showListView(*static_cast<RichListView*>(w), rc, change);
        case WidgetKind::TreeView:
            return showTreeView(*static_cast<QTreeWidget*>(w), rc);
        case WidgetKind::Grid:
            return showGrid(*static_cast<QTableView*>(w), rc, change);
        case WidgetKind::TabStrip:
            return showTabs(*static_cast<QTabBar*>(w), rc);
        case WidgetKind::ToolBar:
            return showToolBar(*static_cast<QToolBar*>(w), rc);
        case WidgetKind::StatusBar:
            return showStatusBar(*static_cast<QStatusBar*>(w), rc);
        case WidgetKind::Slider:
            return showSlider(*static_cast<QSlider*>(w), rc);
        case WidgetKind::ProgressBar:
            return showProgress(*static_cast<QProgressBar*>(w), rc);
        case WidgetKind::Browser:
            return showBrowser(e, change);
        default:
            return;
    }
}

}  // namespace qel::qtw

namespace qel {

void QtWidgets::attachRich(WidgetId widget, std::shared_ptr<const RichContent> content) {
    qtw::Entry* e = find(widget);
    if (!e) return;
    e->rich = std::move(content);
    if (auto* grid = qobject_cast<QTableView*>(e->widget.data()))
        static_cast<qtw::GridModel*>(grid->model())->setContent(e->rich);
    qtw::showRich(*e, RichChange{});
}

void QtWidgets::richChanged(WidgetId widget, const RichChange& change) {
    if (qtw::Entry* e = find(widget)) qtw::showRich(*e, change);
}

}  // namespace qel
