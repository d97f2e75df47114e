// The table functions (rows at CR LF, cells at ","): counting, searching,
// filtering, inserting and deleting rows, column statistics; and the
// commands that reorder or insert into a text in its variable: 並び替え, 挿入.
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "core/values.h"
#include "library/registry/function_support.h"
#include "library/strings/text_commands.h"
#include "library/tables/tables.h"
#include "library/textio/progress.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

namespace {

// The column argument: a number, or "すべて" (also 0 or nothing) for every
// column.
struct ColumnChoice {
    bool all = false;
    double number = 0;
};

ColumnChoice columnArgument(FnArgs& a, std::size_t i) {
    const Text& t = a.text(i);
    if (t == u"すべて" || t == u"全て" || text::trimBlanks(t).empty()) return {true, 0};
    double n = std::nearbyint(number::toNumber(t));
    if (n == 0) return {true, 0};
    return {false, n};
}

// Reports a table walk to the progress procedure: after each row, and once
// more at the end with the row count twice.
class Progress {
  public:
    Progress(Engine& engine, std::size_t total) : engine_(engine), total_(total) {}
    void finish() { step(total_); }
    void step(std::size_t done) {
        if (ProgressOn(engine_)) NotifyProgress(engine_, double(done), double(total_));
    }

  private:
    Engine& engine_;
    std::size_t total_;
};

// The table text with its list separators read as ",".
Text unified(TextView table) {
    return values::unifySeparators(table);
}

// The rows of a table, without one trailing CR LF.
std::vector<Text> tableRows(TextView table) {
    std::vector<Text> rows;
    if (table.empty()) return rows;
    TextView t = text::endsWith(table, kCRLF) ? table.substr(0, table.size() - 2) : table;
    for (TextView row : splitRows(t)) rows.emplace_back(row);
    return rows;
}

bool matchesValue(TextView entry, TextView value, bool exact) {
    return exact ? entry == value : text::contains(entry, value);
}

// Cells of a row with their escapes undone.
std::vector<Text> decodedCells(TextView row) {
    std::vector<Text> cells;
    for (TextView cell : splitCells(row)) cells.push_back(values::unescapeCell(cell));
    return cells;
}

// Entries that are not numbers go back into cell form before a join.
Text cellForm(TextView entry) {
    return number::readsAsNumber(entry) ? Text(entry) : values::escapeCell(entry);
}

// cellForm(entry) added to `out`. An entry without a separator or CR is its
// own cell form either way, so most are copied without the number test.
void appendCellForm(Text& out, TextView entry) {
    for (char16_t c : entry) {
        if (c == u',' || c == u'、' || c == u'，' || c == kCR) {
            out += cellForm(entry);
            return;
        }
    }
    out += entry;
}

// Row numbers (1-based) from texts like "2" or "1,3".
void rowNumbers(FnArgs& a, std::size_t first, std::vector<int64_t>& out) {
    for (std::size_t i = first; i < std::max(a.written(), first + 1); ++i) {
        for (TextView piece : splitCells(a.text(i))) {
            if (text::trimBlanks(piece).empty()) continue;
            double n = number::toNumber(piece);
            out.push_back(toInt32(n));
        }
    }
}

// Sorting keys: numbers before texts, numbers by value, texts by their
// characters.
struct SortKey {
    bool isNumber;
    double number;
    TextView text;
};

SortKey sortKey(TextView entry, bool textOnly) {
    if (!textOnly) {
        if (auto n = number::parse(entry)) return {true, *n, entry};
    }
    return {false, 0, entry};
}

bool keyLess(const SortKey& a, const SortKey& b) {
    if (a.isNumber != b.isNumber) return a.isNumber;
    if (a.isNumber) return a.number < b.number;
    return a.text < b.text;
}

// The largest (or smallest) of the non-empty entries, read strictly; 0 when
// there is none. An entry that is not a number is reported (error 8).
void extreme(Text& result, Text& args, Engine& engine, bool largest) {
    FnArgs a(engine, args, 2);
    std::optional<double> best;
    Text bad;
    bool failed = false;
    auto visit = [&](TextView e) {
        if (failed || e.empty()) return;
        auto n = number::parse(e);
        if (!n) {
            failed = true;
            bad = Text(e);
            return;
        }
        if (!best || (largest ? *n > *best : *n < *best)) best = *n;
    };
    if (!forEachColumnEntry(engine, a.text(0), a.number(1), visit)) return;
    if (failed) {
        engine.Report(ErrorId::BadNumber, bad);
        return;
    }
    result = numberResult(best.value_or(0));
}

}  // namespace

// ---- counting ------------------------------------------------------------------------

