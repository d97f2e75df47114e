// Objects that are not windows or controls but answer to property names:
// "メニュー" (the entries of the current window's menus) and the ones added
// beside it. Asked before the registry, so that their names never resolve
// to a variable or a control.
#pragma once

#include <optional>

#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class ObjectModel;

// Reads (`written` null) or sets (to `written` evaluated) a property of a special object. Nothing
// when `target` does not begin with such an object's name; otherwise the value read ("" after a set
// or a reported failure).
std::optional<Text> SpecialObjectProperty(Engine& engine, ObjectModel& model, TextView target,
                                          const TextView* written);

}  // namespace qel::ui
