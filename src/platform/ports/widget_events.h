// What a widget set reports when the user acts on a window or control, and
// the user actions a replayed session asks a widget set to perform. Both are
// neutral: the widget set knows no procedure names, the object model knows
// no toolkit events.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace qel {

using WidgetId = std::uint64_t;

enum class WidgetEventType : int {
    Click,
    DoubleClick,
    TextChanged,   // the text of a text box or an editable list changed
    ValueChanged,  // a list selection, a scroll value, a folder or drive chosen
    Scrolling,     // a scroll thumb dragged, a list scrolled
    FocusIn,
    FocusOut,
    KeyDown,
    KeyUp,
    KeyPress,  // a character typed (after its key went down)
    MouseDown,
    MouseMove,
    MouseUp,
    Drop,  // files dropped
    Resize,
    Tick,          // a timer's interval passed
    CloseRequest,  // the user asks to close a window
    Activate,      // a window became the active one
    MenuCommand,   // a menu entry of the window was chosen (command)
    TrayMessage,   // the window's tray icon was clicked (command: the mouse message)
    FindRequest,   // the find dialog of a text box asks (command: a FindAction)
    RichAction,    // the user acted on a sub-item of a rich control (rich, item, x, y, text)
};

// What the user did to a rich control's sub-item. `item` counts the items
// (tabs, buttons, columns, rows, nodes) from 0 in the content's own order;
// a cell move gives the cell as x (column) and y (row), a slider its value as x.
enum class RichUserAction : int {
    ClickTab,
    ClickButton,
    ClickHeader,
    ToggleCheck,
    EditLabel,  // text: the label the user typed
    Expand,
    Collapse,
    MoveCell,
    Slide,
    FollowLink,  // text: the link's address as the page wrote it
    Select,      // picked: every row or node the user has selected now
    // Browsers whose view runs the page itself: a link that asks for a new
    // window (text: its address), the status line the view shows (text),
    // and the page entering or leaving full screen (x: 1 or 0).
    NewWindowLink,
    PageStatus,
    PageFullScreen,
};

// Mouse buttons and shift states as the language numbers them.
inline constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
inline constexpr int kShiftKey = 1, kCtrlKey = 2, kAltKey = 4;

struct WidgetEvent {
    WidgetId widget = 0;
    WidgetEventType type = WidgetEventType::Click;
    int button = 0;             // mouse events
    double x = 0, y = 0;        // mouse events, in the widget's own pixels
    int keyCode = 0;            // key events: the language's key codes
    int shift = 0;              // kShiftKey | kCtrlKey | kAltKey
    std::vector<Text> files;    // Drop
    std::uint64_t command = 0;  // MenuCommand: the entry's command number
    // FindRequest: what to look for and put in its place, and how.
    Text findText, replaceText;
    bool matchCase = false, searchUp = false;
    // RichAction
    RichUserAction rich = RichUserAction::ClickTab;
    int item = -1;
    Text text;
    std::vector<int> picked;
};

// What the find dialog asks of its text box (WidgetEvent::command).
enum FindAction : int { kFindClosed = 0, kFindNext = 1, kFindReplace = 2, kFindReplaceAll = 3 };

inline WidgetEvent eventOf(WidgetId widget, WidgetEventType type, int button = 0, double x = 0,
                           double y = 0) {
    WidgetEvent e;
    e.widget = widget;
    e.type = type;
    e.button = button;
    e.x = x;
    e.y = y;
    return e;
}

// One action of a replayed session, for the widget set to carry out as if
// the user did it (the same events follow as from a real user).
enum class UserActionType : int {
    Click,
    RightClick,
    DoubleClick,
    Type,    // text: the characters typed
    Key,     // keyCode and shift: one key pressed and released
    Select,  // number: the item chosen, counted from 0
    Check,   // a check box or option button clicked
    Scroll,  // number: the new value
    Drop,    // files
    Mouse,   // mouseStep, button, x, y
    Tick,    // a timer's interval passed
    Close,   // the user closes a window
    Menu,    // text: the path of the menu entry chosen (ファイルの開く)
    // Sub-items of rich controls only, carried out by the object model.
    Edit,      // text: the new label of a list-view item or tree node
    Expand,    // a tree node opened
    Collapse,  // a tree node closed
    Follow,    // text: a link of a browser's page followed, as the page wrote it
};

enum class MouseStep : int { Down, Move, Up };

struct UserAction {
    UserActionType type = UserActionType::Click;
    WidgetId widget = 0;
    Text text;
    int keyCode = 0;
    int shift = 0;
    double number = 0;
    std::vector<Text> files;
    MouseStep step = MouseStep::Down;
    int button = kLeftButton;
    double x = 0, y = 0;
};

}  // namespace qel
