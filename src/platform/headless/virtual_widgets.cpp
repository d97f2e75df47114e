#include "platform/headless/virtual_widgets.h"

#include <algorithm>
#include <cmath>

#include "platform/headless/content_size.h"
#include "platform/headless/memory_canvas.h"

namespace qel {

namespace {

// The largest size a widget can take (what the desktop's widget set allows).
constexpr double kMaxExtent = 16777215;

bool isWindowKind(int kind) {
    return kind < 0;
}
constexpr int kWindow = -1;

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
    return isWindowKind(kind) || kind == int(WidgetKind::Button) ||
           kind == int(WidgetKind::PictureButton) || kind == int(WidgetKind::Label) ||
           kind == int(WidgetKind::Frame) || kind == int(WidgetKind::CheckBox) ||
           kind == int(WidgetKind::OptionButton);
}

// Frame and caption of a window of each style: client = outer - these.
struct Insets {
    int width, height;
};
Insets insetsOf(int style) {
    switch (WindowStyle(style)) {
        case WindowStyle::Borderless:
        case WindowStyle::FullScreen:
            return {0, 0};
        case WindowStyle::Tool:
        case WindowStyle::FixedTool:
            return {6, 26};
        default:
            return {8, 31};
    }
}

int toInt(double d) {
    if (std::isnan(d)) return 0;
    return int(std::clamp(std::round(d), -2147483648.0, 2147483647.0));
}

// A widget's values, sorted by value in one block: a control holds about
// twenty, and a tree of nodes would cost twice the memory of the values.
class ValueTable {
  public:
    using Row = std::pair<WidgetValue, WidgetData>;
    using iterator = std::vector<Row>::iterator;
    using const_iterator = std::vector<Row>::const_iterator;

    ValueTable& operator=(std::initializer_list<Row> rows) {
        rows_.assign(rows);
        std::stable_sort(rows_.begin(), rows_.end(),
                         [](const Row& a, const Row& b) { return a.first < b.first; });
        return *this;
    }
    WidgetData& operator[](WidgetValue v) {
        auto it = lowerBound(v);
        if (it == rows_.end() || it->first != v) it = rows_.insert(it, Row{v, 0.0});
        return it->second;
    }
    iterator find(WidgetValue v) {
        auto it = lowerBound(v);
        return it != rows_.end() && it->first == v ? it : rows_.end();
    }
    const_iterator find(WidgetValue v) const {
        auto it = std::lower_bound(rows_.begin(), rows_.end(), v,
                                   [](const Row& r, WidgetValue key) { return r.first < key; });
        return it != rows_.end() && it->first == v ? it : rows_.end();
    }
    iterator end() { return rows_.end(); }
    const_iterator end() const { return rows_.end(); }
    std::size_t count(WidgetValue v) const { return find(v) != rows_.end() ? 1 : 0; }
    void shrink() { rows_.shrink_to_fit(); }

  private:
    iterator lowerBound(WidgetValue v) {
        return std::lower_bound(rows_.begin(), rows_.end(), v,
                                [](const Row& r, WidgetValue key) { return r.first < key; });
    }
    std::vector<Row> rows_;
};

}  // namespace

struct VirtualWidgets::Widget {
    WidgetId id = kNoWidget;
    int kind = kWindow;
    WidgetId parent = kNoWidget;
    std::vector<WidgetId> children;  // back to front
    ValueTable values;
    std::vector<Text> items;
    std::vector<bool> selected;
    Text undoText;
    bool hasUndo = false;
    std::unique_ptr<MemoryCanvas> canvas;  // windows and pictures, once drawn on
    std::vector<ShapeSpan> shape;          // windows: 変形, none for the rectangle
    // Rich text boxes: the text with its looks; values[Text] mirrors its text.
    std::unique_ptr<RichTextDocument> rich;
    std::unique_ptr<RichTextDocument> richUndo;  // what 元に戻す brings back, looks and all

    double number(WidgetValue v, double fallback = 0) const {
        auto it = values.find(v);
        if (it == values.end()) return fallback;
        if (const double* d = std::get_if<double>(&it->second)) return *d;
        return fallback;
    }
    Text text(WidgetValue v) const {
        auto it = values.find(v);
        if (it == values.end()) return {};
        if (const Text* t = std::get_if<Text>(&it->second)) return *t;
        return {};
    }
};

