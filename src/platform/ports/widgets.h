// What the object model asks of a widget set: windows and controls made,
// destroyed, and their values read and written in a neutral form. The desktop
// implements it over real widgets, the console over virtual ones that hold
// every value and behave like the real ones (options exclusive in their
// container, scroll values inside their limits, selections inside the text).
//
// Units: geometry is in logical (device-independent) pixels relative to the
// parent's client area; colours are 0xRRGGBB; switches are 0 or 1.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ports/canvas.h"
#include "platform/ports/menus.h"
#include "platform/ports/rich_content.h"
#include "platform/ports/tray.h"
#include "platform/ports/widget_events.h"
#include "text/rich_text.h"
#include "text/text.h"

namespace qel {

inline constexpr WidgetId kNoWidget = 0;

// The window styles a script window can take (the numbers are the language's).
enum class WindowStyle : int {
    Normal = 0,
    Fixed = 1,
    Borderless = 2,
    Tool = 3,
    FixedTool = 4,
    FullScreen = 5,
};

// The controls a window can hold. PictureButton and WrappingText are the twins
// a button and a multi-line text box turn into when they need a picture or
// wrapping; the model swaps them, the widget set only makes them.
enum class WidgetKind : int {
    Button,
    PictureButton,
    TextBox,
    MultiLineText,
    WrappingText,
    Picture,
    Image,
    Label,
    DropDownList,   // choose only
    DropDownCombo,  // typing allowed
    VScrollBar,
    HScrollBar,
    CheckBox,
    OptionButton,
    ListBox,
    Frame,
    Shape,
    Line,
    FolderList,
    DriveList,
    Timer,
    TurtleIcon,
    // The rich controls: their items live in a RichContent the model owns.
    ListView,
    TreeView,
    Grid,
    TabStrip,
    ToolBar,
    StatusBar,
    Slider,
    ProgressBar,
    RichText,
    Browser,
};

// The size a window or control has when a script makes it: one table for
// every widget set, so that a script reads the same 幅 and 高さ on all of them.
struct WidgetSize {
    int width = 0;
    int height = 0;
};
inline constexpr WidgetSize kNewWindowSize{400, 300};

constexpr WidgetSize defaultWidgetSize(WidgetKind kind) {
    switch (kind) {
        case WidgetKind::Button:
        case WidgetKind::PictureButton:
            return {80, 25};
        case WidgetKind::TextBox:
        case WidgetKind::DropDownList:
        case WidgetKind::DropDownCombo:
            return {100, 22};
        case WidgetKind::MultiLineText:
        case WidgetKind::WrappingText:
            return {150, 80};
        case WidgetKind::Label:
            return {80, 20};
        case WidgetKind::VScrollBar:
            return {17, 100};
        case WidgetKind::HScrollBar:
            return {100, 17};
        case WidgetKind::CheckBox:
        case WidgetKind::OptionButton:
            return {100, 20};
        case WidgetKind::Timer:
        case WidgetKind::TurtleIcon:
            return {32, 32};
        default:
            return {100, 100};
    }
}

// Every value a widget holds. Not every widget has every value: reading one it
// lacks gives std::nullopt, writing one it lacks is refused (false).
enum class WidgetValue : int {
    // geometry and place
    Left,
    Top,
    Width,
    Height,
    ClientWidth,  // windows: the inside without frame and caption
    ClientHeight,
    ZOrder,  // 0 = in front of its siblings, counting backwards
    // texts
    Caption,       // windows, buttons, labels, frames, check and option boxes
    Text,          // text boxes, drop-down lists (the edit text)
    SelectedText,  // text boxes: replaces the selection when written
    SelStart,
    SelLength,
    PasswordChar,
    MaxLength,  // 0 = no limit
    ToolTip,
    // look
    ForeColour,
    BackColour,
    FillColour,
    BorderColour,
    MaskColour,
    UseMask,
    FontName,
    FontSize,  // points, may be fractional
    FontCharset,
    Bold,
    Italic,
    Underline,
    StrikeOut,
    Alignment,    // labels: 0 left, 1 right, 2 centre
    Transparent,  // labels: no background
    AutoSize,
    WordWrap,
    Border,   // 0 none, 1 single
    Pointer,  // mouse pointer number (99 = a custom one)
    PointerFile,
    PictureFile,
    Stretch,
    Shape,  // shapes: 0 rectangle … 5 rounded square
    LineWidth,
    LineStyle,
    DrawMode,
    DrawStyle,
    FillStyle,
    // state
    Visible,
    Enabled,
    ReadOnly,
    TabStop,
    TabIndex,
    Checked,  // check boxes 0/1/2, option buttons 0/1
    Default,  // the button Enter presses
    Cancel,   // the button Esc presses
    AcceptsDrops,
    InputMode,  // text boxes: 0 normal … 8 half-width alphanumeric
    // lists
    ItemCount,
    ListIndex,  // selected item counted from 0; -1 none
    Sorted,
    MultiSelect,
    Folder,  // folder lists: the current folder (ends with "/")
    Drive,   // drive lists: the current drive (a mount point)
    // ranges
    Minimum,
    Maximum,
    Value,
    SmallChange,
    LargeChange,
    // timers
    Interval,  // milliseconds
    // windows
    WindowState,  // 0 normal, 1 minimised, 2 maximised
    Style,        // WindowStyle
    StayOnTop,
    Opacity,  // 0–255
    Movable,
    ShowInTaskbar,
    MinimiseBox,
    MaximiseBox,
    SystemMenu,
    IconFile,
    PaintLock,
    Persistent,  // keeps its drawing (repaints from a backing image)
    // rich text boxes
    HighlightAddresses,  // addresses (http://, mailto: …) shown as links
    VerticalText,        // held: written top to bottom where the set can
};

// A value in neutral form: a number (switches, colours, pixels, points) or a text.
using WidgetData = std::variant<double, Text>;

// How a window is shown.
struct ShowOptions {
    bool modal = false;   // the call returns when the window is hidden again
    bool dialog = false;  // dialog frame, no minimise and maximise boxes
    bool onTop = false;
};

// Printer settings, by name (用紙方向, 部数 …); the host keeps them per printer.
struct PrinterInfo {
    Text name;
    Text port;
};

// Where the widget set tells the object model what the user did. The event
// dispatch connects here; until then nothing is delivered.
class WidgetEventSink {
  public:
    virtual ~WidgetEventSink() = default;
    // False when the script refused what the event asks (a close the script
    // cancelled): the widget set then leaves things as they are.
    virtual bool widgetEvent(const WidgetEvent& event) = 0;
};

class WidgetPort {
  public:
    virtual ~WidgetPort() = default;

