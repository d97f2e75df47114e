// What the rich-control property families share: the content, reading and
// writing one field of a sub-item, finding a sub-item from a chain, and
// telling the widget set what changed.
#pragma once

#include <optional>

#include "ui/property_support.h"
#include "ui/rich.h"

namespace qel::ui {

inline RichContent& content(PropertyContext& c) {
    return *c.object.rich;
}
void notify(Engine& engine, const ScriptObject& object, RichChange change);
inline void notify(PropertyContext& c, RichChange::Kind kind, int index = -1) {
    notify(c.engine, c.object, RichChange{kind, index, 1});
}

// Field access in a property's own terms.
void flagField(PropertyContext& c, bool& field, RichChange change);
void textField(PropertyContext& c, Text& field, RichChange change);
void numberField(PropertyContext& c, double& field, RichChange change);
void colourField(PropertyContext& c, bool& has, std::uint32_t& field, RichChange change);
void intWordField(PropertyContext& c, int& field, std::initializer_list<TextView> words,
                  RichChange change);
// A setting of the control kept in content().settings.
void settingSwitch(PropertyContext& c, RichSetting s);
void settingNumber(PropertyContext& c, RichSetting s);
void settingWord(PropertyContext& c, RichSetting s, std::initializer_list<TextView> words);

// A property name split into its chain: [collection の] item の property.
struct Chain {
    Text collection;  // 見出し / カラム, or empty
    Text item;        // N番目, a key, or a tree path, as written
    Text property;
};
std::optional<Chain> splitChain(TextView name);

// The index of the sub-item `written` names among `items` (N番目 counted from
// 1, else the evaluated key; trees also take a path). Reports error 108 and
// gives nothing when there is none.
std::optional<int> findItem(Engine& engine, const RichContent& rc,
                            const std::vector<RichItem>& items, TextView written, bool tree);
// A tree node's path from the top, joined by the separator.
Text nodePath(const RichContent& rc, int node);
// Number of the item counted from 1 as scripts see it.
inline Text itemNumber(int index) {
    return number::format(double(index + 1));
}

// The families of each kind, asked by richProperty.
bool listViewProperty(PropertyContext& c);
bool treeViewProperty(PropertyContext& c);
bool gridProperty(PropertyContext& c);
bool barProperty(PropertyContext& c);    // tab strips, tool bars, status bars
bool rangeProperty(PropertyContext& c);  // sliders, progress bars

// Grid helpers used by 追加 and the table forms.
void resizeGrid(RichContent& rc, int rows, int cols);
void addGridRow(RichContent& rc, const std::vector<Text>& cells);

// Image lists. A list view's 大きい絵 / 小さい絵 (the list 追加 adds to).
std::optional<RichImageList*> imageListNamed(ScriptObject& object, TextView where);
void addImage(Engine& engine, ScriptObject& object, RichImageList& list, TextView written);
// The list as one value: the files joined by ",".
void imageListValue(PropertyContext& c, RichImageList& list);
// The picture an item shows: 0 or empty none, a number from 1, a key, or a
// file loaded into the list on first use. `field` keeps it as written.
void imageField(PropertyContext& c, RichImageList& list, Text& field, int& index,
                RichChange change);
// 透明色; list views refuse it while they hold no picture.
void maskColourValue(PropertyContext& c, bool needsImages);
// A tree's list starts with the folder pictures Folder1 (closed) and Folder2 (open).
void attachFolderImages(RichContent& rc);

// Status-bar panel kinds: 0 text, 1 大文字ロック … 6 カナロック.
int panelKind(TextView text);
Text panelText(const RichItem& panel, Engine& engine);

}  // namespace qel::ui