void fnArrayCount(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    Text t = unified(a.text(0));
    if (text::endsWith(t, kCRLF)) t.resize(t.size() - 2);
    if (t.empty()) {
        result = u"0";
        return;
    }
    const Text& direction = a.text(1);
    std::size_t rows = 0, commas = 0, widest = 0, cells = 1;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u',') {
            ++commas;
            ++cells;
        } else if (t[i] == kCR && i + 1 < t.size() && t[i + 1] == kLF) {
            ++rows;
            widest = std::max(widest, cells);
            cells = 1;
        }
    }
    widest = std::max(widest, cells);
    if (direction == u"行") {
        result = number::format(double(rows + 1));
    } else if (direction == u"列") {
        // The columns of a table are the cells of its widest row.
        result = number::format(double(widest));
    } else {
        result = number::format(double(commas + rows + 1));
    }
}

// ---- searching and filtering ------------------------------------------------------------

void fnArraySearch(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 4);
    // A progress procedure runs between rows of the search over every cell,
    // and could change the table under a view of it.
    TextView table = ProgressOn(engine) ? TextView(a.text(0)) : a.view(0);
    const Text& value = a.text(1);
    ColumnChoice column = columnArgument(a, 2);
    bool exact = a.text(3) == u"完全一致";
    // Cells are compared with their escapes undone, in both kinds of search,
    // so a value holding "," is found as it was stored.
    Text found;
    auto addRow = [&](std::size_t row) {
        if (!found.empty()) found += u',';
        found += number::format(double(row));
    };
    if (column.all) {
        std::vector<TextView> rows = splitRows(table);
        Progress progress(engine, rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (TextView cell : splitCells(rows[r])) {
                if (matchesValue(values::unescapeCell(cell), value, exact)) {
                    addRow(r + 1);
                    break;
                }
            }
            progress.step(r + 1);
        }
        progress.finish();
    } else {
        // The walk ends before the progress procedure first runs.
        std::size_t rows = 0;
        auto visit = [&](TextView e) {
            ++rows;
            if (matchesValue(e, value, exact)) addRow(rows);
        };
        if (!forEachColumnEntry(engine, table, column.number, visit)) return;
        Progress progress(engine, rows);
        for (std::size_t r = 0; r < rows; ++r) progress.step(r + 1);
        progress.finish();
    }
    result = std::move(found);
}

void fnArrayExtract(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 4);
    const Text& table = a.text(0);
    const Text& value = a.text(1);
    ColumnChoice column = columnArgument(a, 2);
    const Text& mode = a.text(3);
    bool invert = text::startsWith(mode, u"一致しない");
    bool exact = mode == u"完全一致";
    std::vector<Text> out;
    auto take = [&](TextView entry) {
        if (matchesValue(entry, value, exact) != invert) out.push_back(cellForm(entry));
    };
    forEachColumnEntry(engine, table, column.all ? 0 : column.number, take);
    result = text::join(out, u",");
}

void fnArrayJudge(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    Text table = a.text(0);
    auto test = parseValueTest(engine, a.raw(1).empty() ? Text() : a.text(1));
    if (!test) return;
    ColumnChoice column = columnArgument(a, 2);
    if (!column.all && column.number < 0) {
        engine.Report(ErrorId::BadColumnNumber);
        return;
    }
    std::vector<Text> kept;
    for (const Text& row : tableRows(table)) {
        std::vector<Text> cells = decodedCells(row);
        bool holds = false;
        if (column.all) {
            for (const Text& cell : cells) {
                auto r = runValueTest(engine, *test, cell);
                if (!r) return;
                if (*r) {
                    holds = true;
                    break;
                }
            }
        } else {
            std::size_t c = std::size_t(column.number);
            auto r = runValueTest(engine, *test,
                                  c <= cells.size() ? TextView(cells[c - 1]) : TextView());
            if (!r) return;
            holds = *r;
        }
        if (holds) kept.push_back(row);
    }
    result = text::join(kept, kCRLF);
}

void fnColumnSearch(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    const Text& value = a.text(1);
    bool exact = a.text(2) == u"完全一致";
    std::vector<bool> hit;
    for (TextView row : splitRows(a.text(0))) {
        std::vector<Text> cells = decodedCells(row);
        if (hit.size() < cells.size()) hit.resize(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (!hit[c] && matchesValue(cells[c], value, exact)) hit[c] = true;
        }
    }
    std::vector<Text> columns;
    for (std::size_t c = 0; c < hit.size(); ++c) {
        if (hit[c]) columns.push_back(number::format(double(c + 1)));
    }
    result = text::join(columns, u",");
}

// ---- changing rows ----------------------------------------------------------------------

