// The properties of tree views: the control's own and a node's, the node
// named by its number (2番目), its key or its path (親\子, split by 区切り文字).
#include <algorithm>

#include "ui/rich_support.h"

namespace qel::ui {

namespace {

enum Id {
    Content,
    Select,
    Check,
    Count,
    Index,
    All,
    Highlight,
    CheckBoxes,
    FullRow,
    LabelEdit,
    LabelEditText,
    LabelEditCancel,
    Separator,
    FolderIcons,
    MaskColour,
};
// clang-format off
constexpr PropertyName kNames[] = {
    {u"内容", Content}, {u"選択", Select}, {u"チェック", Check}, {u"個数", Count},
    {u"番号", Index}, {u"一覧", All}, {u"強調表示", Highlight},
    {u"チェックボックス", CheckBoxes}, {u"行全体選択", FullRow}, {u"ラベル編集", LabelEdit},
    {u"ラベル編集後", LabelEditText}, {u"ラベル編集中止", LabelEditCancel},
    {u"区切り文字", Separator}, {u"フォルダアイコン", FolderIcons},
    {u"透明色", MaskColour},
};
enum NodeId { NText, NNumber, NCheck, NPicture, NBold, NBack, NInfo, NPath, NExpand, NCount,
              NVisible, NSort, NParent, NColour };
constexpr PropertyName kNodeNames[] = {
    {u"内容", NText}, {u"番号", NNumber}, {u"チェック", NCheck}, {u"絵", NPicture},
    {u"太字", NBold}, {u"背景", NBack}, {u"情報", NInfo}, {u"パス", NPath}, {u"展開", NExpand},
    {u"個数", NCount}, {u"表示", NVisible}, {u"並び替え", NSort}, {u"親", NParent},
    {u"色", NColour},
};
// clang-format on

std::optional<int> idIn(std::span<const PropertyName> names, TextView name) {
    Text key = nameKey(name);
    for (const PropertyName& row : names) {
        if (nameKey(row.name) == key) return row.id;
    }
    return std::nullopt;
}

int selectedNode(const RichContent& rc) {
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].selected) return int(i);
    }
    return -1;
}

void selectNode(RichContent& rc, int node) {
    for (std::size_t i = 0; i < rc.items.size(); ++i) rc.items[i].selected = int(i) == node;
    // A node chosen by the script is shown: its parents open.
    for (int p = node >= 0 ? rc.items[std::size_t(node)].parent : -1; p >= 0;
         p = rc.items[std::size_t(p)].parent)
        rc.items[std::size_t(p)].expanded = true;
}

// The children of `parent` put in order of their texts (the nodes keep their
// numbers; a tree shows children in the order they stand in the list).
void sortChildren(RichContent& rc, int parent) {
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].parent == parent) places.push_back(i);
    }
    std::vector<std::size_t> order = places;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return rc.items[a].text < rc.items[b].text;
    });
    // Rebuild the list: each sorted child moves to the next place of the old
    // order, and every reference to a moved node follows it.
    std::vector<int> moved(rc.items.size());
    for (std::size_t i = 0; i < moved.size(); ++i) moved[i] = int(i);
    for (std::size_t k = 0; k < places.size(); ++k) moved[order[k]] = int(places[k]);
    std::vector<RichItem> items(rc.items.size());
    for (std::size_t i = 0; i < rc.items.size(); ++i)
        items[std::size_t(moved[i])] = std::move(rc.items[i]);
    for (RichItem& n : items) {
        if (n.parent >= 0) n.parent = moved[std::size_t(n.parent)];
    }
    rc.items = std::move(items);
}

