// The kinds of script objects: the six window kinds and the control kinds,
// as ordered tables. The order is the language's: a name's kind is the first
// row whose word begins it, so リストビュー is tried before リスト.
#pragma once

#include <optional>
#include <span>

#include "platform/ports/widgets.h"
#include "text/text.h"

namespace qel::ui {

enum class KindId : int {
    Button = 1,
    TextBox,
    MultiLineText,
    Picture,
    Image,
    Label,
    DropDownList,
    DropDownCombo,
    VScrollBar,
    HScrollBar,
    Check,
    Option,
    ListView,
    ListBox,
    Frame,
    Shape,
    Line,
    FolderList,
    DriveList,
    ToolBar,
    ProgressBar,
    TreeView,
    StatusBar,
    TabStrip,
    Slider,
    RichText,
    Browser,
    Grid,
    Turtle,
    Timer,
};

struct KindRow {
    KindId id;
    TextView word;          // the kind word scripts write
    TextView supplier;      // the control array (Command1 …) or, for dynamic kinds, the class
    TextView prefix;        // dynamic kinds: the control name prefix (ExLV …)
    bool dynamic;           // made at run time; these kinds arrive with a later step
    bool windowBackColour;  // takes the window's back colour when made visible
    WidgetKind widget;      // what the widget set makes (array kinds)
};

// Every control kind in the language's order.
std::span<const KindRow> controlKinds();
const KindRow& kindRow(KindId id);
// The first kind whose word begins `name` (compared without regard to width).
const KindRow* kindOfName(TextView name);
// The word by which an object of the kind is named back (シェイプ for shapes).
TextView nameWordOf(const KindRow& kind);

struct WindowKindRow {
    TextView word;
    WindowStyle style;
};
// The window kinds in the order creation tests them.
std::span<const WindowKindRow> windowKinds();
const WindowKindRow* windowKindOfName(TextView name);

// The key under which names are kept: width and Latin case do not matter.
Text nameKey(TextView name);
// Whether `text` begins with `prefix` regardless of width and Latin case;
// gives the length of the part of `text` that matched.
std::optional<std::size_t> matchPrefix(TextView text, TextView prefix);

}  // namespace qel::ui
