#include "platform/qt/qt_widgets.h"

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_painted.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "platform/qt/qt_application.h"
#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_painted.h"
#include "platform/qt/qt_printers.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_tray.h"

namespace qel {

using namespace qtw;

namespace qtw {

Entry::Entry() = default;
Entry::~Entry() = default;

double Entry::heldNumber(WidgetValue v, double fallback) const {
    auto it = held.find(v);
    if (it == held.end()) return fallback;
    if (const double* d = std::get_if<double>(&it->second)) return *d;
    return fallback;
}

Text Entry::heldText(WidgetValue v) const {
    auto it = held.find(v);
    if (it == held.end()) return {};
    if (const Text* t = std::get_if<Text>(&it->second)) return *t;
    return {};
}

}  // namespace qtw

namespace {

// Ends a local event loop when the watched window is hidden or goes away:
// a modal window's show returns then.
class HideWatcher : public QObject {
  public:
    HideWatcher(QWidget* window, QEventLoop& loop) : loop_(loop) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Destroy) loop_.quit();
        return false;
    }

  private:
    QEventLoop& loop_;
};

// A control keeps its own colours: a window's colours changing later must
// not repaint the controls it already holds (nor change what they read).
void ownColours(QWidget& w) {
    QPalette palette = w.palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Base,
                                     QPalette::Text, QPalette::Button, QPalette::ButtonText}) {
        palette.setColor(role, palette.color(role));
    }
    w.setPalette(palette);
}

// 自動調整 is on: labels (their text in their font) and pictures (their file).
bool autoSized(const Entry& e) {
    if (auto* painted = dynamic_cast<const PaintedWidget*>(e.widget.data()))
        return painted->role() == PaintedWidget::Role::Picture && painted->look().autoSize;
    return e.kind == int(WidgetKind::Label) && e.heldNumber(WidgetValue::AutoSize) != 0;
}

bool changesContentSize(const Entry& e, WidgetValue value) {
    if (value == WidgetValue::WordWrap && e.kind == int(WidgetKind::Label)) {
        // Qt's label wraps by itself once told; the size follows below.
        if (auto* label = qobject_cast<QLabel*>(e.widget.data()))
            label->setWordWrap(e.heldNumber(WidgetValue::WordWrap) != 0);
    }
    if (!autoSized(e)) return false;
    switch (value) {
        case WidgetValue::AutoSize:
        case WidgetValue::PictureFile:
            return true;
        case WidgetValue::Caption:
        case WidgetValue::FontName:
        case WidgetValue::FontSize:
        case WidgetValue::Bold:
        case WidgetValue::Italic:
        case WidgetValue::WordWrap:
            return e.kind == int(WidgetKind::Label);
        case WidgetValue::Width:
            return e.kind == int(WidgetKind::Label) && e.heldNumber(WidgetValue::WordWrap) != 0;
        default:
            return false;
    }
}

void fitContent(Entry& e) {
    if (auto* label = qobject_cast<QLabel*>(e.widget.data())) {
        const QFontMetrics metrics(label->font());
        if (label->wordWrap()) {
            const QRect r = metrics.boundingRect(QRect(0, 0, std::max(label->width(), 1), 1 << 24),
                                                 Qt::TextWordWrap, label->text());
            label->resize(label->width(), r.height());
        } else {
            label->resize(metrics.size(0, label->text()));
        }
        return;
    }
    if (auto* painted = dynamic_cast<PaintedWidget*>(e.widget.data())) {
        // A picture that could not be read leaves the box as it is.
        const QSize size = painted->pictureSize();
        if (!size.isEmpty()) painted->resize(size);
    }
}

// A file name from a window's name: path separators and NULs cannot be part
// of one, so they become "_".
QString fileNameOf(const Text& name) {
    QString s = toQString(name);
    for (QChar& c : s) {
        if (c == QLatin1Char('/') || c == QChar(0)) c = QLatin1Char('_');
    }
    if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String("..")) s = "window";
    return s;
}

}  // namespace

QtWidgets::QtWidgets(std::shared_ptr<QtApplication> application)
    : application_(std::move(application)) {}

MenuPort* QtWidgets::menus() {
    return &qtMenus();
}