VirtualWidgets::VirtualWidgets() {
    printerSettings_.push_back({{u"用紙方向", u"縦"},
                                {u"用紙サイズ", u"A4"},
                                {u"モノクロ", u"0"},
                                {u"現在ページ", u"0"},
                                {u"両面印刷", u"0"},
                                {u"部数", u"1"},
                                {u"解像度", u"600"},
                                {u"倍率", u"100"},
                                {u"余白", u"0,0,0,0"}});
}
VirtualWidgets::~VirtualWidgets() = default;

VirtualWidgets::Widget* VirtualWidgets::find(WidgetId id) {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second.get();
}
const VirtualWidgets::Widget* VirtualWidgets::find(WidgetId id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second.get();
}

std::vector<WidgetId>& VirtualWidgets::siblingsOf(const Widget& w) {
    if (Widget* parent = find(w.parent)) return parent->children;
    return topLevel_;
}

WidgetId VirtualWidgets::createWindow(WindowStyle style) {
    auto w = std::make_unique<Widget>();
    w->id = next_++;
    w->kind = kWindow;
    const WidgetSize size = kNewWindowSize;
    w->values = {{WidgetValue::Left, 0.0},
                 {WidgetValue::Top, 0.0},
                 {WidgetValue::Width, double(size.width)},
                 {WidgetValue::Height, double(size.height)},
                 {WidgetValue::Visible, 0.0},
                 {WidgetValue::Enabled, 1.0},
                 {WidgetValue::Style, double(int(style))},
                 {WidgetValue::Opacity, 255.0},
                 {WidgetValue::Movable, 1.0},
                 {WidgetValue::ShowInTaskbar, 1.0},
                 {WidgetValue::MinimiseBox, 1.0},
                 {WidgetValue::MaximiseBox, 1.0},
                 {WidgetValue::SystemMenu, 1.0},
                 {WidgetValue::ForeColour, 0.0},
                 {WidgetValue::BackColour, double(0xF0F0F0)},
                 {WidgetValue::FontName, Text()},
                 {WidgetValue::FontSize, 9.0}};
    WidgetId id = w->id;
    topLevel_.push_back(id);
    widgets_.emplace(id, std::move(w));
    return id;
}

