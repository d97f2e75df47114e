// The entry of the desktop module (qelscript-qt.so). The executable loads the
// module only when a script runs with a display, so runs on the console never
// load Qt, start faster, and work where Qt is not installed.
#include <memory>
#include <string>

#include "platform/qt/qt_host.h"
#include "platform/qt/qt_media.h"
#include "platform/qt/qt_widgets.h"

extern "C" __attribute__((visibility("default"))) void qel_make_desktop_host(
    std::unique_ptr<qel::UiHost>& host, std::string& why) {
    host = qel::makeDesktopHost(why);
}

// The script windows and controls of a host the module made: real Qt widgets
// sharing that host's application.
extern "C" __attribute__((visibility("default"))) void qel_make_desktop_widgets(
    qel::UiHost& host, std::unique_ptr<qel::WidgetPort>& widgets) {
    if (auto* desktop = dynamic_cast<qel::QtHost*>(&host))
        widgets = qel::makeDesktopWidgets(desktop->sharedApplication());
}

// Sound and video files heard and seen through Qt Multimedia; `port` (the
// headless one) keeps the rest and is wrapped.
extern "C" __attribute__((visibility("default"))) void qel_make_desktop_media(
    qel::WidgetPort& widgets, std::unique_ptr<qel::MediaPort>& port) {
    port = qel::makeDesktopMedia(std::move(port), widgets);
}
