// User actions on sub-items of rich controls (click タブ1の2番目, click
// リストビュー1の見出しの1番目, check リストビュー1の2番目): the content
// changes as the user's action would change it, then the procedures run.
#pragma once

#include <string>

#include "ui/events.h"

namespace qel::ui {

// Empty when done (or reported to the script); else why it cannot be done.
std::string richUserAction(EventDispatch& events, Engine& engine, ScriptObject& object,
                           TextView subItem, const UserAction& action);

}  // namespace qel::ui
