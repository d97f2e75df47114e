// The content of the rich controls: defaults at creation, sub-items found
// through chains, 追加 and 消せ, sorting and the table text.
#include <algorithm>
#include <cmath>

#include "core/values.h"
#include "text/brackets.h"
#include "ui/browser.h"
#include "ui/rich_support.h"

namespace qel::ui {

namespace {

bool isKind(const ScriptObject& o, KindId id) {
    return o.type == ObjectType::Control && o.kind && o.kind->id == id;
}

// The sub-item number written as N番目 (trimmed), if it is one.
std::optional<double> ordinal(Engine& engine, TextView written) {
    TextView t = text::trimBlanks(written);
    if (!text::endsWith(t, u"番目")) return std::nullopt;
    return engine.EvalNumber(t.substr(0, t.size() - 2));
}

// A path's node: each step is a child's text (or key) under the one before.
std::optional<int> nodeOfPath(const RichContent& rc, TextView path) {
    int parent = -1;
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find(rc.separator, start);
        if (rc.separator.empty()) end = TextView::npos;
        TextView step = path.substr(start, end == TextView::npos ? TextView::npos : end - start);
        int found = -1;
        for (std::size_t i = 0; i < rc.items.size(); ++i) {
            const RichItem& n = rc.items[i];
            if (n.parent == parent && (n.text == step || n.key == step)) {
                found = int(i);
                break;
            }
        }
        if (found < 0) return std::nullopt;
        if (end == TextView::npos) return found;
        parent = found;
        start = end + rc.separator.size();
    }
}

std::optional<int> matchItem(const RichContent& rc, const std::vector<RichItem>& items,
                             const Text& key, bool tree) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].key.empty() && items[i].key == key) return int(i);
    }
    if (tree) return nodeOfPath(rc, key);
    // Items added without a key answer to their text (the first such).
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].text == key) return int(i);
    }
    return std::nullopt;
}

// Whether every text reads as a number (then a column sorts by value).
bool allNumbers(const std::vector<const Text*>& texts) {
    for (const Text* t : texts) {
        if (!number::parse(*t)) return false;
    }
    return !texts.empty();
}

template <typename Key>
void stableOrder(std::vector<std::size_t>& order, Key key, bool numeric, bool descending) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Text& x = key(a);
        const Text& y = key(b);
        bool less = numeric ? *number::parse(x) < *number::parse(y) : x < y;
        bool more = numeric ? *number::parse(y) < *number::parse(x) : y < x;
        return descending ? more : less;
    });
}

const Text& rowText(const RichItem& item, int column) {
    static const Text kEmpty;
    if (column <= 0) return item.text;
    return std::size_t(column) <= item.cells.size() ? item.cells[std::size_t(column) - 1] : kEmpty;
}

void sortListView(RichContent& rc, int column, bool descending) {
    std::vector<std::size_t> order(rc.items.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<const Text*> texts;
    for (const RichItem& item : rc.items) texts.push_back(&rowText(item, column));
    auto key = [&](std::size_t i) -> const Text& { return rowText(rc.items[i], column); };
    stableOrder(order, key, allNumbers(texts), descending);
    std::vector<RichItem> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order) sorted.push_back(std::move(rc.items[i]));
    rc.items = std::move(sorted);
}

void sortGrid(RichContent& rc, int column, bool descending) {
    if (column < 0 || column >= rc.cols || rc.rows <= rc.fixedRows) return;
    std::vector<std::size_t> order;
    std::vector<const Text*> texts;
    for (int r = rc.fixedRows; r < rc.rows; ++r) {
        order.push_back(std::size_t(r));
        texts.push_back(&rc.cell(r, column));
    }
    auto key = [&](std::size_t r) -> const Text& { return rc.cell(int(r), column); };
    stableOrder(order, key, allNumbers(texts), descending);
    std::vector<Text> cells(rc.cells.begin(), rc.cells.begin() + rc.fixedRows * rc.cols);
    cells.reserve(rc.cells.size());
    for (std::size_t r : order) {
        for (int c = 0; c < rc.cols; ++c) cells.push_back(std::move(rc.cell(int(r), c)));
    }
    rc.cells = std::move(cells);
    rc.cellFormat.clear();  // formats stay with their places, not their rows
}

}  // namespace

