// The program's icon in the desktop's notification area (the tray): one per
// program, belonging to a window that receives its clicks. The object model
// keeps the icon's file and tip; the set shows them. Clicks come back through
// the widget event sink as TrayMessage events of the window, carrying the
// mouse message numbers below.
#pragma once

#include <string>

#include "platform/ports/widget_events.h"
#include "text/text.h"

namespace qel {

// The mouse messages of the tray icon, as scripts' window events know them.
inline constexpr int kTrayLeftUp = 514, kTrayLeftDoubleClick = 515, kTrayRightUp = 517;

// The icon shown beside a balloon.
enum class BalloonIcon : int { Information = 1, Warning = 2, Error = 3 };

struct TrayIconState {
    WidgetId window = 0;  // where its clicks go
    Text iconFile;        // empty: the window's or the program's own icon
    Text tip;
};

class TrayPort {
  public:
    virtual ~TrayPort() = default;
    // Shows the icon, or changes the one showing.
    virtual void place(const TrayIconState& state) = 0;
    virtual void remove() = 0;
    // Shows a balloon at the icon; false when no tray on this desktop can
    // show it (the caller then tells the user another way).
    virtual bool balloon(TextView title, TextView text, BalloonIcon icon, int milliseconds) = 0;
    // A replayed session's click on the icon (one of the messages above),
    // reported as the user's would be. The reason when it cannot, else empty.
    virtual std::string click(int message) = 0;
};

}  // namespace qel
