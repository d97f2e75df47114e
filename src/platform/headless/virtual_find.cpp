// The find dialog without a display: it is open for one box at a time, and a
// replayed session's find and replace lines act through it as the user would.
#include "platform/headless/virtual_widgets.h"

namespace qel {

bool VirtualWidgets::showFind(WidgetId box, bool replace, TextView findText) {
    (void)findText;
    if (!exists(box)) return false;
    findBox_ = box;
    findReplaces_ = replace;
    return true;
}

std::string VirtualWidgets::useFind(const WidgetEvent& request) {
    if (findBox_ == 0 || !exists(findBox_)) {
        findBox_ = 0;
        return "no find dialog is open";
    }
    const bool replacing = request.command == kFindReplace || request.command == kFindReplaceAll;
    if (replacing && !findReplaces_) return "the find dialog opened by 検索 does not replace";
    WidgetEvent event = request;
    event.type = WidgetEventType::FindRequest;
    event.widget = findBox_;
    if (request.command == kFindClosed) findBox_ = 0;
    report(event);
    return {};
}

}  // namespace qel