QtMenus& QtWidgets::qtMenus() {
    if (!menus_) menus_ = std::make_unique<QtMenus>(*this);
    return *menus_;
}

TrayPort* QtWidgets::tray() {
    return &qtTray();
}

QtTray& QtWidgets::qtTray() {
    if (!tray_) tray_ = std::make_unique<QtTray>(*this);
    return *tray_;
}

QtWidgets::~QtWidgets() {
    // Windows first: deleting one deletes its controls with it.
    for (auto& [id, e] : entries_) {
        if (e->isWindow() && e->widget) delete e->widget.data();
    }
}

Entry* QtWidgets::find(WidgetId id) {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.get();
}

const Entry* QtWidgets::find(WidgetId id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.get();
}

QWidget* QtWidgets::widgetOf(WidgetId id) const {
    const Entry* e = find(id);
    return e ? e->widget.data() : nullptr;
}

WidgetId QtWidgets::idOf(const QWidget* widget) const {
    for (; widget; widget = widget->parentWidget()) {
        for (const auto& [id, e] : entries_) {
            if (e->widget == widget) return id;
        }
    }
    return kNoWidget;
}

const std::vector<WidgetId>& QtWidgets::siblingsOf(const Entry& e) const {
    if (const Entry* parent = find(e.parent)) return parent->children;
    return topLevel_;
}

std::vector<WidgetId>& QtWidgets::siblingsOf(const Entry& e) {
    if (Entry* parent = find(e.parent)) return parent->children;
    return topLevel_;
}

// ---- making and unmaking ----------------------------------------------------------

namespace {
// A built application's icon (QELSCRIPT_WINDOW_ICON, set for the run to the
// icon it carries) stands for every window that has none of its own.
// Asking Qt for the application's icon loads its image plug-ins, whose
// objects then outlive the script's GUI thread and fault at exit: nothing is
// asked of Qt unless an icon was given.
void takeApplicationIcon() {
    const char* icon = std::getenv("QELSCRIPT_WINDOW_ICON");
    if (!icon || !*icon || !QApplication::windowIcon().isNull()) return;
    QApplication::setWindowIcon(QIcon(QString::fromUtf8(icon)));
}
}  // namespace

WidgetId QtWidgets::createWindow(WindowStyle style) {
    takeApplicationIcon();
    auto e = std::make_unique<Entry>();
    e->id = next_++;
    e->kind = kWindow;
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setAutoFillBackground(true);
    e->widget = window;
    e->held = {{WidgetValue::Style, double(int(style))}, {WidgetValue::Movable, 1.0},
               {WidgetValue::ShowInTaskbar, 1.0},        {WidgetValue::MinimiseBox, 1.0},
               {WidgetValue::MaximiseBox, 1.0},          {WidgetValue::SystemMenu, 1.0}};
    applyWindowFlags(*e);
    WidgetId id = e->id;
    qtw::connectEvents(*this, *e);
    entries_.emplace(id, std::move(e));
    topLevel_.push_back(id);
    // The outer size as on the console; the inside follows from the frame.
    set(id, WidgetValue::Width, double(kNewWindowSize.width));
    set(id, WidgetValue::Height, double(kNewWindowSize.height));
    return id;
}

WidgetId QtWidgets::createControl(WidgetKind kind, WidgetId parent) {
    Entry* container = find(parent);
    if (!container || !container->widget) return kNoWidget;
    auto e = std::make_unique<Entry>();
    e->id = next_++;
    e->kind = int(kind);
    e->parent = parent;
    if (kind == WidgetKind::Timer) {
        makeTimer(*e);
        QSize size = defaultSizeOf(int(kind));
        e->held = {{WidgetValue::Left, 0.0},
                   {WidgetValue::Top, 0.0},
                   {WidgetValue::Width, double(size.width())},
                   {WidgetValue::Height, double(size.height())},
                   {WidgetValue::Visible, 0.0},
                   {WidgetValue::ForeColour, 0.0},
                   {WidgetValue::BackColour, double(0xF0F0F0)},
                   {WidgetValue::FontName, Text()},
                   {WidgetValue::FontSize, 9.0},
                   {WidgetValue::ToolTip, Text()}};
    } else {
        QWidget* w = makeControlWidget(kind, container->widget);
        w->hide();
        w->resize(defaultSizeOf(int(kind)));
        e->widget = w;
        ownColours(*w);
    }
    e->held.emplace(WidgetValue::TabStop, 1.0);
    e->held.emplace(WidgetValue::TabIndex, 0.0);
    e->held.emplace(WidgetValue::Pointer, 0.0);
    WidgetId id = e->id;
    qtw::connectEvents(*this, *e);
    entries_.emplace(id, std::move(e));
    container->children.push_back(id);
    if (auto* bar = qobject_cast<QScrollBar*>(widgetOf(id))) bar->setPageStep(1);
    if (kind == WidgetKind::DriveList) {
        // The root stands for the drives until the mount points are listed.
        addItem(id, u"/");
        set(id, WidgetValue::ListIndex, 0.0);
    }
    if (kind == WidgetKind::FolderList) set(id, WidgetValue::Folder, Text(u"/"));
    return id;
}