WidgetId VirtualWidgets::createControl(WidgetKind kind, WidgetId parent) {
    if (!find(parent)) return kNoWidget;
    auto w = std::make_unique<Widget>();
    w->id = next_++;
    w->kind = int(kind);
    w->parent = parent;
    const WidgetSize size = defaultWidgetSize(kind);
    w->values = {{WidgetValue::Left, 0.0},
                 {WidgetValue::Top, 0.0},
                 {WidgetValue::Width, double(size.width)},
                 {WidgetValue::Height, double(size.height)},
                 {WidgetValue::Visible, 0.0},
                 {WidgetValue::Enabled, 1.0},
                 {WidgetValue::TabStop, 1.0},
                 {WidgetValue::TabIndex, 0.0},
                 {WidgetValue::ForeColour, 0.0},
                 {WidgetValue::BackColour, double(0xF0F0F0)},
                 {WidgetValue::FontName, Text()},
                 {WidgetValue::FontSize, 9.0},
                 {WidgetValue::ToolTip, Text()},
                 {WidgetValue::Pointer, 0.0}};
    if (hasCaption(int(kind))) w->values[WidgetValue::Caption] = Text();
    if (isTextBox(int(kind))) {
        w->values[WidgetValue::Text] = Text();
        w->values[WidgetValue::SelStart] = 0.0;
        w->values[WidgetValue::SelLength] = 0.0;
        w->values[WidgetValue::MaxLength] = 0.0;
        w->values[WidgetValue::BackColour] = double(0xFFFFFF);
    }
    if (kind == WidgetKind::DropDownList) w->values[WidgetValue::Text] = Text();
    if (kind == WidgetKind::RichText) {
        w->rich = std::make_unique<RichTextDocument>();
        w->values[WidgetValue::WordWrap] = 1.0;
        w->values[WidgetValue::HighlightAddresses] = 0.0;
        w->values[WidgetValue::VerticalText] = 0.0;
    }
    if (isList(int(kind))) {
        w->values[WidgetValue::ListIndex] = -1.0;
        w->values[WidgetValue::Sorted] = 0.0;
        w->values[WidgetValue::MultiSelect] = 0.0;
        if (kind == WidgetKind::ListBox) w->values[WidgetValue::BackColour] = double(0xFFFFFF);
    }
    if (kind == WidgetKind::FolderList) w->values[WidgetValue::Folder] = Text(u"/");
    if (kind == WidgetKind::DriveList) {
        w->values[WidgetValue::Drive] = Text(u"/");
        w->items = {u"/"};
        w->selected = {true};
        w->values[WidgetValue::ListIndex] = 0.0;
    }
    if (isRange(int(kind))) {
        w->values[WidgetValue::Minimum] = 0.0;
        w->values[WidgetValue::Maximum] = 32767.0;
        w->values[WidgetValue::Value] = 0.0;
        w->values[WidgetValue::SmallChange] = 1.0;
        w->values[WidgetValue::LargeChange] = 1.0;
    }
    if (kind == WidgetKind::CheckBox || kind == WidgetKind::OptionButton)
        w->values[WidgetValue::Checked] = 0.0;
    if (kind == WidgetKind::Button || kind == WidgetKind::PictureButton) {
        w->values[WidgetValue::Default] = 0.0;
        w->values[WidgetValue::Cancel] = 0.0;
    }
    if (kind == WidgetKind::Timer) {
        w->values[WidgetValue::Interval] = 0.0;
        w->values[WidgetValue::Enabled] = 0.0;
    }
    if (kind == WidgetKind::Label) {
        w->values[WidgetValue::Alignment] = 0.0;
        w->values[WidgetValue::Transparent] = 0.0;
        w->values[WidgetValue::AutoSize] = 0.0;
        w->values[WidgetValue::WordWrap] = 0.0;
    }
    if (kind == WidgetKind::Shape || kind == WidgetKind::Line) {
        w->values[WidgetValue::Shape] = 0.0;
        w->values[WidgetValue::LineWidth] = 1.0;
        w->values[WidgetValue::LineStyle] = 0.0;
        w->values[WidgetValue::BorderColour] = 0.0;
        w->values[WidgetValue::FillColour] = 0.0;
        w->values[WidgetValue::FillStyle] = 1.0;
    }
    if (kind == WidgetKind::Picture) {
        w->values[WidgetValue::AutoSize] = 0.0;
        w->values[WidgetValue::Border] = 1.0;
        w->values[WidgetValue::Persistent] = 1.0;
        w->values[WidgetValue::DrawMode] = 13.0;
        w->values[WidgetValue::DrawStyle] = 0.0;
        w->values[WidgetValue::FillStyle] = 1.0;
    }
    if (kind == WidgetKind::Image) w->values[WidgetValue::Stretch] = 0.0;
    if (kind == WidgetKind::WrappingText) w->values[WidgetValue::WordWrap] = 1.0;
    w->values.shrink();
    WidgetId id = w->id;
    find(parent)->children.push_back(id);
    widgets_.emplace(id, std::move(w));
    return id;
}

void VirtualWidgets::destroy(WidgetId id) {
    Widget* w = find(id);
    if (!w) return;
    std::vector<WidgetId> children = w->children;
    for (WidgetId child : children) destroy(child);
    auto& siblings = siblingsOf(*w);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    if (focused_ == id) focused_ = kNoWidget;
    if (active_ == id) active_ = kNoWidget;
    widgets_.erase(id);
}

// Windows and picture boxes draw; the surface follows the client area (it
// grows with it and keeps its pixels when the area shrinks).
Canvas* VirtualWidgets::canvas(WidgetId id) {
    Widget* w = find(id);
    if (!w || !(isWindowKind(w->kind) || w->kind == int(WidgetKind::Picture))) return nullptr;
    auto side = [&](WidgetValue v) {
        auto d = get(id, v);
        const double* n = d ? std::get_if<double>(&*d) : nullptr;
        return n ? toInt(*n) : 0;
    };
    const int width = side(WidgetValue::ClientWidth), height = side(WidgetValue::ClientHeight);
    const auto background = static_cast<std::uint32_t>(w->number(WidgetValue::BackColour));
    if (!w->canvas)
        w->canvas = std::make_unique<MemoryCanvas>(width, height, background, fonts_);
    else
        w->canvas->ensureSize(width, height, background);
    return w->canvas.get();
}

void VirtualWidgets::setShape(WidgetId id, std::vector<ShapeSpan> spans) {
    if (Widget* w = find(id); w && isWindowKind(w->kind)) w->shape = std::move(spans);
}

std::vector<ShapeSpan> VirtualWidgets::shape(WidgetId id) const {
    const Widget* w = find(id);
    return w ? w->shape : std::vector<ShapeSpan>{};
}

