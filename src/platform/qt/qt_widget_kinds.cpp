// The Qt widget of each control kind, and the controls painted by us.
#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTextEdit>

#include "platform/qt/qt_painted.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

bool isTextBox(int kind) {
    return kind == int(WidgetKind::TextBox) || kind == int(WidgetKind::MultiLineText) ||
           kind == int(WidgetKind::WrappingText) || kind == int(WidgetKind::DropDownCombo) ||
           kind == int(WidgetKind::RichText);
}

bool isList(int kind) {
    return kind == int(WidgetKind::ListBox) || kind == int(WidgetKind::DropDownList) ||
           kind == int(WidgetKind::DropDownCombo) || kind == int(WidgetKind::FolderList) ||
           kind == int(WidgetKind::DriveList);
}

bool isRange(int kind) {
    return kind == int(WidgetKind::VScrollBar) || kind == int(WidgetKind::HScrollBar);
}

bool hasCaption(int kind) {
    return kind == kWindow || kind == int(WidgetKind::Button) ||
           kind == int(WidgetKind::PictureButton) || kind == int(WidgetKind::Label) ||
           kind == int(WidgetKind::Frame) || kind == int(WidgetKind::CheckBox) ||
           kind == int(WidgetKind::OptionButton);
}

QSize defaultSizeOf(int kind) {
    const WidgetSize size = kind == kWindow ? kNewWindowSize : defaultWidgetSize(WidgetKind(kind));
    return {size.width, size.height};
}

namespace {

// Folders only, sorted by their names' UTF-16 units, as the console's folder
// list sorts them, so an item's number means the same folder on both.
class FolderOrder : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

  protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        return a.data().toString() < b.data().toString();
    }
};

QWidget* makeFolderList(QWidget* parent) {
    auto* view = new QListView(parent);
    auto* files = new QFileSystemModel(view);
    files->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    files->setReadOnly(true);
    auto* order = new FolderOrder(view);
    order->setSourceModel(files);
    order->setDynamicSortFilter(true);
    order->sort(0);
    view->setModel(order);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

Qt::PenStyle penStyleOf(int style) {
    switch (style) {
        case 1:
            return Qt::DashLine;
        case 2:
            return Qt::DotLine;
        case 3:
            return Qt::DashDotLine;
        case 4:
            return Qt::DashDotDotLine;
        case 5:
            return Qt::NoPen;
        default:
            return Qt::SolidLine;
    }
}

Qt::BrushStyle brushStyleOf(int style) {
    switch (style) {
        case 0:
            return Qt::SolidPattern;
        case 2:
            return Qt::HorPattern;
        case 3:
            return Qt::VerPattern;
        case 4:
            return Qt::FDiagPattern;
        case 5:
            return Qt::BDiagPattern;
        case 6:
            return Qt::CrossPattern;
        case 7:
            return Qt::DiagCrossPattern;
        default:
            return Qt::NoBrush;
    }
}

}  // namespace

QWidget* makeControlWidget(WidgetKind kind, QWidget* parent) {
    switch (kind) {
        case WidgetKind::Button:
        case WidgetKind::PictureButton:
            return new QPushButton(parent);
        case WidgetKind::TextBox:
            return new QLineEdit(parent);
        case WidgetKind::MultiLineText: {
            auto* edit = new QPlainTextEdit(parent);
            edit->setLineWrapMode(QPlainTextEdit::NoWrap);
            return edit;
        }
        case WidgetKind::WrappingText: {
            auto* edit = new QTextEdit(parent);
            edit->setAcceptRichText(false);
            edit->setLineWrapMode(QTextEdit::WidgetWidth);
            return edit;
        }
        case WidgetKind::Picture:
            return new PaintedWidget(PaintedWidget::Role::Picture, parent);
        case WidgetKind::Image:
            return new PaintedWidget(PaintedWidget::Role::Image, parent);
        case WidgetKind::Label: {
            auto* label = new QLabel(parent);
            label->setAutoFillBackground(true);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case WidgetKind::DropDownList:
        case WidgetKind::DriveList:
            return new QComboBox(parent);
        case WidgetKind::DropDownCombo: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            // Items come from the script, not from what the user typed.
            combo->setInsertPolicy(QComboBox::NoInsert);
            return combo;
        }
        case WidgetKind::VScrollBar: {
            auto* bar = new QScrollBar(Qt::Vertical, parent);
            bar->setRange(0, 32767);
            return bar;
        }
        case WidgetKind::HScrollBar: {
            auto* bar = new QScrollBar(Qt::Horizontal, parent);
            bar->setRange(0, 32767);
            return bar;
        }
        case WidgetKind::CheckBox:
            return new QCheckBox(parent);
        case WidgetKind::OptionButton:
            // Exclusive among the options of one container, as Qt does by itself.
            return new QRadioButton(parent);
        case WidgetKind::ListBox:
            return new QListWidget(parent);
        case WidgetKind::Frame:
            return new QGroupBox(parent);
        case WidgetKind::Shape:
            return new PaintedWidget(PaintedWidget::Role::Shape, parent);
        case WidgetKind::Line:
            return new PaintedWidget(PaintedWidget::Role::Line, parent);
        case WidgetKind::FolderList:
            return makeFolderList(parent);
        case WidgetKind::TurtleIcon:
            return new PaintedWidget(PaintedWidget::Role::Turtle, parent);
        case WidgetKind::Timer:
            break;
        case WidgetKind::ListView:
        case WidgetKind::TreeView:
        case WidgetKind::Grid:
        case WidgetKind::TabStrip:
        case WidgetKind::ToolBar:
        case WidgetKind::StatusBar:
        case WidgetKind::Slider:
        case WidgetKind::ProgressBar:
        case WidgetKind::RichText:
        case WidgetKind::Browser:
            return makeRichWidget(kind, parent);
    }
    return new QWidget(parent);
}

