// Script windows and controls as real Qt widgets. Each value is read from and
// written to the widget itself (geometry, texts, palette colours, fonts, check
// state, items, scroll limits, window flags); only what Qt has no place for
// (a window's "movable" wish, a control's tab index, a pointer number) is held
// beside the widget. Validation follows the virtual widget set, so a script
// reads back the same values here as on the console.
#pragma once

#include <qnamespace.h>
#include <QMargins>
#include <QPointer>
#include <QSize>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ports/widgets.h"

class QLabel;
class QStatusBar;
class QTextDocument;
class QTimer;
class QWidget;

namespace qel {

class QtApplication;
class QtMenus;
class QtTray;
class QtFindDialog;
class QtWidgets;

namespace qtw {

inline constexpr int kWindow = -1;
class QtCanvas;

// One widget of the set. Timers have no widget: their place and look are held.
struct Entry {
    WidgetId id = kNoWidget;
    int kind = kWindow;  // a WidgetKind, or kWindow
    WidgetId parent = kNoWidget;
    QPointer<QWidget> widget;
    std::unique_ptr<QTimer> timer;
    std::map<WidgetValue, WidgetData> held;
    Text undoText;  // text boxes: what 元に戻す brings back
    bool hasUndo = false;
    bool dialog = false;                      // shown as a dialog: no minimise and maximise boxes
    Text name;                                // the script's name
    std::vector<WidgetId> children;           // back to front, timers among them
    std::unique_ptr<QtCanvas> canvas;         // windows and picture boxes, once drawn on
    std::vector<ShapeSpan> shape;             // windows: 変形, none for the rectangle
    std::shared_ptr<const RichContent> rich;  // rich controls: what they show

    Entry();
    ~Entry();
    double heldNumber(WidgetValue v, double fallback = 0) const;
    Text heldText(WidgetValue v) const;
    WidgetKind widgetKind() const { return WidgetKind(kind); }
    bool isWindow() const { return kind == kWindow; }
};

// A family's answer to a read: not its value (ask the next family), or its
// value, possibly "none".
struct Read {
    bool handled = false;
    std::optional<WidgetData> data;
};
inline Read notMine() {
    return {};
}
inline Read answer(std::optional<WidgetData> data) {
    return {true, std::move(data)};
}

// A family's answer to a write: not its value, refused, or done.
enum class Write { NotMine, Refused, Done };
inline Write done(bool ok) {
    return ok ? Write::Done : Write::Refused;
}

// The families, one file each.
// The rich controls (qt_rich*.cpp): their widgets, and showing their content.
QWidget* makeRichWidget(WidgetKind kind, QWidget* parent);
void showRich(Entry& e, const RichChange& change);
// Status bars: the automatic panels (time, date, keyboard locks) kept current.
void markStatusPanel(QLabel& label, int kind);
// The user's actions on their sub-items (qt_rich_events.cpp); false for
// widgets that are not rich controls.
bool connectRichSignals(QtWidgets& set, Entry& e);
// Tree nodes carry their number in the content under this item role.
inline constexpr int kRichIndexRole = Qt::UserRole + 1;
void keepStatusPanelsCurrent(QStatusBar& bar, bool anyAutomatic);

Read readWindow(QtWidgets& set, Entry& e, WidgetValue v);
Write writeWindow(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data);
Read readRichText(Entry& e, WidgetValue v);
Write writeRichText(Entry& e, WidgetValue v, const WidgetData& data);
QWidget* makeRichTextEdit(QWidget* parent);
// A rich text box's content as a Qt document (for printing it).
void fillRichDocument(QTextDocument& document, const RichTextDocument& content);
Read readText(Entry& e, WidgetValue v);
Write writeText(Entry& e, WidgetValue v, const WidgetData& data);
Read readList(Entry& e, WidgetValue v);
Write writeList(Entry& e, WidgetValue v, const WidgetData& data);
Read readRange(Entry& e, WidgetValue v);
Write writeRange(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data);
Read readPainted(Entry& e, WidgetValue v);
Write writePainted(Entry& e, WidgetValue v, const WidgetData& data);
Read readCommon(QtWidgets& set, Entry& e, WidgetValue v);
Write writeCommon(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data);

// Making the widget of each kind (qt_widget_kinds.cpp).
QWidget* makeControlWidget(WidgetKind kind, QWidget* parent);
bool isTextBox(int kind);
bool isList(int kind);
bool isRange(int kind);
bool hasCaption(int kind);
// Default outer sizes, as the virtual set has them.
QSize defaultSizeOf(int kind);

// List items (qt_list_values.cpp).
std::vector<Text> listItems(const Entry& e);
bool addListItem(Entry& e, TextView item);
bool removeListItem(Entry& e, int index);
void clearListItems(Entry& e);
bool listItemSelected(const Entry& e, int index);
bool selectListItem(Entry& e, int index, bool selected);

// Timers (qt_range_values.cpp).
void makeTimer(Entry& e);
bool timerRunning(const Entry& e);

// Events (qt_events.cpp): the user's input on the entry's widget (or
// timer) goes to the set's event sink.
void connectEvents(QtWidgets& set, Entry& e);

// Window frames and flags (qt_window_values.cpp).
void applyWindowFlags(Entry& e);
QMargins frameOf(const Entry& e);

}  // namespace qtw

class QtWidgets : public WidgetPort {
  public:
    explicit QtWidgets(std::shared_ptr<QtApplication> application);
    ~QtWidgets() override;

