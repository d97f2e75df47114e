// Variables in three scopes (procedure-local, program-local, global) and the
// element syntax of lists, tables and dictionaries.
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "core/evaluator.h"
#include "core/values.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using text::npos;

namespace {

// Larger element numbers are refused: a script that writes X(1000000000)
// must get an error, not exhaust the machine's memory.
constexpr long long kMaxElement = 10'000'000;

struct Index {
    bool dictionary = false;
    Text key;              // dictionary key
    long long first = 0;   // column (one index) or row (two)
    long long second = 0;  // column when two
    bool two = false;
};

long long toElement(double number) {
    double v = std::nearbyint(number);
    if (v > double(kMaxElement) + 1) return kMaxElement + 1;
    if (v < -1) return -1;
    return static_cast<long long>(v);
}

bool isListSeparator(char16_t c) {
    // Digits and Latin letters, most of what cells hold, lie below 、: one
    // comparison settles them.
    if (c < u'、') return c == u',';
    return c == u'、' || c == u'，';
}

// Cell c (c >= 1) of a list; "、" and "，" separate cells as "," does.
TextView cellOf(TextView list, long long c) {
    std::size_t start = 0;
    long long cell = 1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!isListSeparator(list[i])) continue;
        if (cell == c) return list.substr(start, i - start);
        ++cell;
        start = i + 1;
    }
    return cell == c ? list.substr(start) : TextView();
}

// An index text taken apart once (outer （…） removed, split at the first
// separator outside brackets), with each part's analysis.
struct IndexPlan {
    Text firstText, secondText;
    std::shared_ptr<eval::ArgPlan> first, second;  // null: evaluate the text
    bool two = false;
};

std::shared_ptr<const IndexPlan> makeIndexPlan(Engine& engine, TextView indexText) {
    auto made = std::make_shared<IndexPlan>();
    TextView t = text::trimBlanks(indexText);
    if (t.size() >= 2 && t.front() == u'（' && t.back() == u'）') t = t.substr(1, t.size() - 2);
    std::size_t split = npos;
    for (TextView separator : {TextView(u","), TextView(u"、"), TextView(u"，")}) {
        split = text::findOutside(t, separator, text::BracketPairs{u"「（(［", u"」）)］"});
        if (split != npos) break;
    }
    made->firstText = Text(split == npos ? t : t.substr(0, split));
    made->first = engine.tryPlanFor(made->firstText);
    if (split != npos) {
        made->two = true;
        made->secondText = Text(t.substr(split + 1));
        made->second = engine.tryPlanFor(made->secondText);
    }
    return made;
}

// `remembered`, when given, holds the plan of this very index text from an
// earlier run of the same statement (a statement's index text never changes).
const IndexPlan& indexPlanOf(Engine& engine, TextView indexText, std::shared_ptr<const void>& keep,
                             std::shared_ptr<const void>* remembered = nullptr) {
    if (remembered && *remembered) {
        keep = *remembered;
        return *static_cast<const IndexPlan*>(keep.get());
    }
    auto& cache = engine.caches().indexPlans;
    auto it = cache.find(indexText);
    if (it == cache.end()) {
        if (cache.size() >= 100000) cache.clear();
        it = cache.emplace(Text(indexText), makeIndexPlan(engine, indexText)).first;
    }
    keep = it->second;  // evaluating a part may run code that empties the cache
    if (remembered) *remembered = keep;
    return *static_cast<const IndexPlan*>(keep.get());
}

// The value of one part of an index: its number when its text reads as one,
// else its text. A variable or a literal that holds a number gives it
// without being written out and read back.
struct IndexPart {
    bool isNumber = false;
    double number = 0;
    Text text;
};