    // ---- making and unmaking ----------------------------------------------------
    virtual WidgetId createWindow(WindowStyle style) = 0;
    // A control inside a window or a container control (frame, picture).
    virtual WidgetId createControl(WidgetKind kind, WidgetId parent) = 0;
    virtual void destroy(WidgetId widget) = 0;
    virtual bool exists(WidgetId widget) const = 0;
    // Moves a control into another container (keeping its place there).
    virtual bool setParent(WidgetId widget, WidgetId parent) = 0;
    virtual WidgetId parentOf(WidgetId widget) const = 0;

    // ---- values -------------------------------------------------------------------
    virtual std::optional<WidgetData> get(WidgetId widget, WidgetValue value) const = 0;
    virtual bool set(WidgetId widget, WidgetValue value, const WidgetData& data) = 0;

    // ---- list items (list boxes, drop-down lists) -------------------------------
    virtual std::vector<Text> items(WidgetId widget) const = 0;
    // Added at the end, or at its sorted place when the list is sorted.
    virtual bool addItem(WidgetId widget, TextView item) = 0;
    virtual bool removeItem(WidgetId widget, int index) = 0;
    virtual void clearItems(WidgetId widget) = 0;
    virtual bool itemSelected(WidgetId widget, int index) const = 0;
    virtual bool selectItem(WidgetId widget, int index, bool selected) = 0;

