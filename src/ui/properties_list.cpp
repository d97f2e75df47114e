// The properties of list boxes, drop-down lists, folder lists and drive lists.
#include <algorithm>

#include "ui/property_support.h"

namespace qel::ui {

namespace {

enum Id { Count, Index, Sorted, MultiSelect, All, Add, Remove, Selected, Folder, Drive };

// clang-format off
constexpr PropertyName kListNames[] = {
    {u"数", Count}, {u"個数", Count}, {u"番号", Index}, {u"ソート", Sorted},
    {u"複数選択", MultiSelect}, {u"一覧", All}, {u"追加", Add}, {u"削除", Remove},
    {u"選択一覧", Selected},
};
constexpr PropertyName kFolderNames[] = {
    {u"個数", Count}, {u"番号", Index}, {u"フォルダ", Folder},
};
constexpr PropertyName kDriveNames[] = {
    {u"個数", Count}, {u"番号", Index}, {u"ドライブ", Drive},
};
// clang-format on

Text joined(const std::vector<Text>& items) {
    return text::join(items, u",");
}

void addItems(PropertyContext& c) {
    for (const Text& item : listParts(c)) port(c).addItem(c.object.widget, item);
}

void all(PropertyContext& c) {
    if (c.getting()) {
        c.result.value = joined(port(c).items(c.object.widget));
        return;
    }
    port(c).clearItems(c.object.widget);
    if (!c.request.text.empty()) addItems(c);
}

void remove(PropertyContext& c) {
    if (c.getting()) return setOnly(c);
    int index = int(c.request.number);
    if (!port(c).removeItem(c.object.widget, index))
        c.engine.Report(ErrorId::NoSuchItem, c.request.text);
}

void selected(PropertyContext& c) {
    WidgetPort& p = port(c);
    std::vector<Text> items = p.items(c.object.widget);
    if (c.getting()) {
        std::vector<Text> chosen;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (p.itemSelected(c.object.widget, int(i))) chosen.push_back(items[i]);
        }
        c.result.value = joined(chosen);
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) p.selectItem(c.object.widget, int(i), false);
    for (const Text& want : listParts(c)) {
        auto it = std::find(items.begin(), items.end(), want);
        if (it == items.end()) {
            c.engine.Report(ErrorId::NoSuchItem, want);
            continue;
        }
        p.selectItem(c.object.widget, int(it - items.begin()), true);
    }
}

void index(PropertyContext& c) {
    if (c.getting()) return numberValue(c, WidgetValue::ListIndex);
    if (!port(c).set(c.object.widget, WidgetValue::ListIndex, c.request.number))
        c.engine.Report(ErrorId::NoSuchItem, c.request.text);
}

void apply(PropertyContext& c, int id) {
    switch (Id(id)) {
        case Count:
            return readOnly(c, number::format(double(port(c).items(c.object.widget).size())));
        case Index:
            return index(c);
        case Sorted:
            return switchValue(c, WidgetValue::Sorted);
        case MultiSelect:
            return switchValue(c, WidgetValue::MultiSelect);
        case All:
            return all(c);
        case Add:
            if (c.getting()) return setOnly(c);
            return addItems(c);
        case Remove:
            return remove(c);
        case Selected:
            return selected(c);
        case Folder:
            if (c.getting()) return textValue(c, WidgetValue::Folder);
            if (!c.engine.files().folderExists(text::toUtf8(c.request.text)))
                return c.engine.Report(ErrorId::NotFound, c.request.text), void();
            port(c).set(c.object.widget, WidgetValue::Folder, c.request.text);
            fillFileList(c.engine, c.object);
            return;
        case Drive:
            if (c.getting()) return textValue(c, WidgetValue::Drive);
            if (!port(c).set(c.object.widget, WidgetValue::Drive, c.request.text))
                c.engine.Report(ErrorId::NoSuchItem, c.request.text);
            return;
    }
}

}  // namespace

const PropertyFamily kListProperties{kListNames, apply};
const PropertyFamily kFolderListProperties{kFolderNames, apply};
const PropertyFamily kDriveListProperties{kDriveNames, apply};

void fillFileList(Engine& engine, ScriptObject& object) {
    WidgetPort& p = ObjectModel::widgets(engine);
    if (object.widgetKind == WidgetKind::DriveList) {
        std::vector<MountPoint> mounts = engine.files().mountPoints();
        if (mounts.empty()) return;  // the widget's own list stands
        p.clearItems(object.widget);
        for (const MountPoint& mount : mounts) {
            std::string path = mount.path;
            if (path.size() > 1 && path.back() == '/') path.pop_back();
            p.addItem(object.widget, text::fromUtf8(path));
        }
        p.set(object.widget, WidgetValue::ListIndex, 0.0);
        return;
    }
    if (object.widgetKind != WidgetKind::FolderList) return;
    auto folder = p.get(object.widget, WidgetValue::Folder);
    if (!folder || !std::holds_alternative<Text>(*folder)) return;
    std::vector<FolderEntry> entries;
    p.clearItems(object.widget);
    if (!engine.files().listFolder(text::toUtf8(std::get<Text>(*folder)), entries)) return;
    std::vector<Text> names;
    for (const FolderEntry& entry : entries) {
        if (entry.kind == FileKind::Folder) names.push_back(text::fromUtf8(entry.name));
    }
    std::sort(names.begin(), names.end());
    for (const Text& name : names) p.addItem(object.widget, name);
}

}  // namespace qel::ui
