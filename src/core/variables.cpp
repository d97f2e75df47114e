// Variables in three scopes (procedure-local, program-local, global) and the
// element syntax of lists, tables and dictionaries.
#include <cmath>

#include "core/engine.h"
#include "core/text/brackets.h"
#include "core/text/number.h"
#include "core/values.h"

namespace qel {

using text::npos;

namespace {

// Larger element numbers are refused: a script that writes X(1000000000)
// must get an error, not exhaust the machine's memory.
constexpr long long kMaxElement = 10'000'000;

struct Index {
    bool dictionary = false;
    Text key;               // dictionary key
    long long first = 0;    // column (one index) or row (two)
    long long second = 0;   // column when two
    bool two = false;
};

long long toElement(TextView value) {
    double v = std::nearbyint(number::toNumber(value));
    if (v > double(kMaxElement) + 1) return kMaxElement + 1;
    if (v < -1) return -1;
    return static_cast<long long>(v);
}

// The text of row r (1-based) of a table, empty past the end.
TextView rowOf(TextView table, long long r) {
    std::size_t start = 0;
    for (long long i = 1; i < r; ++i) {
        std::size_t p = table.find(kCRLF, start);
        if (p == npos) return {};
        start = p + 2;
    }
    std::size_t end = table.find(kCRLF, start);
    return table.substr(start, end == npos ? npos : end - start);
}

// Cell c (c >= 1) of a list whose separators are already ",".
TextView cellOf(TextView list, long long c) {
    std::size_t start = 0;
    for (long long i = 1; i < c; ++i) {
        std::size_t p = list.find(u',', start);
        if (p == npos) return {};
        start = p + 1;
    }
    std::size_t end = list.find(u',', start);
    return list.substr(start, end == npos ? npos : end - start);
}

// Replaces cell c of a list (c >= 1), extending it with empty cells.
Text replaceCell(TextView list, long long c, TextView value) {
    std::size_t start = 0;
    long long commas = 0;
    for (; commas < c - 1; ++commas) {
        std::size_t p = list.find(u',', start);
        if (p == npos) break;
        start = p + 1;
    }
    if (commas < c - 1) {
        Text out(list);
        out.append(std::size_t(c - 1 - commas), u',');
        out += value;
        return out;
    }
    std::size_t end = list.find(u',', start);
    Text out(list.substr(0, start));
    out += value;
    if (end != npos) out += list.substr(end);
    return out;
}

}  // namespace

xxCmdData* Engine::FindVariable(TextView name) {
    if (inProcedure && procLocals) {
        if (xxCmdData* entry = procLocals->find(name)) return entry;
    }
    if (currentLevel >= 0 && std::size_t(currentLevel) < programLevels.size()) {
        const auto& locals = programLevels[currentLevel]->locals;
        if (locals) {
            if (xxCmdData* entry = locals->find(name)) return entry;
        }
    }
    return globals.find(name);
}

// An index text: outer （…） removed, split at the first separator outside
// brackets, each part evaluated.
static bool evaluateIndex(Engine& engine, TextView indexText, Index& index) {
    TextView t = text::trimBlanks(indexText);
    if (t.size() >= 2 && t.front() == u'（' && t.back() == u'）') t = t.substr(1, t.size() - 2);
    std::size_t split = npos;
    for (TextView separator : {TextView(u","), TextView(u"、"), TextView(u"，")}) {
        split = text::findOutside(t, separator, text::BracketPairs{u"「（(［", u"」）)］"});
        if (split != npos) break;
    }
    Text first = engine.EvalText(split == npos ? t : t.substr(0, split));
    if (!number::readsAsNumber(first)) {
        index.dictionary = true;
        index.key = std::move(first);
        return true;
    }
    index.first = toElement(first);
    if (split != npos) {
        index.two = true;
        index.second = toElement(engine.EvalText(t.substr(split + 1)));
    }
    if (index.first > kMaxElement || index.second > kMaxElement) {
        engine.ReportErrorNo(31, 48, indexText);
        return false;
    }
    return true;
}

Text Engine::GetVariable(TextView name, bool& notFound, TextView indexText) {
    notFound = false;
    if (name.empty()) return {};
    xxCmdData* entry = FindVariable(name);
    if (!entry) {
        notFound = true;
        return {};
    }
    if (indexText.empty()) return entry->Value;
    Index index;
    if (!evaluateIndex(*this, indexText, index)) return {};
    if (index.dictionary) return values::DictGet(entry->Value, index.key);
    TextView working = entry->Value;
    long long column = index.first;
    if (index.two) {
        if (index.first < 0) {
            ReportErrorNo(37, 48);
            return {};
        }
        if (index.first == 0) return {};
        working = rowOf(working, index.first);
        column = index.second;
    }
    if (column < 0) {
        ReportErrorNo(37, 48);
        return {};
    }
    Text list = values::unifySeparators(working);
    if (column == 0) return list;
    return values::unescapeCell(cellOf(list, column));
}

void Engine::SetVariable(TextView target, TextView value) {
    std::size_t open = target.find(u'（');
    if (open == npos) open = target.find(u'(');
    if (open == npos) {
        xxCmdData* entry = FindVariable(target);
        if (!entry) {
            auto created = std::make_shared<xxCmdData>();
            created->Name = Text(target);
            entry = created.get();
            globals.add(target, std::move(created));
        }
        entry->Value = Text(value);
        return;
    }
    std::size_t close = target.rfind(u'）');
    if (close == npos) close = target.rfind(u')');
    if (close == npos || close < open) {
        ReportErrorNo(23, 48, target);
        return;
    }
    TextView name = target.substr(0, open);
    TextView indexText = target.substr(open + 1, close - open - 1);
    bool notFound = false;
    Text current = GetVariable(name, notFound);
    Index index;
    if (!evaluateIndex(*this, indexText, index)) return;
    Text updated;
    if (index.dictionary) {
        updated = values::DictSet(current, index.key, value);
    } else {
        long long column = index.two ? index.second : index.first;
        if (index.first < 0 || column < 0) {
            ReportErrorNo(37, 48);
            return;
        }
        if (index.two && index.first == 0) {
            // Row 0 would be the whole table; writing it is refused.
            ReportErrorNo(9, 48, u"0");
            return;
        }
        Text cellValue = column != 0 ? values::escapeCell(value) : Text(value);
        auto writeCell = [&](TextView list) -> Text {
            if (column == 0) return cellValue;
            return replaceCell(values::unifySeparators(list), column, cellValue);
        };
        if (index.two) {
            std::vector<Text> rows;
            std::size_t start = 0;
            for (std::size_t p = current.find(kCRLF); p != npos; p = current.find(kCRLF, start)) {
                rows.emplace_back(current.substr(start, p - start));
                start = p + 2;
            }
            rows.emplace_back(current.substr(start));
            if (std::size_t(index.first) > rows.size()) rows.resize(std::size_t(index.first));
            Text& row = rows[std::size_t(index.first) - 1];
            row = writeCell(row);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (i > 0) updated += kCRLF;
                updated += rows[i];
            }
        } else {
            updated = writeCell(current);
        }
    }
    SetVariable(name, updated);
}

void Engine::DeclareLocals(TextView list) {
    std::shared_ptr<KeyedTable>* scope;
    if (inProcedure) {
        scope = &procLocals;
    } else {
        scope = &currentProgram().locals;
    }
    if (!*scope) *scope = std::make_shared<KeyedTable>();
    for (const Text& item : values::splitArguments(list)) {
        Text name(text::trimBlanks(values::unescapeCell(item)));
        if ((*scope)->find(name)) {
            ReportError(name + u"は、すでに利用されています。", 299, 16, name);
            return;
        }
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = name;
        (*scope)->add(name, std::move(entry));
    }
}

}  // namespace qel