bool VirtualWidgets::exists(WidgetId id) const {
    return find(id) != nullptr;
}

bool VirtualWidgets::setParent(WidgetId id, WidgetId parent) {
    Widget* w = find(id);
    Widget* p = find(parent);
    if (!w || !p || isWindowKind(w->kind) || id == parent) return false;
    // A container cannot move into one of its own children.
    for (WidgetId up = parent; up != kNoWidget; up = find(up) ? find(up)->parent : kNoWidget) {
        if (up == id) return false;
    }
    auto& siblings = siblingsOf(*w);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    w->parent = parent;
    p->children.push_back(id);
    return true;
}

WidgetId VirtualWidgets::parentOf(WidgetId id) const {
    const Widget* w = find(id);
    return w ? w->parent : kNoWidget;
}

std::optional<WidgetData> VirtualWidgets::get(WidgetId id, WidgetValue value) const {
    const Widget* w = find(id);
    if (!w) return std::nullopt;
    switch (value) {
        case WidgetValue::ClientWidth:
        case WidgetValue::ClientHeight: {
            Insets in =
                isWindowKind(w->kind) ? insetsOf(int(w->number(WidgetValue::Style))) : Insets{0, 0};
            double outer = w->number(value == WidgetValue::ClientWidth ? WidgetValue::Width
                                                                       : WidgetValue::Height);
            double inset = value == WidgetValue::ClientWidth ? in.width * 2 : in.height + in.width;
            return std::max(0.0, outer - inset);
        }
        case WidgetValue::ZOrder: {
            const std::vector<WidgetId>& siblings =
                w->parent ? find(w->parent)->children : topLevel_;
            auto it = std::find(siblings.begin(), siblings.end(), id);
            return double(siblings.end() - it - 1);
        }
        case WidgetValue::ItemCount:
            if (!isList(w->kind)) return std::nullopt;
            return double(w->items.size());
        case WidgetValue::SelectedText: {
            if (!isTextBox(w->kind)) return std::nullopt;
            Text text = w->text(WidgetValue::Text);
            std::size_t start = std::size_t(w->number(WidgetValue::SelStart));
            std::size_t length = std::size_t(w->number(WidgetValue::SelLength));
            return Text(TextView(text).substr(std::min(start, text.size()), length));
        }
        case WidgetValue::Text:
            if (w->kind == int(WidgetKind::ListBox)) {
                int index = int(w->number(WidgetValue::ListIndex, -1));
                if (index < 0 || index >= int(w->items.size())) return Text();
                return w->items[std::size_t(index)];
            }
            break;
        default:
            break;
    }
    auto it = w->values.find(value);
    if (it == w->values.end()) return std::nullopt;
    return it->second;
}

void VirtualWidgets::clampSelection(Widget& w) {
    double length = double(w.text(WidgetValue::Text).size());
    double start = std::clamp(w.number(WidgetValue::SelStart), 0.0, length);
    w.values[WidgetValue::SelStart] = start;
    w.values[WidgetValue::SelLength] =
        std::clamp(w.number(WidgetValue::SelLength), 0.0, length - start);
}

void VirtualWidgets::selectListIndex(Widget& w, int index) {
    w.values[WidgetValue::ListIndex] = double(index);
    if (!w.number(WidgetValue::MultiSelect)) std::fill(w.selected.begin(), w.selected.end(), false);
    if (index >= 0) {
        w.selected[std::size_t(index)] = true;
        if (w.kind == int(WidgetKind::DropDownList) || w.kind == int(WidgetKind::DropDownCombo))
            w.values[WidgetValue::Text] = w.items[std::size_t(index)];
        if (w.kind == int(WidgetKind::DriveList))
            w.values[WidgetValue::Drive] = w.items[std::size_t(index)];
    }
}

