// The properties of list views: the control's own (look, switches, lists in
// one value), an item's (3番目の内容, りんごのチェック) and a column's
// (見出しの2番目の幅).
#include <algorithm>

#include "ui/rich_support.h"

namespace qel::ui {

namespace {

enum Id {
    Look,
    Arrange,
    FullRow,
    GridLines,
    HotTrack,
    Highlight,
    FlatBars,
    Headers,
    ColumnReorder,
    CheckBoxes,
    LabelEdit,
    LabelEditText,
    LabelEditCancel,
    Count,
    Content,
    Index,
    Check,
    MultiSelect,
    Selected,
    Whole,
    All,
    Details,
    Columns,
    ColumnWidths,
    SortColumn,
    LargeImages,
    SmallImages,
    MaskColour,
};

// clang-format off
constexpr PropertyName kNames[] = {
    {u"見た目", Look}, {u"スタイル", Look}, {u"整列", Arrange}, {u"行全体選択", FullRow},
    {u"補助線", GridLines}, {u"自動選択", HotTrack}, {u"強調表示", Highlight},
    {u"フラットスクロールバー", FlatBars}, {u"カラム表示", Headers},
    {u"カラム調整", ColumnReorder}, {u"チェックボックス", CheckBoxes},
    {u"ラベル編集", LabelEdit}, {u"ラベル編集後", LabelEditText},
    {u"ラベル編集中止", LabelEditCancel}, {u"個数", Count}, {u"数", Count},
    {u"内容", Content}, {u"番号", Index}, {u"チェック", Check}, {u"複数選択", MultiSelect},
    {u"選択一覧", Selected}, {u"全内容", Whole}, {u"一覧", All}, {u"詳細一覧", Details},
    {u"カラム一覧", Columns}, {u"カラム幅一覧", ColumnWidths}, {u"並び替え対象", SortColumn},
    {u"大きい絵", LargeImages}, {u"小さい絵", SmallImages}, {u"透明色", MaskColour},
};

enum ItemId { IText, ICheck, INumber, ILarge, ISmall, IBold, IColour, IGhost, ITip, IInfo, IRow };
constexpr PropertyName kItemNames[] = {
    {u"内容", IText}, {u"チェック", ICheck}, {u"番号", INumber}, {u"大きいアイコン", ILarge},
    {u"小さいアイコン", ISmall}, {u"太字", IBold}, {u"色", IColour}, {u"隠し表示", IGhost},
    {u"ヒント", ITip}, {u"情報", IInfo}, {u"全内容", IRow},
};

enum ColumnId { CText, CWidth, CAlign, COrder, CNumber };
constexpr PropertyName kColumnNames[] = {
    {u"内容", CText}, {u"幅", CWidth}, {u"表示位置", CAlign}, {u"順番", COrder},
    {u"番号", CNumber},
};
// clang-format on

template <std::size_t N>
std::optional<int> idOf(const PropertyName (&names)[N], TextView name) {
    Text key = nameKey(name);
    for (const PropertyName& row : names) {
        if (nameKey(row.name) == key) return row.id;
    }
    return std::nullopt;
}

std::vector<Text> rowOf(const RichItem& item) {
    std::vector<Text> row{item.text};
    row.insert(row.end(), item.cells.begin(), item.cells.end());
    return row;
}

void setRow(RichItem& item, const std::vector<Text>& row) {
    item.text = row.empty() ? Text() : row[0];
    item.cells.assign(row.size() > 1 ? row.begin() + 1 : row.end(), row.end());
}

int firstSelected(const RichContent& rc) {
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (rc.items[i].selected) return int(i);
    }
    return -1;
}

void selectOnly(RichContent& rc, int index) {
    for (std::size_t i = 0; i < rc.items.size(); ++i) rc.items[i].selected = int(i) == index;
}

void replaceRows(PropertyContext& c, const std::vector<std::vector<Text>>& rows) {
    RichContent& rc = content(c);
    rc.items.clear();
    rc.items.reserve(rows.size());
    for (const auto& row : rows) {
        RichItem item;
        setRow(item, row);
        rc.items.push_back(std::move(item));
    }
    notify(c, RichChange::Everything);
}

void itemProperty(PropertyContext& c, int index, int id) {
    RichItem& item = content(c).items[std::size_t(index)];
    RichChange changed{RichChange::ItemChanged, index, 1};
    switch (ItemId(id)) {
        case IText:
            return textField(c, item.text, changed);
        case ICheck:
            return flagField(c, item.checked, changed);
        case INumber:
            return readOnly(c, itemNumber(index));
        case ILarge:
            return imageField(c, content(c).largeImages, item.largeIcon, item.largeImage, changed);
        case ISmall:
            return imageField(c, content(c).smallImages, item.smallIcon, item.smallImage, changed);
        case IBold:
            return flagField(c, item.bold, changed);
        case IColour:
            return colourField(c, item.hasFore, item.foreColour, changed);
        case IGhost: {
            bool ghost = !item.enabled;
            flagField(c, ghost, changed);
            item.enabled = !ghost;
            return;
        }
        case ITip:
            return textField(c, item.tip, changed);
        case IInfo:
            return textField(c, item.info, changed);
        case IRow:
            if (c.getting()) {
                c.result.value = tableText({rowOf(item)});
                return;
            }
            setRow(item, parseTable(c.request.text).empty() ? std::vector<Text>{}
                                                            : parseTable(c.request.text)[0]);
            return notify(c, RichChange::ItemChanged, index);
    }
}

void columnProperty(PropertyContext& c, int index, int id) {
    RichItem& column = content(c).columns[std::size_t(index)];
    RichChange changed{RichChange::Columns, index, 1};
    switch (ColumnId(id)) {
        case CText:
            return textField(c, column.text, changed);
        case CWidth:
            return numberField(c, column.width, changed);
        case CAlign:
            return intWordField(c, column.alignment, {u"左", u"右", u"中央"}, changed);
        case COrder: {
            double order = column.order + 1;
            if (c.getting()) return readOnly(c, number::format(order));
            if (c.request.number < 1 || c.request.number > double(content(c).columns.size()))
                return reportBadValue(c);
            column.order = int(c.request.number) - 1;
            return notify(c, RichChange::Columns);
        }
        case CNumber:
            return readOnly(c, itemNumber(index));
    }
}

bool chained(PropertyContext& c) {
    auto chain = splitChain(c.request.name);
    if (!chain) return false;
    RichContent& rc = content(c);
    if (!chain->collection.empty()) {
        auto id = idOf(kColumnNames, chain->property);
        if (!id) return false;
        if (auto index = findItem(c.engine, rc, rc.columns, chain->item, false))
            columnProperty(c, *index, *id);
        return true;
    }
    auto id = idOf(kItemNames, chain->property);
    if (!id) return false;
    if (auto index = findItem(c.engine, rc, rc.items, chain->item, false))
        itemProperty(c, *index, *id);
    return true;
}

void selectedList(PropertyContext& c) {
    RichContent& rc = content(c);
    if (c.getting()) {
        std::vector<Text> chosen;
        for (const RichItem& item : rc.items) {
            if (item.selected) chosen.push_back(item.text);
        }
        c.result.value = text::join(chosen, u",");
        return;
    }
    for (RichItem& item : rc.items) item.selected = false;
    for (const Text& want : listParts(c)) {
        auto it = std::find_if(rc.items.begin(), rc.items.end(),
                               [&](const RichItem& i) { return i.text == want; });
        if (it == rc.items.end()) {
            c.engine.Report(ErrorId::NoSuchItem, want);
            continue;
        }
        it->selected = true;
    }
    notify(c, RichChange::Current);
}

void indexValue(PropertyContext& c) {
    RichContent& rc = content(c);
    if (c.getting()) {
        c.result.value = number::format(double(firstSelected(rc) + 1));
        return;
    }
    double n = c.request.number;
    if (n < 0 || n > double(rc.items.size()) || n != std::floor(n)) {
        c.engine.Report(ErrorId::NoSuchItem, c.request.text);
        return;
    }
    selectOnly(rc, int(n) - 1);
    notify(c, RichChange::Current);
}

void selectedItemField(PropertyContext& c, bool check) {
    RichContent& rc = content(c);
    int at = firstSelected(rc);
    if (at < 0) {
        if (c.getting()) return;  // nothing selected reads empty
        c.engine.Report(ErrorId::NoSuchItem, c.request.name);
        return;
    }
    if (check)
        return flagField(c, rc.items[std::size_t(at)].checked, {RichChange::ItemChanged, at});
    textField(c, rc.items[std::size_t(at)].text, {RichChange::ItemChanged, at});
}

std::vector<std::vector<Text>> detailRows(const RichContent& rc, bool headings) {
    std::vector<std::vector<Text>> rows;
    rows.reserve(rc.items.size() + 1);
    if (headings) {
        std::vector<Text> head;
        for (const RichItem& col : rc.columns) head.push_back(col.text);
        rows.push_back(std::move(head));
    }
    for (const RichItem& item : rc.items) rows.push_back(rowOf(item));
    return rows;
}

void tableValue(PropertyContext& c, bool headings) {
    RichContent& rc = content(c);
    if (c.getting()) {
        c.result.value = tableText(detailRows(rc, headings));
        return;
    }
    auto rows = parseTable(c.request.text);
    if (headings && !rows.empty()) {
        rc.columns.clear();
        for (const Text& head : rows.front()) {
            RichItem col;
            col.text = head;
            col.width = 100;
            col.order = int(rc.columns.size());
            rc.columns.push_back(col);
        }
        rows.erase(rows.begin());
    }
    replaceRows(c, rows);
}

void apply(PropertyContext& c, int id) {
    RichContent& rc = content(c);
    switch (Id(id)) {
        case Look:
            return settingWord(c, RichSetting::ViewStyle,
                               {u"大きいアイコン", u"小さいアイコン", u"一覧", u"詳細"});
        case Arrange:
            return settingWord(c, RichSetting::Arrange, {u"なし", u"左", u"上"});
        case FullRow:
            return settingSwitch(c, RichSetting::FullRowSelect);
        case GridLines:
            return settingSwitch(c, RichSetting::GridLines);
        case HotTrack:
            return settingSwitch(c, RichSetting::HotTracking);
        case Highlight:
            return settingSwitch(c, RichSetting::HideSelection);
        case FlatBars:
            return settingSwitch(c, RichSetting::FlatScrollBar);
        case Headers:
            return settingSwitch(c, RichSetting::ColumnHeaders);
        case ColumnReorder:
            return settingSwitch(c, RichSetting::ColumnReorder);
        case CheckBoxes:
            return settingSwitch(c, RichSetting::CheckBoxes);
        case LabelEdit:
            return settingSwitch(c, RichSetting::LabelEdit);
        case LabelEditText:
            return readOnly(c, rc.labelEditText);
        case LabelEditCancel:
            return flagField(c, rc.labelEditCancel, {RichChange::Settings});
        case Count:
            return readOnly(c, number::format(double(rc.items.size())));
        case Content:
            return selectedItemField(c, false);
        case Index:
            return indexValue(c);
        case Check:
            return selectedItemField(c, true);
        case MultiSelect:
            return settingSwitch(c, RichSetting::MultiSelect);
        case Selected:
            return selectedList(c);
        case Whole:
            return tableValue(c, true);
        case Details:
            return tableValue(c, false);
        case All:
            if (c.getting()) {
                std::vector<Text> texts;
                texts.reserve(rc.items.size());
                for (const RichItem& item : rc.items) texts.push_back(item.text);
                c.result.value = text::join(texts, u",");
                return;
            }
            {
                std::vector<std::vector<Text>> rows;
                if (!c.request.text.empty()) {
                    for (const Text& part : listParts(c)) rows.push_back({part});
                }
                return replaceRows(c, rows);
            }
        case Columns:
        case ColumnWidths: {
            if (!c.getting()) return c.result.notWritable = true, void();
            std::vector<Text> out;
            for (const RichItem& col : rc.columns)
                out.push_back(id == Columns ? col.text : number::format(col.width));
            c.result.value = text::join(out, u",");
            return;
        }
        case SortColumn:
            if (c.getting()) return readOnly(c, number::format(double(rc.sortColumn + 1)));
            if (c.request.number < 1 ||
                c.request.number > double(std::max<std::size_t>(rc.columns.size(), 1)))
                return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
            return sortRows(c.engine, c.object, int(c.request.number) - 1, false);
        case LargeImages:
            return imageListValue(c, rc.largeImages);
        case SmallImages:
            return imageListValue(c, rc.smallImages);
        case MaskColour:
            return maskColourValue(c, true);
    }
}

}  // namespace

bool listViewProperty(PropertyContext& c) {
    if (auto id = idOf(kNames, c.request.name)) {
        apply(c, *id);
        return true;
    }
    return chained(c);
}

}  // namespace qel::ui