// Windows and picture boxes draw; the surface follows the widget's inside.
void QtWidgets::setShape(WidgetId id, std::vector<ShapeSpan> spans) {
    Entry* e = find(id);
    if (!e || !e->isWindow() || !e->widget) return;
    e->shape = std::move(spans);
    if (e->shape.empty()) {
        e->widget->clearMask();
        return;
    }
    // The shape covers the client area; a menu bar above it stays whole.
    // The runs come row by row, left to right: the banded order QRegion
    // takes in one go (joining them one by one would cost their square).
    const int top = clientTop(e->widget);
    std::vector<QRect> rows;
    rows.reserve(e->shape.size() + 1);
    if (top > 0) rows.emplace_back(0, 0, e->widget->width(), top);
    for (const ShapeSpan& span : e->shape)
        rows.emplace_back(span.x0, top + span.y, span.x1 - span.x0, 1);
    QRegion region;
    region.setRects(rows.data(), int(rows.size()));
    e->widget->setMask(region);
}

std::vector<ShapeSpan> QtWidgets::shape(WidgetId id) const {
    const Entry* e = find(id);
    return e ? e->shape : std::vector<ShapeSpan>{};
}

Canvas* QtWidgets::canvas(WidgetId id) {
    Entry* e = find(id);
    if (!e || !e->widget) return nullptr;
    if (!e->canvas) {
        if (e->isWindow()) {
            e->canvas = makeWindowCanvas(e->widget);
        } else if (e->kind == int(WidgetKind::Picture)) {
            auto* box = static_cast<PaintedWidget*>(e->widget.data());
            e->canvas = std::make_unique<QtCanvas>(box, box->sharedSurface());
            // The box's own surface starts see-through; drawing starts on its
            // background colour, as a saved picture shows it.
            QImage& surface = box->surface();
            const QRgb back = box->palette().color(box->backgroundRole()).rgb();
            for (int y = 0; y < surface.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(surface.scanLine(y));
                for (int x = 0; x < surface.width(); ++x)
                    if (qAlpha(row[x]) == 0) row[x] = back;
            }
        } else {
            return nullptr;
        }
    }
    const QRgb back = e->widget->palette().color(e->widget->backgroundRole()).rgb();
    e->canvas->ensureSize(e->widget->width(), e->widget->height(), back & 0xFFFFFF);
    return e->canvas.get();
}

void QtWidgets::destroy(WidgetId id) {
    Entry* e = find(id);
    if (!e) return;
    const std::vector<WidgetId> children = e->children;
    for (WidgetId child : children) destroy(child);
    auto& siblings = siblingsOf(*e);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    if (e->widget) {
        e->widget->hide();
        // Nobody must find it by name meanwhile: a new widget may take it.
        e->widget->setAccessibleName(QString());
        e->widget->setObjectName(QString());
        // Later: a procedure of the widget's own may be running.
        e->widget->deleteLater();
    }
    // A timer may be ending from inside its own tick's procedure.
    if (e->timer) {
        e->timer->stop();
        e->timer.release()->deleteLater();
    }
    if (lastFocused_ == id) lastFocused_ = kNoWidget;
    if (lastActive_ == id) lastActive_ = kNoWidget;
    entries_.erase(id);
}