void nodeProperty(PropertyContext& c, int node, int id) {
    RichContent& rc = content(c);
    RichItem& n = rc.items[std::size_t(node)];
    RichChange changed{RichChange::ItemChanged, node, 1};
    switch (NodeId(id)) {
        case NText:
            return textField(c, n.text, changed);
        case NNumber:
            return readOnly(c, itemNumber(node));
        case NCheck:
            return flagField(c, n.checked, changed);
        case NPicture:
            return imageField(c, content(c).smallImages, n.picture, n.smallImage, changed);
        case NBold:
            return flagField(c, n.bold, changed);
        case NBack:
            return colourField(c, n.hasBack, n.backColour, changed);
        case NInfo:
            return textField(c, n.info, changed);
        case NPath:
            return readOnly(c, nodePath(rc, node));
        case NExpand:
            return flagField(c, n.expanded, changed);
        case NCount:
            return readOnly(c, number::format(double(std::count_if(
                                   rc.items.begin(), rc.items.end(),
                                   [&](const RichItem& i) { return i.parent == node; }))));
        case NVisible:
            if (c.getting()) return flagField(c, n.visible, changed);
            if (c.request.number != 0) {
                const bool wasSelected = n.selected;
                selectNode(rc, node);
                rc.items[std::size_t(node)].selected = wasSelected;
            }
            return notify(c, RichChange::Everything);
        case NSort:
            if (c.getting()) return setOnly(c);
            if (c.request.number != 0) sortChildren(rc, node);
            return notify(c, RichChange::Everything);
        case NParent:
            return readOnly(c, n.parent >= 0 ? nodePath(rc, n.parent) : Text());
        case NColour:
            return colourField(c, n.hasFore, n.foreColour, changed);
    }
}

// Without a selected node the selection's properties read empty, and
// setting one names no node.
void noSelection(PropertyContext& c) {
    if (!c.getting()) c.engine.Report(ErrorId::NoSuchItem, c.request.name);
}

void apply(PropertyContext& c, int id) {
    RichContent& rc = content(c);
    int at = selectedNode(rc);
    switch (Id(id)) {
        case Content:
            if (at < 0) return noSelection(c);
            return textField(c, rc.items[std::size_t(at)].text, {RichChange::ItemChanged, at});
        case Select: {
            if (c.getting()) return readOnly(c, at < 0 ? Text() : nodePath(rc, at));
            auto node = findItem(c.engine, rc, rc.items, u"「" + c.request.text + u"」", true);
            if (!node) return;
            selectNode(rc, *node);
            return notify(c, RichChange::Current);
        }
        case Check:
            if (at < 0) return noSelection(c);
            return flagField(c, rc.items[std::size_t(at)].checked, {RichChange::ItemChanged, at});
        case Count:
            return readOnly(c, number::format(double(rc.items.size())));
        case Index:
            if (c.getting()) return readOnly(c, number::format(double(at + 1)));
            if (c.request.number < 1 || c.request.number > double(rc.items.size()))
                return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
            selectNode(rc, int(c.request.number) - 1);
            return notify(c, RichChange::Current);
        case All: {
            if (!c.getting()) return c.result.notWritable = true, void();
            std::vector<Text> paths;
            for (std::size_t i = 0; i < rc.items.size(); ++i) paths.push_back(nodePath(rc, int(i)));
            c.result.value = text::join(paths, u",");
            return;
        }
        case Highlight:
            return settingSwitch(c, RichSetting::HideSelection);
        case CheckBoxes:
            return settingSwitch(c, RichSetting::CheckBoxes);
        case FullRow:
            return settingSwitch(c, RichSetting::FullRowSelect);
        case LabelEdit:
            return settingSwitch(c, RichSetting::LabelEdit);
        case LabelEditText:
            return readOnly(c, rc.labelEditText);
        case LabelEditCancel:
            return flagField(c, rc.labelEditCancel, {RichChange::Settings});
        case Separator:
            if (!c.getting() && c.request.text.empty()) return reportBadValue(c);
            return textField(c, rc.separator, {RichChange::Settings});
        case FolderIcons:
            return settingSwitch(c, RichSetting::FolderIcons);
        case MaskColour:
            return maskColourValue(c, false);
    }
}

}  // namespace

bool treeViewProperty(PropertyContext& c) {
    if (auto id = idIn(kNames, c.request.name)) {
        apply(c, *id);
        return true;
    }
    auto chain = splitChain(c.request.name);
    if (!chain || !chain->collection.empty()) return false;
    auto id = idIn(kNodeNames, chain->property);
    if (!id) return false;
    RichContent& rc = content(c);
    if (auto node = findItem(c.engine, rc, rc.items, chain->item, true))
        nodeProperty(c, *node, *id);
    return true;
}

}  // namespace qel::ui
