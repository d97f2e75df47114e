#include "platform/headless/virtual_tray.h"

namespace qel {

std::string VirtualTray::click(int message) {
    if (!state_) return "the program shows no tray icon";
    WidgetEvent event = eventOf(state_->window, WidgetEventType::TrayMessage);
    event.command = std::uint64_t(message);
    report_(event);
    return {};
}

}  // namespace qel