bool QtWidgets::exists(WidgetId id) const {
    return find(id) != nullptr;
}

bool QtWidgets::setParent(WidgetId id, WidgetId parent) {
    Entry* e = find(id);
    Entry* p = find(parent);
    if (!e || !p || e->isWindow() || id == parent || !p->widget) return false;
    for (WidgetId up = parent; up != kNoWidget; up = find(up) ? find(up)->parent : kNoWidget) {
        if (up == id) return false;
    }
    auto& before = siblingsOf(*e);
    before.erase(std::remove(before.begin(), before.end(), id), before.end());
    e->parent = parent;
    p->children.push_back(id);
    if (e->widget) {
        const bool shown = !e->widget->isHidden();
        const QPoint place = e->widget->pos();
        e->widget->setParent(p->widget);
        e->widget->move(place);
        // A widget given a new parent is hidden until shown again.
        e->widget->setVisible(shown);
        e->widget->raise();
    }
    return true;
}

WidgetId QtWidgets::parentOf(WidgetId id) const {
    const Entry* e = find(id);
    return e ? e->parent : kNoWidget;
}

// ---- values -----------------------------------------------------------------------

std::optional<WidgetData> QtWidgets::get(WidgetId id, WidgetValue value) const {
    auto* self = const_cast<QtWidgets*>(this);
    Entry* e = self->find(id);
    if (!e) return std::nullopt;
    if (value == WidgetValue::ZOrder) {
        const std::vector<WidgetId>& siblings = siblingsOf(*e);
        auto it = std::find(siblings.begin(), siblings.end(), id);
        return double(siblings.end() - it - 1);
    }
    Read r;
    if (e->isWindow()) r = readWindow(*self, *e, value);
    if (!r.handled && !e->widget) {
        // A timer: what it has besides its interval is held.
        r = readRange(*e, value);
        if (!r.handled) {
            auto it = e->held.find(value);
            return it == e->held.end() ? std::nullopt : std::optional<WidgetData>(it->second);
        }
        return r.data;
    }
    if (!r.handled) r = readRichText(*e, value);
    if (!r.handled) r = readText(*e, value);
    if (!r.handled) r = readList(*e, value);
    if (!r.handled) r = readRange(*e, value);
    if (!r.handled) r = readPainted(*e, value);
    if (!r.handled) r = readCommon(*self, *e, value);
    if (r.handled) return r.data;
    auto it = e->held.find(value);
    return it == e->held.end() ? std::nullopt : std::optional<WidgetData>(it->second);
}

bool QtWidgets::set(WidgetId id, WidgetValue value, const WidgetData& data) {
    Entry* e = find(id);
    if (!e) return false;
    if (const double* d = std::get_if<double>(&data); d && std::isnan(*d)) return false;
    if (value == WidgetValue::ZOrder) {
        std::get<double>(data) == 0 ? raise(id) : lower(id);
        return true;
    }
    Write w = Write::NotMine;
    if (e->isWindow()) w = writeWindow(*this, *e, value, data);
    if (w == Write::NotMine && !e->widget) {
        w = writeRange(*this, *e, value, data);
        if (w == Write::NotMine) {
            // A timer holds the rest as given, as numbers are kept elsewhere.
            if (const double* d = std::get_if<double>(&data)) {
                e->held[value] = value == WidgetValue::FontSize ? *d : std::round(*d);
            } else {
                e->held[value] = data;
            }
            return true;
        }
        return w == Write::Done;
    }
    if (w == Write::NotMine) w = writeRichText(*e, value, data);
    if (w == Write::NotMine) w = writeText(*e, value, data);
    if (w == Write::NotMine) w = writeList(*e, value, data);
    if (w == Write::NotMine) w = writeRange(*this, *e, value, data);
    if (w == Write::NotMine) w = writePainted(*e, value, data);
    if (w == Write::NotMine) w = writeCommon(*this, *e, value, data);
    if (w != Write::Done) return false;
    if (e->widget && changesContentSize(*e, value)) fitContent(*e);
    return true;
}

// ---- list items -------------------------------------------------------------------

std::vector<Text> QtWidgets::items(WidgetId id) const {
    const Entry* e = find(id);
    return e && isList(e->kind) ? listItems(*e) : std::vector<Text>{};
}