IndexPart evaluateIndexPart(Engine& engine, const eval::ArgPlan* plan, TextView text) {
    IndexPart part;
    const ValueText* held = nullptr;
    if (plan && plan->kind == eval::PlanKind::Name && !plan->hasArgumentBracket &&
        plan->argument.empty() && !plan->name.empty()) {
        if (const xxCmdData* variable = engine.FindVariable(plan->name, plan->lookup))
            held = &variable->Value;
    }
    if (held) {
        part.isNumber = held->readsAsNumber(part.number);
        if (!part.isNumber) part.text = held->text();
        return part;
    }
    part.text = plan && plan->kind == eval::PlanKind::Constant ? plan->constant
                : plan                                         ? engine.EvalPlanned(*plan, text)
                                                               : engine.EvalText(text);
    if (auto number = number::parse(part.text)) {
        part.isNumber = true;
        part.number = *number;
    }
    return part;
}

// The entry at `slot` of a procedure's locals when it stands under `name`.
xxCmdData* localAt(const std::vector<std::pair<Text, KeyedTable::Entry>>& frame, TextView name,
                   std::uint32_t slot) {
    if (slot >= frame.size()) return nullptr;
    const auto& [key, entry] = frame[slot];
    return key.size() == name.size() && text::equalsFolded(key, name) ? entry.get() : nullptr;
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

// An index: its first part a number (an element) or not (a dictionary key),
// its second part, when there is one, read leniently as a number.
static bool evaluateIndex(Engine& engine, TextView indexText, Index& index,
                          std::shared_ptr<const void>* remembered = nullptr) {
    std::shared_ptr<const void> keep;
    const IndexPlan& plan = indexPlanOf(engine, indexText, keep, remembered);
    IndexPart first = evaluateIndexPart(engine, plan.first.get(), plan.firstText);
    if (!first.isNumber) {
        index.dictionary = true;
        index.key = std::move(first.text);
        return true;
    }
    index.first = toElement(first.number);
    if (plan.two) {
        index.two = true;
        IndexPart second = evaluateIndexPart(engine, plan.second.get(), plan.secondText);
        index.second = toElement(second.isNumber ? second.number : number::toNumber(second.text));
    }
    if (index.first > kMaxElement || index.second > kMaxElement) {
        engine.Report(ErrorId::IndexOutOfRange, indexText);
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
    return ElementOf(entry, indexText);
}

Text Engine::ElementOf(const xxCmdData* entry, TextView indexText) {
    return ElementAt(*this, entry, indexText, nullptr);
}

Text ElementAt(Engine& engine, const xxCmdData* entry, TextView indexText,
               std::shared_ptr<const void>* remembered) {
    Index index;
    if (!evaluateIndex(engine, indexText, index, remembered)) return {};
    if (index.dictionary) return entry->Value.dictGet(index.key);
    TextView working = entry->Value;
    long long column = index.first;
    if (index.two) {
        if (index.first < 0) {
            engine.Report(ErrorId::NegativeArrayIndex);
            return {};
        }
        if (index.first == 0) return {};
        working = entry->Value.row(index.first);
        column = index.second;
    }
    if (column < 0) {
        engine.Report(ErrorId::NegativeArrayIndex);
        return {};
    }
    if (column == 0) return values::unifySeparators(working);
    return values::unescapeCell(cellOf(working, column));
}

// Inside a procedure whose locals table has no shape, or a shape this
// look-up has not seen yet.
xxCmdData* Engine::findVariableSlowly(TextView name, VariableLookup& lookup) {
    const auto& frame = procLocals->inOrder();
    const std::uint64_t shape = procLocals->shape();
    lookup.localShape = shape;
    if (xxCmdData* entry = localAt(frame, name, lookup.slot)) return entry;
    if (xxCmdData* entry = procLocals->find(name)) {
        for (std::size_t i = 0; i < frame.size(); ++i) {
            if (frame[i].second.get() == entry) lookup.slot = std::uint32_t(i);
        }
        return entry;
    }
    lookup.slot = ~std::uint32_t(0);
    return findOuterVariable(name, lookup);
}

xxCmdData* Engine::searchOuterVariable(TextView name, VariableLookup& lookup) {
    const ProgramRecord* program =
        currentLevel >= 0 && std::size_t(currentLevel) < programLevels.size()
            ? programLevels[std::size_t(currentLevel)].get()
            : nullptr;
    const KeyedTable* programLocals = program ? program->locals.get() : nullptr;
    xxCmdData* entry = programLocals ? programLocals->find(name) : nullptr;
    if (!entry) entry = globals.find(name);
    lookup.outer = entry;
    lookup.level = currentLevel;
    lookup.outerStamp = outerCreations;
    return entry;
}

xxCmdData& Engine::variableForWriting(TextView name, VariableLookup& lookup) {
    if (xxCmdData* entry = FindVariable(name, lookup)) return *entry;
    return variableForWriting(name);
}

xxCmdData& Engine::variableForWriting(TextView name) {
    if (xxCmdData* entry = FindVariable(name)) return *entry;
    return createGlobal(name);
}

xxCmdData& Engine::createGlobal(TextView name) {
    ++outerCreations;
    auto created = std::make_shared<xxCmdData>();
    created->Name = Text(name);
    xxCmdData& ref = *created;
    globals.add(name, std::move(created));
    return ref;
}

void Engine::AssignVariable(TextView name, Text value) {
    variableForWriting(name).Value = std::move(value);
}

// Element writes edit the variable's value in place: filling a table cell by
// cell must not copy the whole table for every cell.
void Engine::SetVariable(TextView target, TextView value, VariableLookup* lookup) {
    SetVariableAt(*this, target, value, lookup, nullptr);
}

void SetVariableAt(Engine& engine, TextView target, TextView value, VariableLookup* lookup,
                   std::shared_ptr<const void>* remembered) {
    std::size_t open = target.find(u'（');
    if (open == npos) open = target.find(u'(');
    if (open == npos) {
        engine.AssignVariable(target, Text(value));
        return;
    }
    std::size_t close = target.rfind(u'）');
    if (close == npos) close = target.rfind(u')');
    if (close == npos || close < open) {
        engine.Report(ErrorId::ClosingParenthesisMissing, target);
        return;
    }
    TextView name = target.substr(0, open);
    TextView indexText = target.substr(open + 1, close - open - 1);
    Index index;
    if (!evaluateIndex(engine, indexText, index, remembered)) return;
    auto variable = [&]() -> xxCmdData& {
        return lookup ? engine.variableForWriting(name, *lookup) : engine.variableForWriting(name);
    };
    if (index.dictionary) {
        variable().Value.dictSet(index.key, value);
        return;
    }
    long long column = index.two ? index.second : index.first;
    if (index.first < 0 || column < 0) {
        engine.Report(ErrorId::NegativeArrayIndex);
        return;
    }
    if (index.two && index.first == 0) {
        // Row 0 would be the whole table; writing it is refused.
        engine.Report(ErrorId::NoSuchRow, u"0");
        return;
    }
    ValueText& stored = variable().Value;
    if (index.two) {
        if (column == 0) {
            stored.writeRow(index.first, value);
        } else {
            stored.writeCell(index.first, column, values::escapeCell(value));
        }
        return;
    }
    Text& text = stored.edit();
    if (column == 0) {
        text.assign(value.data(), value.size());
    } else {
        values::writeCell(text, 0, text.size(), column, values::escapeCell(value));
    }
}

std::vector<Text> Engine::LocalNames(TextView list) {
    std::vector<Text> names;
    for (const Text& item : values::splitArguments(list)) {
        names.emplace_back(text::trimBlanks(values::unescapeCell(item)));
    }
    return names;
}

void Engine::DeclareLocals(TextView list) {
    DeclareLocals(LocalNames(list));
}

void Engine::DeclareLocals(const std::vector<Text>& names) {
    std::shared_ptr<KeyedTable>* scope;
    if (inProcedure) {
        scope = &procLocals;
    } else {
        scope = &currentProgram().locals;
    }
    if (!*scope) *scope = std::make_shared<KeyedTable>();
    for (const Text& name : names) {
        if ((*scope)->find(name)) {
            Report(ErrorId::NameAlreadyUsed, name);
            return;
        }
        (*scope)->add(name, takeVariableEntry(name));
        if (!inProcedure) ++outerCreations;
    }
}

}  // namespace qel