    // ---- rich controls (list views, trees, grids, tabs, bars) ------------------
    // The model hands a rich control its content once; the set shows it and
    // is told after every change what changed.
    virtual void attachRich(WidgetId widget, std::shared_ptr<const RichContent> content) {
        (void)widget, (void)content;
    }
    virtual void richChanged(WidgetId widget, const RichChange& change) {
        (void)widget, (void)change;
    }

    // ---- rich text boxes ---------------------------------------------------------
    // The text with the look of every character and the layout of every
    // paragraph; the selection (SelStart, SelLength) stays where it was.
    virtual std::optional<RichTextDocument> richText(WidgetId widget) const {
        (void)widget;
        return std::nullopt;
    }
    virtual bool setRichText(WidgetId widget, const RichTextDocument& document) {
        (void)widget, (void)document;
        return false;
    }

    // ---- actions ------------------------------------------------------------------
    virtual void show(WidgetId window, const ShowOptions& options) = 0;
    virtual void focus(WidgetId widget) = 0;
    virtual WidgetId focused() const = 0;       // kNoWidget when none
    virtual WidgetId activeWindow() const = 0;  // kNoWidget when none
    virtual void raise(WidgetId widget) = 0;    // in front of its siblings
    virtual void lower(WidgetId widget) = 0;    // behind its siblings
    virtual void repaint(WidgetId widget) = 0;
    virtual void undo(WidgetId widget) = 0;       // text boxes: the last edit
    virtual void startMove(WidgetId window) = 0;  // as if its caption were pressed

    // ---- drawing ------------------------------------------------------------------
    // The persistent drawing surface of a window or picture box, sized to its
    // client area at least; none for other widgets (and for sets that cannot
    // draw). It lives as long as the widget.
    virtual Canvas* canvas(WidgetId widget) {
        (void)widget;
        return nullptr;
    }
    // A window's shape (変形): the runs of its client area that belong to it;
    // none gives back the whole rectangle. Sets that cannot shape a real
    // window hold it, so that it can be read back.
    virtual void setShape(WidgetId window, std::vector<ShapeSpan> spans) {
        (void)window;
        (void)spans;
    }
    virtual std::vector<ShapeSpan> shape(WidgetId window) const {
        (void)window;
        return {};
    }

    // ---- the machine ------------------------------------------------------------
    virtual double screenDpi() const { return 96.0; }
    // The primary screen's size in pixels. Without a screen, a common
    // desktop's 1920 × 1080, so that scripts centring their windows run alike.
    virtual std::pair<int, int> screenSize() const { return {1920, 1080}; }
    // The text on the desktop's clipboard; nothing without a desktop.
    virtual std::optional<Text> clipboardText() const { return std::nullopt; }
    // The font families the desktop can draw with; none without a desktop.
    virtual std::vector<Text> fontFamilies() const { return {}; }
    // The desktop's colours 16–22 as RGB: button face, window text, desktop,
    // tool-tip background, active caption, inactive caption, selection.
    virtual std::uint32_t systemColour(int which) const {
        static constexpr std::uint32_t kClassic[] = {0xF0F0F0, 0x000000, 0x3A6EA5, 0xFFFFE1,
                                                     0x99B4D1, 0xBFCDDB, 0x0078D7};
        return which >= 16 && which <= 22 ? kClassic[which - 16] : 0;
    }
    // Whether a timer runs (something that can still act while the script waits).
    virtual bool anyTimerRunning() const = 0;

    // ---- printers -----------------------------------------------------------------
    virtual std::vector<PrinterInfo> printers() const = 0;
    // A setting of printer `index` (0-based) by its word (用紙方向 …).
    virtual std::optional<Text> printerSetting(int index, TextView name) const = 0;
    virtual bool setPrinterSetting(int index, TextView name, TextView value) = 0;
    // The printer the script chose: where printing goes from now on.
    virtual void selectPrinter(int index) { (void)index; }