bool richKindBuilt(KindId id) {
    switch (id) {
        case KindId::ListView:
        case KindId::TreeView:
        case KindId::Grid:
        case KindId::TabStrip:
        case KindId::ToolBar:
        case KindId::StatusBar:
        case KindId::Slider:
        case KindId::ProgressBar:
        case KindId::RichText:
        case KindId::Browser:
            return true;
        default:
            return false;
    }
}

bool isRich(const ScriptObject& object) {
    return object.rich != nullptr;
}

void notify(Engine& engine, const ScriptObject& object, RichChange change) {
    ObjectModel::widgets(engine).richChanged(object.widget, change);
}

void initRich(Engine& engine, ScriptObject& object) {
    if (object.kind && object.kind->id == KindId::RichText) {
        // Its text and looks live in the widget; it takes dropped files from the start.
        ObjectModel::widgets(engine).set(object.widget, WidgetValue::AcceptsDrops, 1.0);
        return;
    }
    if (!object.kind || !richKindBuilt(object.kind->id)) return;
    auto rc = std::make_shared<RichContent>();
    WidgetPort& port = ObjectModel::widgets(engine);
    switch (object.kind->id) {
        case KindId::ListView:
            rc->settings[RichSetting::Arrange] = 2;
            rc->settings[RichSetting::ColumnHeaders] = 1;
            port.set(object.widget, WidgetValue::Border, 0.0);
            break;
        case KindId::TreeView:
            rc->settings[RichSetting::Indentation] = 9;
            attachFolderImages(*rc);
            port.set(object.widget, WidgetValue::AcceptsDrops, 1.0);
            break;
        case KindId::StatusBar: {
            RichItem panel;
            panel.autoSize = 1;
            panel.width = 100;
            rc->items.push_back(panel);
            break;
        }
        case KindId::TabStrip:
        case KindId::ToolBar:
            port.set(object.widget, WidgetValue::AcceptsDrops, 1.0);
            break;
        case KindId::Grid:
            resizeGrid(*rc, 2, 2);
            rc->fixedRows = rc->fixedCols = 1;
            rc->row = rc->col = rc->selRow = rc->selCol = 1;
            port.set(object.widget, WidgetValue::AcceptsDrops, 1.0);
            port.set(object.widget, WidgetValue::Border, 1.0);
            break;
        case KindId::Slider:
            rc->settings[RichSetting::Maximum] = 10;
            rc->settings[RichSetting::SmallChange] = 1;
            rc->settings[RichSetting::LargeChange] = 5;
            rc->settings[RichSetting::TickFrequency] = 1;
            break;
        case KindId::ProgressBar:
            rc->settings[RichSetting::Maximum] = 100;
            break;
        default:
            break;
    }
    object.rich = rc;
    port.attachRich(object.widget, rc);
}

bool richProperty(PropertyContext& c) {
    if (!c.object.rich || !c.object.kind) return false;
    switch (c.object.kind->id) {
        case KindId::ListView:
            return listViewProperty(c);
        case KindId::TreeView:
            return treeViewProperty(c);
        case KindId::Grid:
            return gridProperty(c);
        case KindId::TabStrip:
        case KindId::ToolBar:
        case KindId::StatusBar:
            return barProperty(c);
        case KindId::Slider:
        case KindId::ProgressBar:
            return rangeProperty(c);
        case KindId::Browser:
            return browserProperty(c);
        default:
            return false;
    }
}

// ---- chains and items -------------------------------------------------------------

std::optional<Chain> splitChain(TextView name) {
    std::vector<Text> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t at = text::findOutside(name.substr(start), u"の", text::kArgumentBrackets);
        if (at == TextView::npos) {
            parts.emplace_back(text::trimBlanks(name.substr(start)));
            break;
        }
        parts.emplace_back(text::trimBlanks(name.substr(start, at)));
        start += at + 1;
    }
    if (parts.size() < 2) return std::nullopt;
    Chain chain;
    std::size_t next = 0;
    if (parts.size() >= 3 &&
        (nameKey(parts[0]) == nameKey(u"見出し") || nameKey(parts[0]) == nameKey(u"カラム"))) {
        chain.collection = parts[0];
        next = 1;
    }
    chain.item = parts[next];
    for (std::size_t i = next + 1; i < parts.size(); ++i) {
        if (i > next + 1) chain.property += u"の";
        chain.property += parts[i];
    }
    return chain;
}