bool VirtualWidgets::setText(Widget& w, WidgetValue value, const Text& text) {
    switch (value) {
        case WidgetValue::Text: {
            if (w.kind == int(WidgetKind::DropDownList) || w.kind == int(WidgetKind::ListBox)) {
                // A list that cannot be typed into shows only its own items.
                auto it = std::find(w.items.begin(), w.items.end(), text);
                if (it == w.items.end())
                    return text.empty() ? (selectListIndex(w, -1), true) : false;
                selectListIndex(w, int(it - w.items.begin()));
                return true;
            }
            if (!isTextBox(w.kind)) return false;
            if (text.size() > kMaxTextBoxLength) return false;
            Text kept = text;
            double limit = w.number(WidgetValue::MaxLength);
            if (limit > 0 && kept.size() > std::size_t(limit)) kept.resize(std::size_t(limit));
            w.undoText = w.text(WidgetValue::Text);
            w.hasUndo = true;
            if (w.rich) {
                w.richUndo = std::make_unique<RichTextDocument>(*w.rich);
                // Typing adds to the end: what was there keeps its looks.
                const Text& now = w.rich->text();
                if (kept.size() > now.size() && TextView(kept).substr(0, now.size()) == now)
                    w.rich->replace(now.size(), 0, TextView(kept).substr(now.size()));
                else
                    w.rich->setText(kept);
                kept = w.rich->text();
            }
            w.values[WidgetValue::Text] = kept;
            w.values[WidgetValue::SelStart] = double(kept.size());
            w.values[WidgetValue::SelLength] = 0.0;
            return true;
        }
        case WidgetValue::SelectedText: {
            if (!isTextBox(w.kind)) return false;
            clampSelection(w);
            Text current = w.text(WidgetValue::Text);
            std::size_t start = std::size_t(w.number(WidgetValue::SelStart));
            std::size_t length = std::size_t(w.number(WidgetValue::SelLength));
            Text replaced = current.substr(0, start) + text + current.substr(start + length);
            if (replaced.size() > kMaxTextBoxLength) return false;
            w.undoText = current;
            w.hasUndo = true;
            std::size_t added = text.size();
            if (w.rich) {
                w.richUndo = std::make_unique<RichTextDocument>(*w.rich);
                const std::size_t before = w.rich->size();
                w.rich->replace(start, length, text);
                replaced = w.rich->text();
                added = replaced.size() + length - before;
            }
            w.values[WidgetValue::Text] = replaced;
            w.values[WidgetValue::SelStart] = double(start + added);
            w.values[WidgetValue::SelLength] = 0.0;
            return true;
        }
        case WidgetValue::Caption:
            if (!hasCaption(w.kind)) return false;
            w.values[value] = text;
            return true;
        case WidgetValue::Folder:
            if (w.kind != int(WidgetKind::FolderList)) return false;
            w.values[value] = text.empty() || text.back() == u'/' ? text : text + u"/";
            return true;
        case WidgetValue::Drive: {
            if (w.kind != int(WidgetKind::DriveList)) return false;
            auto it = std::find(w.items.begin(), w.items.end(), text);
            if (it == w.items.end()) return false;
            selectListIndex(w, int(it - w.items.begin()));
            return true;
        }
        case WidgetValue::FontName:
        case WidgetValue::ToolTip:
        case WidgetValue::PasswordChar:
        case WidgetValue::PointerFile:
        case WidgetValue::PictureFile:
        case WidgetValue::IconFile:
            w.values[value] = text;
            return true;
        default:
            return false;
    }
}