    WidgetId createWindow(WindowStyle style) override;
    WidgetId createControl(WidgetKind kind, WidgetId parent) override;
    void destroy(WidgetId widget) override;
    bool exists(WidgetId widget) const override;
    bool setParent(WidgetId widget, WidgetId parent) override;
    WidgetId parentOf(WidgetId widget) const override;

    std::optional<WidgetData> get(WidgetId widget, WidgetValue value) const override;
    bool set(WidgetId widget, WidgetValue value, const WidgetData& data) override;

    std::vector<Text> items(WidgetId widget) const override;
    bool addItem(WidgetId widget, TextView item) override;
    bool removeItem(WidgetId widget, int index) override;
    void clearItems(WidgetId widget) override;
    bool itemSelected(WidgetId widget, int index) const override;
    bool selectItem(WidgetId widget, int index, bool selected) override;

    void show(WidgetId window, const ShowOptions& options) override;
    void focus(WidgetId widget) override;
    WidgetId focused() const override;
    WidgetId activeWindow() const override;
    void raise(WidgetId widget) override;
    void lower(WidgetId widget) override;
    void repaint(WidgetId widget) override;
    Canvas* canvas(WidgetId widget) override;
    void setShape(WidgetId window, std::vector<ShapeSpan> spans) override;
    std::vector<ShapeSpan> shape(WidgetId window) const override;
    void undo(WidgetId widget) override;
    std::optional<RichTextDocument> richText(WidgetId widget) const override;
    bool setRichText(WidgetId widget, const RichTextDocument& document) override;
    void startMove(WidgetId window) override;

    double screenDpi() const override;
    std::pair<int, int> screenSize() const override;
    std::optional<Text> clipboardText() const override;
    std::vector<Text> fontFamilies() const override;
    std::uint32_t systemColour(int which) const override;
    bool anyTimerRunning() const override;

    std::vector<PrinterInfo> printers() const override;
    std::optional<Text> printerSetting(int index, TextView name) const override;
    bool setPrinterSetting(int index, TextView name, TextView value) override;
    void selectPrinter(int index) override;

    std::optional<WidgetData> member(WidgetId widget, const std::string& name) const override;
    bool hasMember(WidgetId widget, const std::string& name) const override;
    bool setMember(WidgetId widget, const std::string& name, TextView value) override;

    void attachRich(WidgetId widget, std::shared_ptr<const RichContent> content) override;
    void richChanged(WidgetId widget, const RichChange& change) override;

    MenuPort* menus() override;
    // The script menus of the windows (tests look at their actions).
    QtMenus& qtMenus();
    TrayPort* tray() override;
    // The tray icon (tests look at what it holds).
    QtTray& qtTray();
    bool showFind(WidgetId box, bool replace, TextView findText) override;
    std::optional<Picture> render(WidgetId widget) override;
    std::string useFind(const WidgetEvent& request) override;
    // The find dialog, once opened (tests fill it in).
    QtFindDialog* findDialog() const;

    void setEventSink(WidgetEventSink* sink) override { sink_ = sink; }
    WidgetEventSink* eventSink() const { return sink_; }
    std::string perform(const UserAction& action) override;
    std::optional<std::pair<int, int>> pointerOnScreen() const override;

    void nameWidget(WidgetId widget, TextView name) override;
    const char* nativeToolkit() const override { return "qt"; }
    void* nativeWidget(WidgetId widget) override { return widgetOf(widget); }
    bool setScreenshotFolder(const std::string& folder) override;
    void scriptAtRest() override;

    // The Qt widget behind an id (tests look at it); null for none or a timer.
    QWidget* widgetOf(WidgetId id) const;
    // Saves pictures of the visible windows now; the problems, one per line.
    std::string saveScreenshots(const std::string& folder);

    // For the families: the entry of an id, and the ids of a container's
    // controls, back to front.
    qtw::Entry* find(WidgetId id);
    const qtw::Entry* find(WidgetId id) const;
    const std::vector<WidgetId>& siblingsOf(const qtw::Entry& e) const;
    std::vector<WidgetId>& siblingsOf(const qtw::Entry& e);
    WidgetId idOf(const QWidget* widget) const;

    static constexpr std::size_t kMaxTextBoxLength = 65535;

  private:
    std::shared_ptr<QtApplication> application_;
    std::unordered_map<WidgetId, std::unique_ptr<qtw::Entry>> entries_;
    std::vector<WidgetId> topLevel_;  // back to front
    WidgetId next_ = 1;
    WidgetId lastFocused_ = kNoWidget;
    WidgetId lastActive_ = kNoWidget;
    WidgetEventSink* sink_ = nullptr;
    std::string screenshotFolder_;
    bool screenshotsTaken_ = false;
    std::unique_ptr<QtMenus> menus_;
    std::unique_ptr<QtTray> tray_;
    QPointer<QtFindDialog> find_;
};

// The widget set for the desktop module's factory.
std::unique_ptr<WidgetPort> makeDesktopWidgets(std::shared_ptr<QtApplication> application);

}  // namespace qel
