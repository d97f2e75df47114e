// Widgets without a display: every value is held and behaves as the real
// widget's would (options exclusive in their container, scroll values kept
// inside their limits, selections inside the text, items kept sorted when
// asked), so a script with windows runs unchanged on the console and reads
// back what it would read on the desktop.
#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/headless/virtual_menus.h"
#include "platform/headless/virtual_tray.h"
#include "platform/ports/canvas.h"
#include "platform/ports/widgets.h"

namespace qel {

class VirtualWidgets : public WidgetPort {
  public:
    VirtualWidgets();
    ~VirtualWidgets() override;

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
    WidgetId focused() const override { return focused_; }
    WidgetId activeWindow() const override { return active_; }
    void raise(WidgetId widget) override;
    void lower(WidgetId widget) override;
    void repaint(WidgetId) override {}
    Canvas* canvas(WidgetId widget) override;
    void setShape(WidgetId window, std::vector<ShapeSpan> spans) override;
    std::vector<ShapeSpan> shape(WidgetId window) const override;
    // Text on the surfaces is drawn with these fonts (measured only without).
    void setTextRasterizer(std::shared_ptr<TextRasterizer> fonts) { fonts_ = std::move(fonts); }
    void undo(WidgetId widget) override;
    std::optional<RichTextDocument> richText(WidgetId widget) const override;
    bool setRichText(WidgetId widget, const RichTextDocument& document) override;
    void startMove(WidgetId) override {}

    bool anyTimerRunning() const override;

    std::vector<PrinterInfo> printers() const override;
    std::optional<Text> printerSetting(int index, TextView name) const override;
    bool setPrinterSetting(int index, TextView name, TextView value) override;

    void setEventSink(WidgetEventSink* sink) override { sink_ = sink; }
    // User input on the virtual set (virtual_input.cpp): replayed actions
    // change the widgets as a user would and report the events that follow.
    void advanceTimers(double monotonicMs) override;
    std::string perform(const UserAction& action) override;
    std::optional<std::pair<int, int>> pointerOnScreen() const override { return pointer_; }

    VirtualMenus* menus() override { return &menus_; }
    VirtualTray* tray() override { return &tray_; }
    // The find dialog: which box it serves, and whether it replaces.
    bool showFind(WidgetId box, bool replace, TextView findText) override;
    std::string useFind(const WidgetEvent& request) override;

    // The longest text a text box takes (in UTF-16 units), as on the desktop.
    static constexpr std::size_t kMaxTextBoxLength = 65535;

  private:
    struct Widget;
    std::shared_ptr<TextRasterizer> fonts_;
    Widget* find(WidgetId id);
    const Widget* find(WidgetId id) const;
    bool setText(Widget& w, WidgetValue value, const Text& text);
    bool setNumber(Widget& w, WidgetValue value, double number);
    void clampSelection(Widget& w);
    // 自動調整: labels take the size of their text, pictures of their file.
    bool changesContentSize(const Widget& w, WidgetValue value) const;
    void fitContent(Widget& w);
    void selectListIndex(Widget& w, int index);
    std::vector<WidgetId>& siblingsOf(const Widget& w);
    // For the input side: the kind of a widget (-1 a window, -2 none).
    int kindOf(WidgetId id) const;
    bool report(const WidgetEvent& event);
    void moveFocus(WidgetId to);
    void userClick(WidgetId id, int button, bool clickEvent);
    std::string typeText(WidgetId id, TextView text);
    std::string pressKey(WidgetId id, int code, int shift);
    std::string chooseItem(WidgetId id, int kind, double number, bool scroll);
    std::map<WidgetId, double> timerDue_;
    std::optional<std::pair<int, int>> pointer_;

    std::unordered_map<WidgetId, std::unique_ptr<Widget>> widgets_;
    std::vector<WidgetId> topLevel_;
    WidgetId next_ = 1;
    WidgetId focused_ = kNoWidget;
    WidgetId active_ = kNoWidget;
    WidgetEventSink* sink_ = nullptr;
    std::vector<std::map<Text, Text>> printerSettings_;
    VirtualMenus menus_{[this](const WidgetEvent& event) { report(event); }};
    VirtualTray tray_{[this](const WidgetEvent& event) { report(event); }};
    WidgetId findBox_ = 0;  // the box the open find dialog serves; 0: none open
    bool findReplaces_ = false;
};

}  // namespace qel