bool VirtualWidgets::setNumber(Widget& w, WidgetValue value, double number) {
    if (std::isnan(number)) return false;
    switch (value) {
        case WidgetValue::Width:
        case WidgetValue::Height:
            w.values[value] = std::clamp(std::round(number), 0.0, kMaxExtent);
            return true;
        case WidgetValue::Left:
        case WidgetValue::Top:
            w.values[value] = std::clamp(std::round(number), -kMaxExtent, kMaxExtent);
            return true;
        case WidgetValue::ClientWidth:
        case WidgetValue::ClientHeight: {
            Insets in =
                isWindowKind(w.kind) ? insetsOf(int(w.number(WidgetValue::Style))) : Insets{0, 0};
            bool wide = value == WidgetValue::ClientWidth;
            double inset = wide ? in.width * 2 : in.height + in.width;
            return setNumber(w, wide ? WidgetValue::Width : WidgetValue::Height, number + inset);
        }
        case WidgetValue::ZOrder:
            number == 0 ? raise(w.id) : lower(w.id);
            return true;
        case WidgetValue::SelStart:
        case WidgetValue::SelLength:
            if (!isTextBox(w.kind)) return false;
            if (value == WidgetValue::SelStart) w.values[WidgetValue::SelLength] = 0.0;
            w.values[value] = std::round(number);
            clampSelection(w);
            return true;
        case WidgetValue::MaxLength:
            if (!isTextBox(w.kind) || number < 0) return false;
            w.values[value] = std::round(number);
            return true;
        case WidgetValue::ListIndex: {
            if (!isList(w.kind)) return false;
            int index = toInt(number);
            if (index < -1 || index >= int(w.items.size())) return false;
            selectListIndex(w, index);
            return true;
        }
        case WidgetValue::Sorted:
            if (!isList(w.kind)) return false;
            w.values[value] = number != 0 ? 1.0 : 0.0;
            if (number != 0) {
                std::sort(w.items.begin(), w.items.end());
                std::fill(w.selected.begin(), w.selected.end(), false);
                w.values[WidgetValue::ListIndex] = -1.0;
            }
            return true;
        case WidgetValue::MultiSelect:
            if (w.kind != int(WidgetKind::ListBox)) return false;
            w.values[value] = number != 0 ? 1.0 : 0.0;
            return true;
        case WidgetValue::Checked: {
            if (w.kind == int(WidgetKind::CheckBox)) {
                int state = toInt(number);
                if (state < 0 || state > 2) return false;
                w.values[value] = double(state);
                return true;
            }
            if (w.kind != int(WidgetKind::OptionButton)) return false;
            const bool on = number != 0;
            w.values[value] = on ? 1.0 : 0.0;
            if (on) {
                // Only one option of a container is chosen at a time.
                for (WidgetId sibling : siblingsOf(w)) {
                    Widget* other = find(sibling);
                    if (other && other != &w && other->kind == int(WidgetKind::OptionButton))
                        other->values[value] = 0.0;
                }
            }
            return true;
        }
        case WidgetValue::Minimum:
        case WidgetValue::Maximum:
        case WidgetValue::Value:
        case WidgetValue::SmallChange:
        case WidgetValue::LargeChange: {
            if (!isRange(w.kind)) return false;
            double n = std::round(number);
            if (value == WidgetValue::SmallChange || value == WidgetValue::LargeChange) {
                if (n < 1) return false;
                w.values[value] = n;
                return true;
            }
            // As the desktop's scroll bars do: a new minimum above the maximum
            // moves the maximum up (and the reverse), and the value is kept
            // inside the range.
            if (value == WidgetValue::Minimum) {
                w.values[value] = n;
                if (w.number(WidgetValue::Maximum) < n) w.values[WidgetValue::Maximum] = n;
            } else if (value == WidgetValue::Maximum) {
                w.values[value] = n;
                if (w.number(WidgetValue::Minimum) > n) w.values[WidgetValue::Minimum] = n;
            } else {
                w.values[value] = n;
            }
            w.values[WidgetValue::Value] =
                std::clamp(w.number(WidgetValue::Value), w.number(WidgetValue::Minimum),
                           w.number(WidgetValue::Maximum));
            return true;
        }
        case WidgetValue::Interval:
            if (w.kind != int(WidgetKind::Timer) || number < 0) return false;
            w.values[value] = std::round(number);
            return true;
        case WidgetValue::FontSize:
            if (number <= 0 || number > 1638) return false;
            w.values[value] = number;
            return true;
        case WidgetValue::Opacity:
            w.values[value] = std::clamp(std::round(number), 0.0, 255.0);
            return true;
        case WidgetValue::ForeColour:
        case WidgetValue::BackColour:
        case WidgetValue::FillColour:
        case WidgetValue::BorderColour:
        case WidgetValue::MaskColour:
            w.values[value] = double(std::uint32_t(toInt(number)) & 0xFFFFFF);
            return true;
        case WidgetValue::WindowState:
            if (!isWindowKind(w.kind) || number < 0 || number > 2) return false;
            w.values[value] = std::round(number);
            return true;
        case WidgetValue::Style:
            if (!isWindowKind(w.kind) || number < 0 || number > 5) return false;
            w.values[value] = std::round(number);
            return true;
        case WidgetValue::Visible:
        case WidgetValue::Enabled:
        case WidgetValue::Bold:
        case WidgetValue::Italic:
        case WidgetValue::Underline:
        case WidgetValue::StrikeOut:
        case WidgetValue::ReadOnly:
        case WidgetValue::TabStop:
        case WidgetValue::Default:
        case WidgetValue::Cancel:
        case WidgetValue::AcceptsDrops:
        case WidgetValue::Transparent:
        case WidgetValue::AutoSize:
        case WidgetValue::WordWrap:
        case WidgetValue::UseMask:
        case WidgetValue::Stretch:
        case WidgetValue::StayOnTop:
        case WidgetValue::Movable:
        case WidgetValue::ShowInTaskbar:
        case WidgetValue::MinimiseBox:
        case WidgetValue::MaximiseBox:
        case WidgetValue::SystemMenu:
        case WidgetValue::PaintLock:
        case WidgetValue::Persistent:
        case WidgetValue::HighlightAddresses:
        case WidgetValue::VerticalText:
            if ((value == WidgetValue::HighlightAddresses || value == WidgetValue::VerticalText) &&
                !w.rich)
                return false;
            w.values[value] = number != 0 ? 1.0 : 0.0;
            if (value == WidgetValue::Default && number != 0) {
                // One default button per window.
                for (auto& [id, other] : widgets_) {
                    if (other.get() != &w && other->parent == w.parent)
                        if (other->values.count(WidgetValue::Default))
                            other->values[WidgetValue::Default] = 0.0;
                }
            }
            return true;
        default:
            w.values[value] = std::round(number);
            return true;
    }
}

