// What the property families share: reading the request's value as a number,
// a switch, a list or one of a property's words, and talking to the widget.
#pragma once

#include <initializer_list>
#include <vector>

#include "core/engine.h"
#include "text/number.h"
#include "ui/properties.h"

namespace qel::ui {

// The longest text a text box takes (UTF-16 units): 64 KB, as scripts expect.
inline constexpr std::size_t kMaxContentLength = 65535;

inline WidgetPort& port(PropertyContext& c) {
    return ObjectModel::widgets(c.engine);
}

// The widget's value as a number (0 when it has none).
double widgetNumber(PropertyContext& c, WidgetValue value);
Text widgetText(PropertyContext& c, WidgetValue value);

// Get: the widget's number as text; set: the request's number. A value the
// widget refuses is reported as not right.
void numberValue(PropertyContext& c, WidgetValue value);
// Get: "1" or "0"; set: any non-zero number is on.
void switchValue(PropertyContext& c, WidgetValue value);
void textValue(PropertyContext& c, WidgetValue value);
// なめらか of a window or picture box: a switch its drawing surface keeps.
void smoothingValue(PropertyContext& c);
void colourValue(PropertyContext& c, WidgetValue value);
// Get: the word of the widget's number; set: a word of the list or its number.
void wordValue(PropertyContext& c, WidgetValue value, std::initializer_list<TextView> words);
std::optional<int> wordNumber(PropertyContext& c, std::initializer_list<TextView> words);

void readOnly(PropertyContext& c, const Text& value);
void setOnly(PropertyContext& c);
void reportBadValue(PropertyContext& c);

// The request's value as a list of values (10,20): parts evaluated when the
// value was kept as written.
std::vector<Text> listParts(PropertyContext& c);

// Pixels per coordinate unit of the object's window (座標).
double unitScale(PropertyContext& c, const ScriptObject& object);

}  // namespace qel::ui