std::optional<int> findItem(Engine& engine, const RichContent& rc,
                            const std::vector<RichItem>& items, TextView written, bool tree) {
    if (auto n = ordinal(engine, written)) {
        if (*n >= 1 && *n <= double(items.size()) && *n == std::floor(*n)) return int(*n) - 1;
        engine.Report(ErrorId::NoSuchItem, text::trimBlanks(written));
        return std::nullopt;
    }
    // The text as written names the item first (a path such as 果物/りんご
    // must not be read as a division); otherwise its value does (a variable).
    Text raw(text::trimBlanks(written));
    if (auto found = matchItem(rc, items, raw, tree)) return *found;
    Text key = engine.EvalText(written);
    if (key != raw) {
        if (auto found = matchItem(rc, items, key, tree)) return *found;
    }
    engine.Report(ErrorId::NoSuchItem, key);
    return std::nullopt;
}

Text nodePath(const RichContent& rc, int node) {
    Text path;
    for (int n = node; n >= 0; n = rc.items[std::size_t(n)].parent) {
        path = n == node ? rc.items[std::size_t(n)].text
                         : rc.items[std::size_t(n)].text + rc.separator + path;
    }
    return path;
}

// ---- 追加 and 消せ ------------------------------------------------------------------

void addRichItem(Engine& engine, ScriptObject& object, TextView rest, TextView written) {
    RichContent& rc = *object.rich;
    Text item = engine.EvalText(written);
    TextView where = text::trimBlanks(rest);
    const bool column =
        nameKey(where) == nameKey(u"見出し") || nameKey(where) == nameKey(u"カラム");
    if (auto images = imageListNamed(object, where)) {
        // 「リストビュー1の大きい絵」に「a.png」を追加: one more picture.
        return addImage(engine, object, **images, written);
    }
    if (isKind(object, KindId::ListView) && column) {
        RichItem col;
        col.text = item;
        col.width = 100;
        col.order = int(rc.columns.size());
        rc.columns.push_back(col);
        return notify(engine, object, {RichChange::Columns});
    }
    if (isKind(object, KindId::Grid)) {
        std::vector<Text> cells;
        for (TextView cell : text::split(item, u",")) cells.push_back(values::unescapeCell(cell));
        const int cols = rc.cols;
        addGridRow(rc, cells);
        // A row that widened the grid changes its shape; any other is one more row.
        if (rc.cols != cols) return notify(engine, object, {RichChange::Everything});
        return notify(engine, object, {RichChange::ItemsAdded, rc.rows - 1, 1});
    }
    if (!where.empty() && !isKind(object, KindId::TreeView)) {
        engine.Report(ErrorId::NoSuchItem, where);
        return;
    }
    RichItem added;
    added.text = item;
    if (isKind(object, KindId::ListView)) {
        // 「a,b,c」 fills the row's columns: the item, then its sub-items.
        std::vector<Text> cells;
        for (TextView cell : text::split(item, u",")) cells.push_back(values::unescapeCell(cell));
        added.text = cells.front();
        added.cells.assign(cells.begin() + 1, cells.end());
    }
    if (isKind(object, KindId::TreeView) && !where.empty()) {
        auto parent = nodeOfPath(rc, Text(where));
        if (!parent) parent = nodeOfPath(rc, engine.EvalText(where));
        if (!parent) {
            engine.Report(ErrorId::NoSuchItem, where);
            return;
        }
        added.parent = *parent;
    }
    if (isKind(object, KindId::StatusBar)) {
        added.style = panelKind(item);
        added.width = 100;
    }
    rc.items.push_back(std::move(added));
    if (isKind(object, KindId::TabStrip) && rc.items.size() == 1) rc.items[0].selected = true;
    notify(engine, object, {RichChange::ItemsAdded, int(rc.items.size()) - 1, 1});
}