bool VirtualWidgets::set(WidgetId id, WidgetValue value, const WidgetData& data) {
    Widget* w = find(id);
    if (!w) return false;
    const Text* text = std::get_if<Text>(&data);
    if (!(text ? setText(*w, value, *text) : setNumber(*w, value, std::get<double>(data))))
        return false;
    if (w->number(WidgetValue::AutoSize) != 0 && changesContentSize(*w, value)) fitContent(*w);
    return true;
}

bool VirtualWidgets::changesContentSize(const Widget& w, WidgetValue value) const {
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
            return w.kind == int(WidgetKind::Label);
        case WidgetValue::Width:
            // A wrapping label keeps its width and grows downwards.
            return w.kind == int(WidgetKind::Label) && w.number(WidgetValue::WordWrap) != 0;
        default:
            return false;
    }
}

void VirtualWidgets::fitContent(Widget& w) {
    if (w.kind == int(WidgetKind::Label)) {
        const bool wrap = w.number(WidgetValue::WordWrap) != 0;
        headless::Extent e =
            headless::textExtent(w.text(WidgetValue::Caption), w.number(WidgetValue::FontSize, 9),
                                 screenDpi(), wrap ? w.number(WidgetValue::Width) : 0);
        w.values[WidgetValue::Width] = std::min(e.width, kMaxExtent);
        w.values[WidgetValue::Height] = std::min(e.height, kMaxExtent);
    } else if (w.kind == int(WidgetKind::Picture)) {
        // A file that cannot be read leaves the box as it is.
        auto e = headless::pictureExtent(text::toUtf8(w.text(WidgetValue::PictureFile)));
        if (!e) return;
        w.values[WidgetValue::Width] = std::min(e->width, kMaxExtent);
        w.values[WidgetValue::Height] = std::min(e->height, kMaxExtent);
    }
}

std::vector<Text> VirtualWidgets::items(WidgetId id) const {
    const Widget* w = find(id);
    return w ? w->items : std::vector<Text>{};
}

bool VirtualWidgets::addItem(WidgetId id, TextView item) {
    Widget* w = find(id);
    if (!w || !isList(w->kind)) return false;
    std::size_t at = w->items.size();
    if (w->number(WidgetValue::Sorted)) {
        at = std::size_t(std::upper_bound(w->items.begin(), w->items.end(), Text(item)) -
                         w->items.begin());
    }
    w->items.insert(w->items.begin() + std::ptrdiff_t(at), Text(item));
    w->selected.insert(w->selected.begin() + std::ptrdiff_t(at), false);
    int index = int(w->number(WidgetValue::ListIndex, -1));
    if (index >= int(at)) w->values[WidgetValue::ListIndex] = double(index + 1);
    return true;
}

bool VirtualWidgets::removeItem(WidgetId id, int index) {
    Widget* w = find(id);
    if (!w || index < 0 || index >= int(w->items.size())) return false;
    w->items.erase(w->items.begin() + index);
    w->selected.erase(w->selected.begin() + index);
    int current = int(w->number(WidgetValue::ListIndex, -1));
    if (current == index) {
        w->values[WidgetValue::ListIndex] = -1.0;
        if (w->kind == int(WidgetKind::DropDownList)) w->values[WidgetValue::Text] = Text();
    } else if (current > index) {
        w->values[WidgetValue::ListIndex] = double(current - 1);
    }
    return true;
}

void VirtualWidgets::clearItems(WidgetId id) {
    Widget* w = find(id);
    if (!w) return;
    w->items.clear();
    w->selected.clear();
    if (isList(w->kind)) w->values[WidgetValue::ListIndex] = -1.0;
}