void fnArrayDelete(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    std::vector<Text> rows = tableRows(a.text(0));
    std::vector<int64_t> numbers;
    rowNumbers(a, 1, numbers);
    std::vector<bool> drop(rows.size(), false);
    for (int64_t n : numbers) {
        if (n < 1 || n > int64_t(rows.size())) {
            engine.Report(ErrorId::NoSuchRow, number::format(double(n)));
            return;
        }
        drop[std::size_t(n - 1)] = true;
    }
    std::vector<Text> kept;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!drop[r]) kept.push_back(std::move(rows[r]));
    }
    result = text::join(kept, kCRLF);
}

void fnArrayInsert(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    std::vector<Text> rows = tableRows(a.text(0));
    double n = a.number(1);
    int64_t at = toInt32(n);
    if (at < 1) {
        engine.Report(ErrorId::NoSuchRow, number::format(n));
        return;
    }
    // Every padded row costs memory of its own, not only its line break.
    if (!lengthAllowed(engine, double(at) * 32)) return;
    // A row past the end is reached through empty rows, as writing T(r,c) does.
    if (at > int64_t(rows.size()) + 1) rows.resize(std::size_t(at - 1));
    std::vector<Text> inserted = textLines(a.text(2));
    rows.insert(rows.begin() + (at - 1), inserted.begin(), inserted.end());
    result = text::join(rows, kCRLF);
}

void fnArrayMap(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    const Text& table = a.text(0);
    // The expression is used as written and evaluated once per element,
    // with それ standing for the element.
    TextView expression = a.raw(1);
    if (expression.size() >= 2 && expression.front() == u'「' && expression.back() == u'」') {
        expression = expression.substr(1, expression.size() - 2);
    }
    if (expression.empty()) {
        engine.Report(ErrorId::FunctionArgumentsMissing);
        return;
    }
    ColumnChoice column = columnArgument(a, 2);
    if (!column.all && column.number < 0) {
        engine.Report(ErrorId::BadColumnNumber);
        return;
    }
    Restore<ValueText> keepAnswer(engine.answer);
    Text expr(expression);
    auto apply = [&](TextView cell) {
        engine.answer = values::unescapeCell(cell);
        return cellForm(engine.EvalText(expr));
    };
    std::vector<Text> rows;
    for (TextView row : splitRows(table)) {
        std::vector<TextView> cells = splitCells(row);
        std::vector<Text> out;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (column.all || std::size_t(column.number) == c + 1) {
                out.push_back(apply(cells[c]));
            } else {
                out.emplace_back(cells[c]);
            }
        }
        rows.push_back(text::join(out, u","));
        if (engine.stopRequested) break;
    }
    result = text::join(rows, kCRLF);
}

// ---- columns and statistics ---------------------------------------------------------------

void fnColumnExtract(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    Text out;
    bool first = true;
    // Entries go back into cell form, so an entry holding "," stays one cell.
    auto take = [&](TextView e) {
        if (!first) out += u',';
        first = false;
        appendCellForm(out, e);
    };
    if (!forEachColumnEntry(engine, a.view(0), a.number(1), take)) return;
    result = std::move(out);
}

void fnSum(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    double sum = 0;
    if (!forEachColumnEntry(engine, a.text(0), a.number(1),
                            [&](TextView e) { sum += number::toNumber(e); }))
        return;
    result = numberResult(sum);
}

void fnAverage(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    double sum = 0;
    std::size_t count = 0;
    auto add = [&](TextView e) {
        if (e.empty()) return;
        sum += number::toNumber(e);
        ++count;
    };
    if (!forEachColumnEntry(engine, a.text(0), a.number(1), add)) return;
    // A column without entries averages to 0, as its largest value is 0.
    result = numberResult(count == 0 ? 0.0 : sum / double(count));
}

void fnMax(Text& result, Text& args, Engine& engine) {
    extreme(result, args, engine, true);
}
void fnMin(Text& result, Text& args, Engine& engine) {
    extreme(result, args, engine, false);
}

void fnStandardScore(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    std::vector<std::optional<double>> values;
    auto visit = [&](TextView e) {
        if (e.empty()) {
            values.emplace_back();
        } else {
            values.emplace_back(number::toNumber(e));
        }
    };
    if (!forEachColumnEntry(engine, a.text(0), a.number(1), visit)) return;
    double sum = 0, squares = 0;
    std::size_t count = 0;
    for (const auto& v : values) {
        if (!v) continue;
        sum += *v;
        ++count;
    }
    if (count == 0) return;
    double mean = sum / double(count);
    for (const auto& v : values) {
        if (v) squares += (*v - mean) * (*v - mean);
    }
    // The score 50 + 10 (x − mean) / σ with the population deviation; when
    // every entry is the same, every score is 50.
    double sigma = std::sqrt(squares / double(count));
    std::vector<Text> scores;
    for (const auto& v : values) {
        if (!v) {
            scores.emplace_back();
            continue;
        }
        scores.push_back(numberResult(sigma == 0 ? 50.0 : 50 + 10 * (*v - mean) / sigma));
    }
    result = text::join(scores, u",");
}

