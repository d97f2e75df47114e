// The commands that change a text in its variable: 検索 (where a part first
// occurs), 置き換え and 消せ (a part, a character, a line or a cell).
#include "library/strings/text_commands.h"

#include "core/engine.h"
#include "core/parser.h"
#include "core/values.h"
#include "library/objects/objects.h"
#include "library/registry/function_support.h"
#include "library/strings/strings.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

// ---- shared with the table commands -------------------------------------------------------

TextSubject readTextSubject(Engine& engine, TextView written) {
    TextSubject s;
    Text raw(text::trimBlanks(written));
    std::size_t bracket = raw.find_first_of(u"（(");
    Text name = bracket == Text::npos ? raw : raw.substr(0, bracket);
    if (!name.empty() && engine.FindVariable(name)) s.target = raw;
    s.value = engine.EvalText(raw);
    return s;
}

void finishTextCommand(Engine& engine, const TextSubject& s, const Text& value) {
    if (!s.target.empty()) engine.SetVariable(s.target, value);
    engine.answer = value;
}

bool splitAtNo(TextView t, Text& before, Text& after) {
    std::size_t no = text::findOutside(t, u"の", text::kSyntaxBrackets, 1);
    if (no == text::npos) return false;
    before = Text(text::trimBlanks(t.substr(0, no)));
    after = Text(text::trimBlanks(t.substr(no + 1)));
    return true;
}

std::optional<TextPlace> readTextPlace(Engine& engine, TextView t, bool& reported) {
    reported = false;
    static constexpr std::pair<TextView, TextPlace::Kind> kUnits[] = {
        {u"文字目", TextPlace::Character}, {u"行目", TextPlace::Line}, {u"番目", TextPlace::Cell}};
    for (auto [unit, kind] : kUnits) {
        if (!text::endsWith(t, unit)) continue;
        double n = engine.EvalNumber(t.substr(0, t.size() - unit.size()));
        int64_t index = toInt32(n);
        if (index < 1) {
            engine.Report(index < 0 ? ErrorId::NegativeNumber : ErrorId::NumberOutOfRange,
                          number::format(n));
            reported = true;
            return std::nullopt;
        }
        return TextPlace{kind, index};
    }
    return std::nullopt;
}

std::vector<Text> textLines(TextView t) {
    std::vector<Text> lines;
    for (TextView line : splitRows(t)) lines.emplace_back(line);
    return lines;
}

// ---- commands --------------------------------------------------------------------------------

void cmdSearch(StatementRecord& record, Engine& engine) {
    std::vector<Text> asked{u"で", u"から"};
    AskParticles(record, asked);
    // Asking re-splits the statement, so を is read after it.
    Text wo = Args(record).woArg;
    Text source = !asked[0].empty() ? asked[0] : asked[1];
    if (source.empty() && OpenFindNamed(engine, wo, false)) return;
    Text before, after;
    if (source.empty() && splitAtNo(wo, before, after)) {
        source = before;
        wo = after;
    }
    if (wo.empty() || source.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    Text subject = engine.EvalText(source);
    Text part = engine.EvalText(wo);
    std::size_t p = subject.find(part);
    engine.answer = number::format(p == Text::npos ? 0 : double(p + 1));
}

void cmdReplace(StatementRecord& record, Engine& engine) {
    std::vector<Text> asked{u"から", u"で"};
    AskParticles(record, asked);
    Text wo = Args(record).woArg;
    Text replacement = Args(record).heArg;
    Text target, old;
    if (asked[0].empty() && asked[1].empty() && replacement.empty() &&
        OpenFindNamed(engine, wo, true))
        return;
    if (!asked[0].empty()) {
        target = wo;
        old = asked[0];
    } else if (!asked[1].empty()) {
        target = asked[1];
        old = wo;
    } else if (!splitAtNo(wo, target, old)) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    if (target.empty() || old.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return;
    }
    TextSubject s = readTextSubject(engine, target);
    Text from = engine.EvalText(old);
    Text to = engine.EvalText(replacement);
    Text value = from.empty() ? s.value : text::replaceAll(s.value, from, to);
    finishTextCommand(engine, s, value);
}

void cmdErase(StatementRecord& record, Engine& engine) {
    Text from = AskParticle(record, u"から");
    Text wo = Args(record).woArg;
    if (!from.empty() && !wo.empty()) {
        // X から 「a」を消せ: every occurrence goes.
        TextSubject s = readTextSubject(engine, from);
        Text part = engine.EvalText(wo);
        finishTextCommand(engine, s, part.empty() ? s.value : text::replaceAll(s.value, part, u""));
        return;
    }
    // A window, a control or a list's item (リスト1の2) goes before any text
    // place: their names are no variables.
    if (!wo.empty() && !engine.FindVariable(wo) && EraseObjectNamed(engine, wo)) return;
    Text before, after;
    if (splitAtNo(wo, before, after)) {
        bool reported = false;
        if (auto place = readTextPlace(engine, after, reported)) {
            TextSubject s = readTextSubject(engine, before);
            Text value = s.value;
            if (place->kind == TextPlace::Character) {
                if (place->index <= int64_t(value.size()))
                    value.erase(std::size_t(place->index - 1), 1);
            } else if (place->kind == TextPlace::Line) {
                std::vector<Text> lines = textLines(value);
                if (place->index > int64_t(lines.size())) {
                    engine.Report(ErrorId::NoSuchRow, number::format(double(place->index)));
                    return;
                }
                lines.erase(lines.begin() + (place->index - 1));
                value = text::join(lines, kCRLF);
            } else {
                std::vector<Text> cells;
                for (TextView c : splitCells(values::unifySeparators(value))) cells.emplace_back(c);
                if (place->index > int64_t(cells.size())) {
                    engine.Report(ErrorId::NoSuchColumn, number::format(double(place->index)));
                    return;
                }
                cells.erase(cells.begin() + (place->index - 1));
                value = text::join(cells, u",");
            }
            finishTextCommand(engine, s, value);
            return;
        }
        if (reported) return;
    }
    if (!wo.empty() && engine.FindVariable(wo)) {
        // A variable named alone is emptied.
        engine.SetVariable(wo, u"");
        return;
    }
    // Anything else should have named a window or control.
    if (!ui::ObjectModel::available(engine)) {
        engine.Report(ErrorId::NotBuiltYet, Args(record).head);
        return;
    }
    engine.Report(wo.empty() ? ErrorId::ObjectRequired : ErrorId::ObjectNotFound,
                  engine.EvalText(wo));
}

}  // namespace qel