bool VirtualWidgets::itemSelected(WidgetId id, int index) const {
    const Widget* w = find(id);
    return w && index >= 0 && index < int(w->selected.size()) && w->selected[std::size_t(index)];
}

bool VirtualWidgets::selectItem(WidgetId id, int index, bool selected) {
    Widget* w = find(id);
    if (!w || index < 0 || index >= int(w->items.size())) return false;
    if (!w->number(WidgetValue::MultiSelect)) {
        selectListIndex(*w, selected ? index : -1);
        return true;
    }
    w->selected[std::size_t(index)] = selected;
    if (selected) w->values[WidgetValue::ListIndex] = double(index);
    return true;
}

void VirtualWidgets::show(WidgetId id, const ShowOptions& options) {
    Widget* w = find(id);
    if (!w) return;
    w->values[WidgetValue::Visible] = 1.0;
    if (options.onTop) w->values[WidgetValue::StayOnTop] = 1.0;
    if (options.dialog) {
        w->values[WidgetValue::MinimiseBox] = 0.0;
        w->values[WidgetValue::MaximiseBox] = 0.0;
    }
    // Nobody can close a modal window here, so showing one returns at once.
    if (isWindowKind(w->kind)) active_ = id;
    raise(id);
}

void VirtualWidgets::focus(WidgetId id) {
    Widget* w = find(id);
    if (!w) return;
    focused_ = id;
    WidgetId top = id;
    while (find(top) && find(top)->parent != kNoWidget) top = find(top)->parent;
    active_ = top;
}

void VirtualWidgets::raise(WidgetId id) {
    Widget* w = find(id);
    if (!w) return;
    auto& siblings = siblingsOf(*w);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    siblings.push_back(id);
}

void VirtualWidgets::lower(WidgetId id) {
    Widget* w = find(id);
    if (!w) return;
    auto& siblings = siblingsOf(*w);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), id), siblings.end());
    siblings.insert(siblings.begin(), id);
}

void VirtualWidgets::undo(WidgetId id) {
    Widget* w = find(id);
    if (!w || !w->hasUndo) return;
    Text before = w->text(WidgetValue::Text);
    w->values[WidgetValue::Text] = w->undoText;
    if (w->rich && w->richUndo) {
        std::swap(w->rich, w->richUndo);
        w->values[WidgetValue::Text] = w->rich->text();
    }
    w->undoText = before;
    clampSelection(*w);
}

std::optional<RichTextDocument> VirtualWidgets::richText(WidgetId id) const {
    const Widget* w = find(id);
    if (!w || !w->rich) return std::nullopt;
    return *w->rich;
}

bool VirtualWidgets::setRichText(WidgetId id, const RichTextDocument& document) {
    Widget* w = find(id);
    if (!w || !w->rich || document.size() > kMaxTextBoxLength) return false;
    w->richUndo = std::make_unique<RichTextDocument>(*w->rich);
    w->undoText = w->rich->text();
    w->hasUndo = true;
    *w->rich = document;
    w->values[WidgetValue::Text] = document.text();
    clampSelection(*w);
    return true;
}

int VirtualWidgets::kindOf(WidgetId id) const {
    const Widget* w = find(id);
    return w ? w->kind : -2;
}

bool VirtualWidgets::anyTimerRunning() const {
    for (const auto& [id, w] : widgets_) {
        if (w->kind == int(WidgetKind::Timer) && w->number(WidgetValue::Enabled) &&
            w->number(WidgetValue::Interval) > 0)
            return true;
    }
    return false;
}

std::vector<PrinterInfo> VirtualWidgets::printers() const {
    return {PrinterInfo{u"仮想プリンタ", u"virtual:"}};
}

std::optional<Text> VirtualWidgets::printerSetting(int index, TextView name) const {
    if (index < 0 || index >= int(printerSettings_.size())) return std::nullopt;
    auto it = printerSettings_[std::size_t(index)].find(Text(name));
    if (it == printerSettings_[std::size_t(index)].end()) return std::nullopt;
    return it->second;
}

bool VirtualWidgets::setPrinterSetting(int index, TextView name, TextView value) {
    if (index < 0 || index >= int(printerSettings_.size())) return false;
    auto& settings = printerSettings_[std::size_t(index)];
    auto it = settings.find(Text(name));
    if (it == settings.end() || name == u"現在ページ") return false;
    it->second = Text(value);
    return true;
}

}  // namespace qel