// ---- commands --------------------------------------------------------------------------------

void cmdSort(StatementRecord& record, Engine& engine) {
    Text options = AskParticle(record, u"で");
    if (Args(record).woArg.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    TextSubject s = readTextSubject(engine, Args(record).woArg);
    bool descending = false, textOnly = false;
    int64_t column = 0;
    if (!options.empty()) {
        Text o = text::toHalfWidth(options);
        descending = text::contains(options, u"降順") || text::contains(options, u"大きい順") ||
                     text::contains(options, u"逆順");
        textOnly = text::contains(options, u"文字順") || text::contains(options, u"辞書順");
        std::size_t unit = o.find(u"列目");
        if (unit != Text::npos) {
            std::size_t start = unit;
            while (start > 0 && o[start - 1] >= u'0' && o[start - 1] <= u'9') --start;
            Text digits = o.substr(start, unit - start);
            if (digits.empty()) {
                // A column given by an expression: the text before 列目.
                digits = engine.EvalText(TextView(o).substr(0, unit));
            }
            column = toInt32(number::toNumber(digits));
            if (column < 0) {
                engine.Report(ErrorId::BadColumnNumber);
                return;
            }
        }
    }
    Text value = s.value;
    bool trailing = text::endsWith(value, kCRLF);
    if (trailing) value.resize(value.size() - 2);
    bool oneList = value.find(kCRLF) == Text::npos && column == 0;
    std::vector<Text> items;
    if (oneList) {
        for (TextView cell : splitCells(value)) items.emplace_back(cell);
    } else {
        items = textLines(value);
    }
    std::vector<SortKey> keys;
    std::vector<Text> keyTexts(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (oneList || column == 0) {
            keyTexts[i] = oneList ? values::unescapeCell(items[i]) : items[i];
        } else {
            std::vector<TextView> cells = splitCells(items[i]);
            keyTexts[i] = std::size_t(column) <= cells.size()
                              ? values::unescapeCell(cells[std::size_t(column - 1)])
                              : Text();
        }
    }
    for (const Text& k : keyTexts) keys.push_back(sortKey(k, textOnly));
    std::vector<std::size_t> order(items.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        return descending ? keyLess(keys[y], keys[x]) : keyLess(keys[x], keys[y]);
    });
    std::vector<Text> sorted;
    for (std::size_t i : order) sorted.push_back(items[i]);
    Text out = text::join(sorted, oneList ? TextView(u",") : kCRLF);
    if (trailing) out += kCRLF;
    finishTextCommand(engine, s, out);
}

void cmdInsert(StatementRecord& record, Engine& engine) {
    Text where = Args(record).heArg;
    if (Args(record).woArg.empty() || where.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    Text target = where, placeText;
    std::optional<TextPlace> place;
    Text before, after;
    if (splitAtNo(where, before, after)) {
        target = before;
        placeText = after;
        bool reported = false;
        place = readTextPlace(engine, placeText, reported);
        if (!place) {
            if (reported) return;
            engine.Report(ErrorId::ValueNotRight, u"挿入する位置");
            return;
        }
    }
    TextSubject s = readTextSubject(engine, target);
    Text insert = engine.EvalText(Args(record).woArg);
    Text value = s.value;
    if (!place) {
        value = insert + value;  // no place: at the start
    } else if (place->kind == TextPlace::Character) {
        std::size_t at = std::min<std::size_t>(std::size_t(place->index - 1), value.size());
        value.insert(at, insert);
    } else if (place->kind == TextPlace::Line) {
        if (!lengthAllowed(engine, double(place->index) * 32)) return;
        std::vector<Text> lines = value.empty() ? std::vector<Text>{} : textLines(value);
        if (place->index > int64_t(lines.size()) + 1) lines.resize(std::size_t(place->index - 1));
        std::vector<Text> added = textLines(insert);
        lines.insert(lines.begin() + (place->index - 1), added.begin(), added.end());
        value = text::join(lines, kCRLF);
    } else {
        if (!lengthAllowed(engine, double(place->index) * 32)) return;
        value = unified(value);
        std::vector<Text> cells;
        if (!value.empty()) {
            for (TextView c : splitCells(value)) cells.emplace_back(c);
        }
        if (place->index > int64_t(cells.size()) + 1) cells.resize(std::size_t(place->index - 1));
        cells.insert(cells.begin() + (place->index - 1), values::escapeCell(insert));
        value = text::join(cells, u",");
    }
    finishTextCommand(engine, s, value);
}

}  // namespace qel