bool QtWidgets::addItem(WidgetId id, TextView item) {
    Entry* e = find(id);
    return e && isList(e->kind) && addListItem(*e, item);
}

bool QtWidgets::removeItem(WidgetId id, int index) {
    Entry* e = find(id);
    return e && isList(e->kind) && removeListItem(*e, index);
}

void QtWidgets::clearItems(WidgetId id) {
    Entry* e = find(id);
    if (e && isList(e->kind)) clearListItems(*e);
}

bool QtWidgets::itemSelected(WidgetId id, int index) const {
    const Entry* e = find(id);
    return e && isList(e->kind) && listItemSelected(*e, index);
}

bool QtWidgets::selectItem(WidgetId id, int index, bool selected) {
    Entry* e = find(id);
    return e && isList(e->kind) && selectListItem(*e, index, selected);
}

// ---- actions ----------------------------------------------------------------------

void QtWidgets::show(WidgetId id, const ShowOptions& options) {
    Entry* e = find(id);
    if (!e || !e->widget) return;
    QWidget* w = e->widget;
    if (!e->isWindow()) {
        w->show();
        raise(id);
        return;
    }
    if (options.onTop) e->held[WidgetValue::StayOnTop] = 1.0;
    if (options.dialog) {
        e->held[WidgetValue::MinimiseBox] = 0.0;
        e->held[WidgetValue::MaximiseBox] = 0.0;
        e->dialog = true;
    }
    if (options.onTop || options.dialog) applyWindowFlags(*e);
    w->setWindowModality(options.modal ? Qt::ApplicationModal : Qt::NonModal);
    if (WindowStyle(int(e->heldNumber(WidgetValue::Style))) == WindowStyle::FullScreen) {
        w->showFullScreen();
    } else {
        w->show();
    }
    w->raise();
    w->activateWindow();
    lastActive_ = id;
    raise(id);
    if (options.modal) {
        QEventLoop loop;
        HideWatcher watcher(w, loop);
        QPointer<QWidget> alive = w;
        if (w->isVisible()) loop.exec();
        if (alive) alive->setWindowModality(Qt::NonModal);
    }
}

void QtWidgets::focus(WidgetId id) {
    Entry* e = find(id);
    if (!e) return;
    lastFocused_ = id;
    WidgetId top = id;
    while (find(top) && find(top)->parent != kNoWidget) top = find(top)->parent;
    lastActive_ = top;
    if (Entry* window = find(top); window && window->widget) window->widget->activateWindow();
    if (e->widget) e->widget->setFocus(Qt::OtherFocusReason);
}

WidgetId QtWidgets::focused() const {
    if (WidgetId id = idOf(QApplication::focusWidget()); id != kNoWidget) return id;
    return find(lastFocused_) ? lastFocused_ : kNoWidget;
}

WidgetId QtWidgets::activeWindow() const {
    if (WidgetId id = idOf(QApplication::activeWindow()); id != kNoWidget) {
        // The window itself, not a control of it.
        while (find(id) && find(id)->parent != kNoWidget) id = find(id)->parent;
        return id;
    }
    return find(lastActive_) ? lastActive_ : kNoWidget;
}

void QtWidgets::raise(WidgetId id) {
    Entry* e = find(id);
    if (!e) return;
    if (e->widget) e->widget->raise();
    auto& siblings = siblingsOf(*e);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    siblings.push_back(id);
}

void QtWidgets::lower(WidgetId id) {
    Entry* e = find(id);
    if (!e) return;
    if (e->widget) e->widget->lower();
    auto& siblings = siblingsOf(*e);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    siblings.insert(siblings.begin(), id);
}

void QtWidgets::repaint(WidgetId id) {
    if (QWidget* w = widgetOf(id)) w->repaint();
}

void QtWidgets::undo(WidgetId id) {
    Entry* e = find(id);
    if (!e) return;
    if (auto* rich =
            e->kind == int(WidgetKind::RichText) ? qobject_cast<QTextEdit*>(e->widget) : nullptr) {
        // The widget's own history brings the looks back with the text.
        rich->undo();
        return;
    }
    if (!e->hasUndo || !isTextBox(e->kind)) return;
    auto current = get(id, WidgetValue::Text);
    Text before = current ? std::get<Text>(*current) : Text();
    Text restored = e->undoText;
    set(id, WidgetValue::Text, restored);
    e->undoText = before;
}

