// The properties of grids (表): the current cell and its look, the size, the
// selection, and the whole content as the language's table text.
//
// Cells are numbered from 0 on both axes, the heading row and column (固定)
// included, so 表1のセルの位置は1,1 is the first cell under the headings.
#include <algorithm>
#include <cmath>

#include "ui/rich_support.h"

namespace qel::ui {

namespace {

enum Id {
    Position,
    Col,
    Row,
    Size,
    Cols,
    Rows,
    Width,
    Height,
    Align,
    Back,
    Fore,
    Bold,
    Italic,
    Underline,
    FontName,
    FontSize,
    Picture,
    AllWidths,
    AllHeights,
    LineColour,
    Lines,
    SelSize,
    SelPosition,
    SelBounds,
    Data,
    Whole,
    SelData,
    Headings,
    HeadingWidths,
    HeadingLines,
    Items,
    ItemHeights,
    Sort,
    Content,
    FixedRows,
    FixedCols,
};
// clang-format off
constexpr PropertyName kNames[] = {
    {u"セルの位置", Position}, {u"セルの横", Col}, {u"セルの縦", Row}, {u"セルの量", Size},
    {u"セルの横の量", Cols}, {u"セルの縦の量", Rows}, {u"セルの幅", Width},
    {u"セルの高さ", Height}, {u"セルの文字位置", Align}, {u"セルの背景色", Back},
    {u"セルの文字色", Fore}, {u"セルの太字", Bold}, {u"セルの斜体", Italic},
    {u"セルの下線", Underline}, {u"セルのフォント名", FontName},
    {u"セルのフォントサイズ", FontSize}, {u"セルの絵", Picture}, {u"全セルの幅", AllWidths},
    {u"全セルの高さ", AllHeights}, {u"線の色", LineColour}, {u"セルの線", Lines},
    {u"選択セルの大きさ", SelSize}, {u"選択セルの位置", SelPosition},
    {u"選択セルの位置と大きさ", SelBounds}, {u"一覧", Data}, {u"全一覧", Whole},
    {u"全内容", Whole}, {u"選択一覧", SelData}, {u"見出し一覧", Headings},
    {u"見出し幅一覧", HeadingWidths}, {u"見出しの線", HeadingLines}, {u"項目一覧", Items},
    {u"項目高さ一覧", ItemHeights}, {u"ソート", Sort}, {u"内容", Content},
    {u"固定行数", FixedRows}, {u"固定列数", FixedCols},
};
// clang-format on

constexpr double kColumnWidth = 64, kRowHeight = 20;

std::optional<int> idOf(TextView name) {
    Text key = nameKey(name);
    for (const PropertyName& row : kNames) {
        if (nameKey(row.name) == key) return row.id;
    }
    return std::nullopt;
}

// The request's whole numbers (10,20 or one value); nothing when one is not.
std::optional<std::vector<int>> wholeNumbers(PropertyContext& c, std::size_t count) {
    std::vector<Text> parts = count == 1 ? std::vector<Text>{c.request.text} : listParts(c);
    if (parts.size() != count) return reportBadValue(c), std::nullopt;
    std::vector<int> out;
    for (const Text& p : parts) {
        auto n = number::parse(text::toHalfWidth(p));
        if (!n || *n != std::floor(*n) || std::fabs(*n) > 1e7)
            return reportBadValue(c), std::nullopt;
        out.push_back(int(*n));
    }
    return out;
}

Text pair(int a, int b) {
    return number::format(double(a)) + u"," + number::format(double(b));
}

CellFormat& formatOf(RichContent& rc, int r, int col) {
    if (rc.cellFormat.size() != rc.cells.size()) rc.cellFormat.assign(rc.cells.size(), -1);
    int& at = rc.cellFormat[std::size_t(r) * std::size_t(rc.cols) + std::size_t(col)];
    if (at < 0) {
        at = int(rc.formats.size());
        rc.formats.emplace_back();
    }
    return rc.formats[std::size_t(at)];
}

CellFormat current(const RichContent& rc) {
    if (rc.cellFormat.size() != rc.cells.size()) return {};
    int at = rc.cellFormat[std::size_t(rc.row) * std::size_t(rc.cols) + std::size_t(rc.col)];
    return at < 0 ? CellFormat{} : rc.formats[std::size_t(at)];
}

// A change to the current cell's look: read from a copy, written in place.
template <typename F>
void cellLook(PropertyContext& c, F field) {
    RichContent& rc = content(c);
    CellFormat look = current(rc);
    if (c.getting()) return field(look);
    field(formatOf(rc, rc.row, rc.col));
    notify(c, RichChange::Cells);
}

void moveTo(PropertyContext& c, int col, int row) {
    RichContent& rc = content(c);
    if (col < 0 || col >= rc.cols || row < 0 || row >= rc.rows) {
        c.engine.Report(ErrorId::NoSuchItem, pair(col, row));
        return;
    }
    rc.col = rc.selCol = col;
    rc.row = rc.selRow = row;
    notify(c, RichChange::Current);
}

void resize(PropertyContext& c, int cols, int rows) {
    RichContent& rc = content(c);
    if (cols < 1 || rows < 1 || cols < rc.fixedCols || rows < rc.fixedRows)
        return reportBadValue(c);
    resizeGrid(rc, rows, cols);
    notify(c, RichChange::Columns);
}

std::vector<std::vector<Text>> block(const RichContent& rc, int r0, int c0, int r1, int c1) {
    std::vector<std::vector<Text>> rows;
    rows.reserve(std::size_t(std::max(0, r1 - r0)));
    for (int r = r0; r < r1; ++r) {
        std::vector<Text> row;
        row.reserve(std::size_t(std::max(0, c1 - c0)));
        for (int col = c0; col < c1; ++col) row.push_back(rc.cell(r, col));
        rows.push_back(std::move(row));
    }
    return rows;
}

// Writes a table into the grid from (r0, c0), growing the grid to hold it
// and emptying what it held there before.
void fill(PropertyContext& c, int r0, int c0, TextView table) {
    RichContent& rc = content(c);
    auto rows = parseTable(table);
    std::size_t widest = 0;
    for (const auto& row : rows) widest = std::max(widest, row.size());
    resizeGrid(rc, std::max(r0 + int(rows.size()), rc.fixedRows + 1),
               std::max(c0 + int(widest), rc.fixedCols + 1));
    for (int r = r0; r < rc.rows; ++r) {
        for (int col = c0; col < rc.cols; ++col) {
            const std::size_t i = std::size_t(r - r0), j = std::size_t(col - c0);
            rc.cell(r, col) = i < rows.size() && j < rows[i].size() ? rows[i][j] : Text();
        }
    }
    // Exactly as many rows as the table: a grid filled anew has no rows left over.
    resizeGrid(rc, std::max(r0 + int(rows.size()), rc.fixedRows + 1), rc.cols);
    rc.row = std::min(rc.row, rc.rows - 1), rc.selRow = std::min(rc.selRow, rc.rows - 1);
    notify(c, RichChange::Everything);
}

Text joinedLine(const RichContent& rc, bool columns) {
    std::vector<Text> out;
    if (columns) {
        for (int col = rc.fixedCols; col < rc.cols; ++col)
            out.push_back(rc.fixedRows ? rc.cell(0, col) : Text());
    } else {
        for (int r = rc.fixedRows; r < rc.rows; ++r)
            out.push_back(rc.fixedCols ? rc.cell(r, 0) : Text());
    }
    return text::join(out, u",");
}

void setLine(PropertyContext& c, bool columns) {
    RichContent& rc = content(c);
    std::vector<Text> parts = listParts(c);
    if (columns) {
        if (!rc.fixedRows) return reportBadValue(c);
        resizeGrid(rc, rc.rows, std::max(rc.cols, rc.fixedCols + int(parts.size())));
        for (std::size_t i = 0; i < parts.size(); ++i) rc.cell(0, rc.fixedCols + int(i)) = parts[i];
    } else {
        if (!rc.fixedCols) return reportBadValue(c);
        resizeGrid(rc, std::max(rc.rows, rc.fixedRows + int(parts.size())), rc.cols);
        for (std::size_t i = 0; i < parts.size(); ++i) rc.cell(rc.fixedRows + int(i), 0) = parts[i];
    }
    notify(c, RichChange::Everything);
}

Text sizes(const std::vector<double>& values) {
    std::vector<Text> out;
    for (double v : values) out.push_back(number::format(v));
    return text::join(out, u",");
}

void apply(PropertyContext& c, int id) {
    RichContent& rc = content(c);
    const bool get = c.getting();
    switch (Id(id)) {
        case Position:
            if (get) return readOnly(c, pair(rc.col, rc.row));
            if (auto v = wholeNumbers(c, 2)) moveTo(c, (*v)[0], (*v)[1]);
            return;
        case Col:
            if (get) return readOnly(c, number::format(double(rc.col)));
            if (auto v = wholeNumbers(c, 1)) moveTo(c, (*v)[0], rc.row);
            return;
        case Row:
            if (get) return readOnly(c, number::format(double(rc.row)));
            if (auto v = wholeNumbers(c, 1)) moveTo(c, rc.col, (*v)[0]);
            return;
        case Size:
            if (get) return readOnly(c, pair(rc.cols, rc.rows));
            if (auto v = wholeNumbers(c, 2)) resize(c, (*v)[0], (*v)[1]);
            return;
        case Cols:
            if (get) return readOnly(c, number::format(double(rc.cols)));
            if (auto v = wholeNumbers(c, 1)) resize(c, (*v)[0], rc.rows);
            return;
        case Rows:
            if (get) return readOnly(c, number::format(double(rc.rows)));
            if (auto v = wholeNumbers(c, 1)) resize(c, rc.cols, (*v)[0]);
            return;
        case Width:
            return numberField(c, rc.colWidths[std::size_t(rc.col)], {RichChange::Columns});
        case Height:
            return numberField(c, rc.rowHeights[std::size_t(rc.row)], {RichChange::Columns});
        case Align:
            return cellLook(c, [&](CellFormat& f) {
                intWordField(c, f.alignment,
                             {u"左上", u"左中央", u"左下", u"中央上", u"中央", u"中央下", u"右上",
                              u"右中央", u"右下", u"標準"},
                             {RichChange::Settings});
            });
        case Back:
            return cellLook(c, [&](CellFormat& f) {
                colourField(c, f.hasBack, f.backColour, {RichChange::Settings});
            });
        case Fore:
            return cellLook(c, [&](CellFormat& f) {
                colourField(c, f.hasFore, f.foreColour, {RichChange::Settings});
            });
        case Bold:
            return cellLook(c,
                            [&](CellFormat& f) { flagField(c, f.bold, {RichChange::Settings}); });
        case Italic:
            return cellLook(c,
                            [&](CellFormat& f) { flagField(c, f.italic, {RichChange::Settings}); });
        case Underline:
            return cellLook(
                c, [&](CellFormat& f) { flagField(c, f.underline, {RichChange::Settings}); });
        case FontName:
            return cellLook(
                c, [&](CellFormat& f) { textField(c, f.fontName, {RichChange::Settings}); });
        case FontSize:
            return cellLook(
                c, [&](CellFormat& f) { numberField(c, f.fontSize, {RichChange::Settings}); });
        case Picture:
            return cellLook(
                c, [&](CellFormat& f) { textField(c, f.picture, {RichChange::Settings}); });
        case AllWidths:
        case AllHeights: {
            auto& values = id == AllWidths ? rc.colWidths : rc.rowHeights;
            if (get) return setOnly(c);
            if (c.request.number < 0) return reportBadValue(c);
            std::fill(values.begin(), values.end(), c.request.number);
            return notify(c, RichChange::Columns);
        }
        case LineColour: {
            double colour = rc.setting(RichSetting::LineColour, 0xC0C0C0);
            if (get) return readOnly(c, number::format(double(fromRgb(std::uint32_t(colour)))));
            auto value = ColourValue(c.engine, c.request.text);
            if (!value) return reportBadValue(c);
            rc.settings[RichSetting::LineColour] = toRgb(*value);
            return notify(c, RichChange::Settings);
        }
        case Lines:
            return settingWord(c, RichSetting::GridLineStyle,
                               {u"なし", u"通常", u"くぼみ", u"浮き出し"});
        case HeadingLines:
            return settingWord(c, RichSetting::HeaderLines,
                               {u"なし", u"通常", u"くぼみ", u"浮き出し"});
        case SelSize:
            if (get)
                return readOnly(
                    c, pair(std::abs(rc.selCol - rc.col) + 1, std::abs(rc.selRow - rc.row) + 1));
            if (auto v = wholeNumbers(c, 2)) {
                int sc = rc.col + (*v)[0] - 1, sr = rc.row + (*v)[1] - 1;
                if ((*v)[0] < 1 || (*v)[1] < 1 || sc >= rc.cols || sr >= rc.rows)
                    return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
                rc.selCol = sc, rc.selRow = sr;
                notify(c, RichChange::Current);
            }
            return;
        case SelPosition:
            if (get)
                return readOnly(c, pair(std::min(rc.col, rc.selCol), std::min(rc.row, rc.selRow)));
            if (auto v = wholeNumbers(c, 2)) moveTo(c, (*v)[0], (*v)[1]);
            return;
        case SelBounds:
            if (get)
                return readOnly(
                    c,
                    pair(std::min(rc.col, rc.selCol), std::min(rc.row, rc.selRow)) + u"," +
                        pair(std::abs(rc.selCol - rc.col) + 1, std::abs(rc.selRow - rc.row) + 1));
            if (auto v = wholeNumbers(c, 4)) {
                const auto& n = *v;
                if (n[2] < 1 || n[3] < 1 || n[0] + n[2] > rc.cols || n[1] + n[3] > rc.rows ||
                    n[0] < 0 || n[1] < 0)
                    return c.engine.Report(ErrorId::NoSuchItem, c.request.text), void();
                rc.col = n[0], rc.row = n[1], rc.selCol = n[0] + n[2] - 1,
                rc.selRow = n[1] + n[3] - 1;
                notify(c, RichChange::Current);
            }
            return;
        case Data:
            if (get)
                return readOnly(c,
                                tableText(block(rc, rc.fixedRows, rc.fixedCols, rc.rows, rc.cols)));
            return fill(c, rc.fixedRows, rc.fixedCols, c.request.text);
        case Whole:
            if (get) return readOnly(c, tableText(block(rc, 0, 0, rc.rows, rc.cols)));
            return fill(c, 0, 0, c.request.text);
        case SelData: {
            if (!get) return c.result.notWritable = true, void();
            int r0 = std::min(rc.row, rc.selRow), r1 = std::max(rc.row, rc.selRow) + 1;
            int c0 = std::min(rc.col, rc.selCol), c1 = std::max(rc.col, rc.selCol) + 1;
            c.result.value = tableText(block(rc, r0, c0, r1, c1));
            return;
        }
        case Headings:
            if (get) return readOnly(c, joinedLine(rc, true));
            return setLine(c, true);
        case Items:
            if (get) return readOnly(c, joinedLine(rc, false));
            return setLine(c, false);
        case HeadingWidths:
        case ItemHeights: {
            auto& values = id == HeadingWidths ? rc.colWidths : rc.rowHeights;
            if (get) return readOnly(c, sizes(values));
            std::vector<Text> parts = listParts(c);
            for (std::size_t i = 0; i < parts.size() && i < values.size(); ++i) {
                auto n = number::parse(text::toHalfWidth(parts[i]));
                if (!n || *n < 0) return reportBadValue(c);
                values[i] = *n;
            }
            return notify(c, RichChange::Columns);
        }
        case Sort: {
            int order = int(rc.setting(RichSetting::SortOrder));
            if (get)
                return intWordField(c, order, {u"なし", u"昇順", u"降順"}, {RichChange::Settings});
            auto n = wordNumber(c, {u"なし", u"昇順", u"降順"});
            if (!n) return;
            rc.settings[RichSetting::SortOrder] = *n;
            if (*n > 0) sortRows(c.engine, c.object, rc.col, *n == 2);
            return;
        }
        case Content:
            if (!get && c.request.text.size() > kMaxContentLength)
                return c.engine.Report(ErrorId::ContentTooLarge), void();
            return textField(c, rc.cell(rc.row, rc.col), {RichChange::Cells});
        case FixedRows:
        case FixedCols: {
            int& fixed = id == FixedRows ? rc.fixedRows : rc.fixedCols;
            if (get) return readOnly(c, number::format(double(fixed)));
            auto v = wholeNumbers(c, 1);
            if (!v) return;
            const int limit = id == FixedRows ? rc.rows : rc.cols;
            if ((*v)[0] < 0 || (*v)[0] >= limit) return reportBadValue(c);
            fixed = (*v)[0];
            return notify(c, RichChange::Everything);
        }
    }
}

}  // namespace

void resizeGrid(RichContent& rc, int rows, int cols) {
    if (rows == rc.rows && cols == rc.cols) return;
    std::vector<Text> cells(std::size_t(rows) * std::size_t(cols));
    const int keepRows = std::min(rows, rc.rows), keepCols = std::min(cols, rc.cols);
    for (int r = 0; r < keepRows; ++r) {
        for (int c = 0; c < keepCols; ++c)
            cells[std::size_t(r) * std::size_t(cols) + std::size_t(c)] = std::move(rc.cell(r, c));
    }
    rc.cells = std::move(cells);
    rc.cellFormat.clear();
    rc.rows = rows, rc.cols = cols;
    rc.colWidths.resize(std::size_t(cols), kColumnWidth);
    rc.rowHeights.resize(std::size_t(rows), kRowHeight);
    rc.row = std::min(rc.row, rows - 1), rc.col = std::min(rc.col, cols - 1);
    rc.selRow = std::min(rc.selRow, rows - 1), rc.selCol = std::min(rc.selCol, cols - 1);
    rc.fixedRows = std::min(rc.fixedRows, rows - 1),
    rc.fixedCols = std::min(rc.fixedCols, cols - 1);
    if (rc.fixedRows < 0) rc.fixedRows = 0;
    if (rc.fixedCols < 0) rc.fixedCols = 0;
}

void addGridRow(RichContent& rc, const std::vector<Text>& cells) {
    // The row's cells start in the first column under the headings; a row
    // wider than the grid widens it.
    const int first = rc.fixedCols;
    const int cols = std::max(rc.cols, first + int(cells.size()));
    if (cols != rc.cols) resizeGrid(rc, rc.rows, cols);
    rc.cells.resize(rc.cells.size() + std::size_t(rc.cols));
    rc.rows += 1;
    rc.rowHeights.push_back(rc.rowHeights.empty() ? kRowHeight : rc.rowHeights.back());
    if (!rc.cellFormat.empty()) rc.cellFormat.resize(rc.cells.size(), -1);
    for (std::size_t i = 0; i < cells.size(); ++i) rc.cell(rc.rows - 1, first + int(i)) = cells[i];
}

bool gridProperty(PropertyContext& c) {
    auto id = idOf(c.request.name);
    if (!id) return false;
    apply(c, *id);
    return true;
}

}  // namespace qel::ui
