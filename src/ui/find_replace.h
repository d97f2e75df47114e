// 検索 and 置き換え on a text box or rich text box (検索 also on a browser) open the modeless find
// (or find-and-replace) dialog for it. The dialog only asks; the search runs
// here, on the box's text from its selection, so that every widget set finds
// and replaces alike: a match is selected, a replacement takes the place of
// the selected match, and when nothing more is found the user is told
// "すべて検索しました".
#pragma once

#include <memory>

#include "platform/ports/widget_events.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class ObjectModel;
struct ScriptObject;

// Whether 検索 (or with `replace`, 置き換え) aimed at this object opens the
// dialog. A browser takes the find dialog only.
bool TakesFindDialog(const ScriptObject& object, bool replace = false);
void OpenFindDialog(Engine& engine, ObjectModel& model, ScriptObject& box, bool replace);
// A request of the dialog (a FindRequest event of the box).
void FindInBox(Engine& engine, ObjectModel& model, ScriptObject& box, const WidgetEvent& request);

}  // namespace qel::ui
