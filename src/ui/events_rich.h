// User actions on sub-items of rich controls (click タブ1の2番目, click
// リストビュー1の見出しの1番目, check リストビュー1の2番目): the content
// changes as the user's action would change it, then the procedures run.
#pragma once

#include <optional>
#include <string>

#include "ui/events.h"

namespace qel::ui {

// Empty when done (or reported to the script); else why it cannot be done.
std::string richUserAction(EventDispatch& events, Engine& engine, ScriptObject& object,
                           TextView subItem, const UserAction& action);
// An action on the control as a whole (select 表1 3,2, scroll スライダ1 40):
// nothing when it is not one of a rich control's own, else as above.
std::optional<std::string> richControlAction(EventDispatch& events, Engine& engine,
                                             ScriptObject& object, const UserAction& action);

// What the user did, whichever host it came from. Each changes the content
// as the user's action would and runs the procedures; an empty text when
// done, else why the user could not have done it.
std::string richEditLabel(EventDispatch& events, Engine& engine, ScriptObject& view, int index,
                          const Text& label);
std::string richSetExpanded(EventDispatch& events, Engine& engine, ScriptObject& tree, int node,
                            bool expanded);
std::string richMoveCell(EventDispatch& events, Engine& engine, ScriptObject& grid, int col,
                         int row);
std::string richSlide(EventDispatch& events, Engine& engine, ScriptObject& slider, double value);

// The same actions reported by a widget set (the desktop's views): nothing
// happens when the item named is not there any more.
void richWidgetAction(EventDispatch& events, Engine& engine, ScriptObject& object,
                      const WidgetEvent& event);

}  // namespace qel::ui