    // ---- members of the real widget ------------------------------------------------
    // A property name the object model has no word for may name a member of
    // the widget itself, by its own ASCII name. Nothing (or false) when the
    // widget has no such member, or one whose value is not a number, a
    // switch or a text; a set also fails when the member refuses the value.
    virtual std::optional<WidgetData> member(WidgetId widget, const std::string& name) const {
        (void)widget, (void)name;
        return std::nullopt;
    }
    virtual bool hasMember(WidgetId widget, const std::string& name) const {
        (void)widget, (void)name;
        return false;
    }
    virtual bool setMember(WidgetId widget, const std::string& name, TextView value) {
        (void)widget, (void)name, (void)value;
        return false;
    }

    // ---- events (connected by the event dispatch) -----------------------------
    virtual void setEventSink(WidgetEventSink* sink) = 0;
    // Timers whose time has come by `monotonicMs` report their ticks. Sets
    // whose timers tick on their own (the desktop's) ignore it.
    virtual void advanceTimers(double monotonicMs) { (void)monotonicMs; }
    // Carries out a user action of a replayed session, through the path the
    // user's own input takes; the reason when it cannot, else empty.
    virtual std::string perform(const UserAction& action) {
        (void)action;
        return "this widget set cannot replay user actions";
    }
    // Where the mouse pointer is on the screen, when the set knows.
    virtual std::optional<std::pair<int, int>> pointerOnScreen() const { return std::nullopt; }

    // ---- menus ------------------------------------------------------------------
    // The set's script menus; none: menus are refused.
    virtual MenuPort* menus() { return nullptr; }
    // ---- printing ------------------------------------------------------------------
    // A window or control as it looks (a window: its inside), for printing;
    // nothing when the set cannot show it. Sets without a screen give the
    // drawing surface of windows and picture boxes.
    virtual std::optional<Picture> render(WidgetId widget) {
        Canvas* surface = canvas(widget);
        if (!surface) return std::nullopt;
        PixelView v = surface->pixels();
        Picture picture;
        picture.width = v.width;
        picture.height = v.height;
        for (int y = 0; y < v.height; ++y) {
            for (int x = 0; x < v.width; ++x) picture.pixels.push_back(v.at(x, y));
        }
        return picture;
    }

    // ---- the find dialog ----------------------------------------------------------
    // Opens (or brings back) the modeless find dialog, with replacing when
    // `replace`, for a text box; what the user asks comes back as FindRequest
    // events of the box. False when the set has no such dialog.
    virtual bool showFind(WidgetId box, bool replace, TextView findText) {
        (void)box, (void)replace, (void)findText;
        return false;
    }
    // A replayed session's use of the open find dialog (a FindRequest event
    // filled in as the user would); the reason when it cannot, else empty.
    virtual std::string useFind(const WidgetEvent& request) {
        (void)request;
        return "this widget set has no find dialog";
    }
    // The set's tray icon; none: the icon's state is only held.
    virtual TrayPort* tray() { return nullptr; }

    // ---- names and pictures -----------------------------------------------------
    // The script's name of a window or control: screen readers and UI-test
    // tools find the widget by it, and a window's picture is saved under it.
    virtual void nameWidget(WidgetId widget, TextView name) { (void)widget, (void)name; }
    // ---- plug-in controls ---------------------------------------------------------
    // The toolkit's own widget behind a control, for a control plug-in to place
    // itself in: "qt" and a QWidget*, or "none" and null where there is none.
    virtual const char* nativeToolkit() const { return "none"; }
    virtual void* nativeWidget(WidgetId widget) {
        (void)widget;
        return nullptr;
    }
    // Asks for a picture of every visible script window, saved as
    // FOLDER/<window name>.png when the script first comes to rest (its first
    // wait, or its end). False when this widget set draws nothing to save.
    virtual bool setScreenshotFolder(const std::string& folder) {
        (void)folder;
        return false;
    }
    // The script has come to rest: the pictures asked for are taken, once.
    virtual void scriptAtRest() {}
};

}  // namespace qel