// ---- painted controls -------------------------------------------------------------

PaintedWidget::PaintedWidget(Role role, QWidget* parent) : QWidget(parent), role_(role) {
    // Shapes and lines are see-through; pictures fill with their colour.
    setAutoFillBackground(role == Role::Picture);
    if (role != Role::Picture) {
        look_.border = false;
    }
    if (role == Role::Shape || role == Role::Line) setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool PaintedWidget::loadPicture(const QString& path) {
    if (path.isEmpty()) {
        picture_ = QPixmap();
        update();
        return true;
    }
    QPixmap loaded(path);
    if (loaded.isNull()) return false;
    picture_ = loaded;
    if (role_ == Role::Picture) {
        // A loaded picture becomes the drawing surface's background.
        QPainter painter(surface_.get());
        painter.drawPixmap(0, 0, picture_);
    }
    update();
    return true;
}

void PaintedWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (role_ != Role::Picture) return;
    // The surface only grows: what was drawn outside a smaller box is kept
    // for when it grows back, as a persistent drawing should be.
    const QSize wanted = size().expandedTo(surface_->size());
    if (wanted == surface_->size()) return;
    QImage grown(wanted, QImage::Format_ARGB32_Premultiplied);
    grown.fill(Qt::transparent);
    QPainter painter(&grown);
    painter.drawImage(0, 0, *surface_);
    painter.end();
    *surface_ = grown;
}

void PaintedWidget::paintShape(QPainter& painter) {
    QPen pen(QColor::fromRgb(look_.borderColour), std::max(1, look_.lineWidth),
             penStyleOf(look_.lineStyle));
    painter.setPen(pen);
    if (role_ == Role::Line) {
        painter.drawLine(QPointF(0, height() / 2.0), QPointF(width(), height() / 2.0));
        return;
    }
    painter.setBrush(QBrush(QColor::fromRgb(look_.fillColour), brushStyleOf(look_.fillStyle)));
    const double inset = std::max(1, look_.lineWidth) / 2.0;
    QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (look_.shape == 1 || look_.shape == 3 || look_.shape == 5) {
        // The square kinds: the largest square centred in the box.
        const double side = std::min(box.width(), box.height());
        box = QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    }
    switch (look_.shape) {
        case 2:
        case 3:
            painter.drawEllipse(box);
            break;
        case 4:
        case 5: {
            const double radius = std::min(box.width(), box.height()) / 4;
            painter.drawRoundedRect(box, radius, radius);
            break;
        }
        default:
            painter.drawRect(box);
            break;
    }
}

void PaintedWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, role_ == Role::Shape || role_ == Role::Turtle);
    switch (role_) {
        case Role::Picture:
            painter.drawImage(0, 0, *surface_);
            break;
        case Role::Image:
            if (!picture_.isNull()) {
                QPixmap shown = picture_;
                if (look_.useMask)
                    shown.setMask(picture_.createMaskFromColor(QColor::fromRgb(look_.maskColour),
                                                               Qt::MaskInColor));
                if (look_.stretch) {
                    painter.drawPixmap(rect(), shown);
                } else {
                    painter.drawPixmap(0, 0, shown);
                }
            }
            break;
        case Role::Shape:
        case Role::Line:
            paintShape(painter);
            break;
        case Role::Turtle: {
            if (!picture_.isNull()) {
                // The icon for the heading, centred: the icons are drawn
                // turned, so they need no painter rotation.
                painter.drawPixmap((width() - picture_.width()) / 2,
                                   (height() - picture_.height()) / 2, picture_);
                break;
            }
            // Without an icon picture, a small arrow pointing up.
            QPainterPath arrow;
            arrow.moveTo(width() / 2.0, 2);
            arrow.lineTo(width() - 4, height() - 4);
            arrow.lineTo(width() / 2.0, height() * 0.7);
            arrow.lineTo(4, height() - 4);
            arrow.closeSubpath();
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(QColor(0x2E, 0x8B, 0x57));
            painter.drawPath(arrow);
            break;
        }
    }
    if (look_.border && role_ != Role::Shape && role_ != Role::Line) {
        painter.setPen(QPen(palette().color(QPalette::Dark), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace qel::qtw