void removeRichItem(Engine& engine, ScriptObject& object, TextView written) {
    RichContent& rc = *object.rich;
    if (isKind(object, KindId::Grid)) {
        // A grid removes a row by its number (counted from 0, the heading rows
        // included, as セルの縦 counts).
        double r = engine.EvalNumber(written);
        if (r < rc.fixedRows || r >= rc.rows || r != std::floor(r)) {
            engine.Report(ErrorId::NoSuchItem, text::trimBlanks(written));
            return;
        }
        auto at = rc.cells.begin() + std::ptrdiff_t(r) * rc.cols;
        rc.cells.erase(at, at + rc.cols);
        rc.cellFormat.clear();
        rc.rows -= 1;
        rc.rowHeights.resize(std::size_t(rc.rows), rc.rowHeights.empty() ? 20 : rc.rowHeights[0]);
        rc.row = std::min(rc.row, rc.rows - 1);
        rc.selRow = std::min(rc.selRow, rc.rows - 1);
        return notify(engine, object, {RichChange::Cells});
    }
    const bool tree = isKind(object, KindId::TreeView);
    auto index = findItem(engine, rc, rc.items, written, tree);
    if (!index) return;
    if (!tree) {
        const bool wasSelected = rc.items[std::size_t(*index)].selected;
        rc.items.erase(rc.items.begin() + *index);
        if (wasSelected && isKind(object, KindId::TabStrip) && !rc.items.empty())
            rc.items[std::size_t(std::min<int>(*index, int(rc.items.size()) - 1))].selected = true;
        return notify(engine, object, {RichChange::ItemRemoved, *index, 1});
    }
    // A node goes with everything under it; the parents of the nodes that
    // stay are renumbered.
    std::vector<bool> gone(rc.items.size(), false);
    gone[std::size_t(*index)] = true;
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        int p = rc.items[i].parent;
        if (p >= 0 && gone[std::size_t(p)]) gone[i] = true;
    }
    std::vector<int> renumber(rc.items.size(), -1);
    std::vector<RichItem> kept;
    for (std::size_t i = 0; i < rc.items.size(); ++i) {
        if (gone[i]) continue;
        renumber[i] = int(kept.size());
        kept.push_back(std::move(rc.items[i]));
    }
    for (RichItem& n : kept) {
        if (n.parent >= 0) n.parent = renumber[std::size_t(n.parent)];
    }
    rc.items = std::move(kept);
    notify(engine, object, {RichChange::Everything});
}

// ---- sorting ------------------------------------------------------------------------

void sortRows(Engine& engine, ScriptObject& object, int column, bool descending) {
    RichContent& rc = *object.rich;
    if (isKind(object, KindId::Grid)) {
        sortGrid(rc, column, descending);
    } else {
        sortListView(rc, column, descending);
    }
    rc.sortColumn = column;
    rc.sortDescending = descending;
    notify(engine, object, {RichChange::Everything});
}

void headerClicked(Engine& engine, ScriptObject& object, int column) {
    const RichContent& rc = *object.rich;
    const bool descending = rc.sortColumn == column && !rc.sortDescending;
    sortRows(engine, object, column, descending);
}

// ---- the table text ---------------------------------------------------------------

Text tableText(const std::vector<std::vector<Text>>& rows) {
    Text out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r) out += u"\r\n";
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (c) out += u',';
            out += values::escapeCell(rows[r][c]);
        }
    }
    return out;
}

std::vector<std::vector<Text>> parseTable(TextView table) {
    std::vector<std::vector<Text>> rows;
    if (table.empty()) return rows;
    std::size_t start = 0;
    while (start <= table.size()) {
        std::size_t end = table.find(u"\r\n", start);
        TextView line = table.substr(start, end == TextView::npos ? TextView::npos : end - start);
        std::vector<Text> cells;
        std::size_t cs = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i == line.size() || line[i] == u',' || line[i] == u'、' || line[i] == u'，') {
                cells.push_back(values::unescapeCell(line.substr(cs, i - cs)));
                cs = i + 1;
            }
        }
        rows.push_back(std::move(cells));
        if (end == TextView::npos) break;
        start = end + 2;
        if (start == table.size()) break;  // a closing CR LF adds no empty row
    }
    return rows;
}

}  // namespace qel::ui