void QtWidgets::startMove(WidgetId id) {
    QWidget* w = widgetOf(id);
    if (!w || !w->isWindow() || !w->windowHandle()) return;
    w->windowHandle()->startSystemMove();
}

// ---- the machine ------------------------------------------------------------------

double QtWidgets::screenDpi() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

std::pair<int, int> QtWidgets::screenSize() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return WidgetPort::screenSize();
    return {screen->size().width(), screen->size().height()};
}

std::optional<Text> QtWidgets::clipboardText() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    return fromQString(clipboard->text());
}

std::vector<Text> QtWidgets::fontFamilies() const {
    std::vector<Text> families;
    for (const QString& family : QFontDatabase::families()) families.push_back(fromQString(family));
    return families;
}

std::uint32_t QtWidgets::systemColour(int which) const {
    const QPalette palette = QApplication::palette();
    auto rgb = [](const QColor& c) { return std::uint32_t(c.rgb() & 0xFFFFFF); };
    switch (which) {
        case 16:
            return rgb(palette.color(QPalette::Button));
        case 17:
            return rgb(palette.color(QPalette::WindowText));
        case 19:
            return rgb(palette.color(QPalette::ToolTipBase));
        case 20:
            return rgb(palette.color(QPalette::Active, QPalette::Highlight));
        case 21:
            return rgb(palette.color(QPalette::Inactive, QPalette::Highlight));
        case 22:
            return rgb(palette.color(QPalette::Highlight));
        default:
            // The desktop's own colour is the desktop's business, not Qt's.
            return WidgetPort::systemColour(which);
    }
}

bool QtWidgets::anyTimerRunning() const {
    for (const auto& [id, e] : entries_) {
        if (timerRunning(*e)) return true;
    }
    return false;
}

// ---- printers ---------------------------------------------------------------------

std::vector<PrinterInfo> QtWidgets::printers() const {
    return application_->printers().list();
}

std::optional<Text> QtWidgets::printerSetting(int index, TextView name) const {
    return application_->printers().setting(index, name);
}

bool QtWidgets::setPrinterSetting(int index, TextView name, TextView value) {
    return application_->printers().setSetting(index, name, value);
}

void QtWidgets::selectPrinter(int index) {
    application_->printers().select(index);
}

// ---- names and pictures -----------------------------------------------------------

void QtWidgets::nameWidget(WidgetId id, TextView name) {
    Entry* e = find(id);
    if (!e) return;
    e->name = Text(name);
    if (e->widget) {
        e->widget->setAccessibleName(toQString(name));
        e->widget->setObjectName(toQString(name));
    }
}

bool QtWidgets::setScreenshotFolder(const std::string& folder) {
    screenshotFolder_ = folder;
    screenshotsTaken_ = false;
    return true;
}

void QtWidgets::scriptAtRest() {
    if (screenshotFolder_.empty() || screenshotsTaken_) return;
    screenshotsTaken_ = true;
    std::string problems = saveScreenshots(screenshotFolder_);
    if (!problems.empty()) std::cerr << problems;
}

std::string QtWidgets::saveScreenshots(const std::string& folder) {
    // What was just shown or changed is laid out and painted first.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    std::string problems;
    QDir dir(QString::fromStdString(folder));
    if (!dir.exists() && !QDir().mkpath(dir.path()))
        return "qelscript: cannot make the screenshot folder " + folder + "\n";
    for (WidgetId id : topLevel_) {
        Entry* e = find(id);
        if (!e || !e->widget || !e->widget->isVisible()) continue;
        const QString path = dir.filePath(fileNameOf(e->name) + QStringLiteral(".png"));
        if (!e->widget->grab().save(path, "PNG"))
            problems += "qelscript: cannot save the screenshot " + path.toStdString() + "\n";
    }
    return problems;
}

std::unique_ptr<WidgetPort> makeDesktopWidgets(std::shared_ptr<QtApplication> application) {
    return std::make_unique<QtWidgets>(std::move(application));
}

}  // namespace qel
