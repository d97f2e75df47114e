// The rich controls (list views, tree views, grids, tab strips, tool bars,
// status bars, sliders, progress bars): their content, its sub-items reached
// through chains in property names (3番目の内容, 見出しの2番目の幅,
// りんごの色), 追加 and 消せ of their items, and sorting.
#pragma once

#include <optional>

#include "ui/objects.h"
#include "ui/properties.h"

namespace qel::ui {

// The dynamic kinds this build makes (the others still report "not built").
bool richKindBuilt(KindId id);
bool isRich(const ScriptObject& object);

// A new control of a rich kind gets its content and the kind's defaults.
void initRich(Engine& engine, ScriptObject& object);

// The property hook: properties of rich controls, plain or through a chain.
// False when the name is not one of the kind's (the common ones then apply).
bool richProperty(PropertyContext& c);

// 「X」に「item」を追加, where X named `object` followed by `rest` (見出し,
// カラム, or a tree node's path under which the node goes).
void addRichItem(Engine& engine, ScriptObject& object, TextView rest, TextView item);
// 消せ on 「X の Y」: removes item Y (a number, N番目, a key or a path).
void removeRichItem(Engine& engine, ScriptObject& object, TextView item);

// Sorts a list view by a column (0 = the item text), or a grid's rows by a
// column; numbers compare as numbers when the whole column holds numbers.
void sortRows(Engine& engine, ScriptObject& object, int column, bool descending);
// A click on a list view's column header with no procedure for it: sorts
// by that column, ascending on the first click and descending on the next.
void headerClicked(Engine& engine, ScriptObject& object, int column);

// The language's table text (rows CR LF, cells ",") and back.
Text tableText(const std::vector<std::vector<Text>>& rows);
std::vector<std::vector<Text>> parseTable(TextView table);

}  // namespace qel::ui
