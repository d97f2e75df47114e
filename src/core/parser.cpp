// The front end: script text to statement records, in four passes (text,
// lines, classification, blocks), and the particle splitting that handlers
// use to bind their own particles.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "core/engine.h"
#include "core/parser.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using text::findLastOutside;
using text::findOutside;
using text::kSyntaxBrackets;
using text::npos;

namespace {

constexpr TextView kMarkText{u"\x03", 1};

std::size_t countOf(TextView text, TextView needle) {
    std::size_t n = 0;
    for (std::size_t p = text.find(needle); p != npos; p = text.find(needle, p + needle.size()))
        ++n;
    return n;
}

// `expectedParts` spares a long text's split the doubling of its vector.
std::vector<Text> splitAt(TextView text, TextView separator, std::size_t expectedParts = 0) {
    std::vector<Text> parts;
    parts.reserve(expectedParts);
    std::size_t start = 0;
    for (std::size_t p = text.find(separator); p != npos; p = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, p - start));
        start = p + separator.size();
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

// Removes block comments. A comment on one line vanishes; one over several
// lines leaves as many line breaks, so later lines keep their numbers.
// Returns false (after reporting) when a comment is never closed.
bool removeBlockComments(Text& script, Engine& engine) {
    for (;;) {
        std::size_t open = findOutside(script, u"/*", text::kCommentBrackets);
        if (open == npos) return true;
        std::size_t close = findOutside(script, u"*/", text::kCommentBrackets, open + 2);
        if (close == npos) {
            int line = int(countOf(TextView(script).substr(0, open), kCRLF)) + 1;
            engine.Report(ErrorId::CommentNotClosed, u"/*", {}, line);
            return false;
        }
        // Only this comment goes: the same text elsewhere (quoted, say) stays.
        const std::size_t length = close + 2 - open;
        Text breaks;
        for (std::size_t n = countOf(TextView(script).substr(open, length), kCRLF); n > 0; --n) {
            breaks += kCRLF;
        }
        script.replace(open, length, breaks);
    }
}

// Cuts a line comment (’, ' or //) that is not inside （） or 「」.
void cutLineComment(Text& line) {
    std::size_t cut = npos;
    for (TextView marker : {TextView(u"’"), TextView(u"'"), TextView(u"//")}) {
        cut = std::min(cut, findOutside(line, marker, text::kCommentBrackets));
    }
    if (cut != npos) line.resize(cut);
}

// Counts parentheses outside 「」; reports an imbalance. Returns false then.
bool checkParentheses(TextView line, int lineNumber, Engine& engine) {
    int open = 0, close = 0;
    text::BracketScanner quotes(line, text::kQuoteBrackets);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char16_t c = line[i];
        bool opening = c == u'（' || c == u'(';
        bool closing = c == u'）' || c == u')';
        if (!opening && !closing) continue;
        if (quotes.inside(i)) continue;
        (opening ? open : close)++;
    }
    if (open == close) return true;
    Text count = number::format(std::abs(open - close));
    ErrorId missing =
        open > close ? ErrorId::ClosingParenthesesMissing : ErrorId::OpeningParenthesesMissing;
    engine.Report(missing, count, {}, lineNumber);
    return false;
}

bool beginsIfLine(TextView line) {
    return text::startsWith(line, u"もし　") || text::startsWith(line, u"もし ") ||
           text::startsWith(line, u"もし、");
}

// The assignment marker: "は" followed by "、" or a blank, else "＝"/"=".
// Returns the marker position and the width to skip after the marker's text.
std::size_t findAssignmentMarker(TextView line, std::size_t& skip) {
    // One scanner for all candidates: a line of many は stays linear.
    text::BracketScanner brackets(line, kSyntaxBrackets);
    for (std::size_t p = line.find(u'は'); p != npos; p = line.find(u'は', p + 1)) {
        if (p + 1 >= line.size()) break;
        char16_t next = line[p + 1];
        if ((next == u'、' || next == u' ' || next == u'　') && !brackets.inside(p)) {
            skip = 2;
            return p;
        }
    }
    Text unified(line);
    std::replace(unified.begin(), unified.end(), u'=', u'＝');
    std::size_t p = findOutside(unified, u"＝", kSyntaxBrackets);
    skip = 1;
    return p;
}

// Reads the arguments of a marked text's pieces: を and へ/に set woArg and
// heArg when present, the last piece is the verb, and each asked particle
// gets its argument (に answers for へ and the other way round).
void readPieces(std::vector<Text>& pieces, Text& woArg, Text* heArg, Text& head,
                const std::vector<Text>& wanted,
                const std::function<void(std::size_t, const Text&)>& found) {
    for (std::size_t j = 1; j < pieces.size(); j += 2) {
        Text& piece = pieces[j];
        Text argument(text::trimBlanks(pieces[j - 1]));
        if (piece.size() == 1) {
            if (piece == u"を") {
                woArg = argument;
            } else if (piece == u"へ" || piece == u"に") {
                if (heArg) *heArg = argument;
                piece = u"へ";
            }
        }
        for (std::size_t k = 0; k < wanted.size(); ++k) {
            TextView want = wanted[k] == u"に" ? TextView(u"へ") : TextView(wanted[k]);
            if (want == piece) found(k, argument);
        }
    }
    head = pieces.back();
}

const std::vector<Text>& baseParticles() {
    static const std::vector<Text> kBaseParticles{u"を", u"へ", u"に"};
    return kBaseParticles;
}

// The parser's own split of a command line at を, へ and に; the marked text
// is not kept (a binding makes it again when the statement first runs).
std::vector<Text> splitBaseParticles(StatementRecord& record, Text& marked, Text& head, Text& wo) {
    marked = record.source;
    std::vector<Text> particles = baseParticles();
    std::vector<Text> pieces = SplitParticles(marked, particles);
    Text he;
    readPieces(pieces, wo, &he, head, {}, [](std::size_t, const Text&) {});
    record.heArg = std::move(he);
    return pieces;
}

void classifyCommand(StatementRecord& record) {
    Text marked, head, wo;
    std::vector<Text> pieces = splitBaseParticles(record, marked, head, wo);
    record.setWoArg(wo);
    if (pieces.size() > 1) {
        bool blankAfterHe =
            text::contains(record.source, u"へ　") || text::contains(record.source, u"へ ");
        if (!record.heArg.empty() && blankAfterHe && pieces.size() == 3) {
            // Keeps command words that end in へ (右へ　90) whole.
            record.setHead(pieces[0] + u"へ");
            record.setWoArg(text::trimBlanks(pieces[2]));
            return;
        }
        TextView beforeHe =
            pieces.size() >= 3 ? text::trimBlanks(pieces[pieces.size() - 3]) : TextView();
        if (pieces[pieces.size() - 2] == u"へ" && text::trimBlanks(pieces.back()).empty() &&
            !beforeHe.empty() && beforeHe.front() != u'「' && beforeHe.front() != u'（' &&
            beforeHe.front() != u'(') {
            // Such a word written last (「90」を右へ): the split took its へ
            // for the particle and left no verb at all, so the verb is the
            // word before that へ with it.
            record.setHead(Text(beforeHe) + u"へ");
            return;
        }
    } else {
        TextView line = record.source;
        std::size_t cut = line.find(u'　');
        if (cut == npos) cut = line.find(u' ');
        if (cut != npos) {
            head = Text(line.substr(0, cut));
            record.setWoArg(line.substr(cut + 1));
        } else {
            head = Text(line);
        }
    }
    record.setHead(text::trimBlanks(head));
}

bool classifiedAsCommand(const StatementRecord& record) {
    return record.kind == StatementKind::Command || record.kind == StatementKind::ProcCall ||
           record.kind == StatementKind::ProcCallWithArgs;
}

// Marks the particles not yet asked for and reads every argument again from
// the new pieces: a new mark may shorten an argument found before, and the
// binding must answer as if all its particles had been asked at once.
void bindMore(BoundArguments& bound, const std::vector<Text>& more) {
    std::vector<Text> list = more;
    std::vector<Text> pieces = SplitParticles(bound.marked, list);
    std::vector<Text> wanted;
    wanted.reserve(bound.asked.size());
    for (auto& [particle, argument] : bound.asked) {
        wanted.push_back(particle);
        argument.clear();
    }
    readPieces(pieces, bound.woArg, &bound.heArg, bound.head, wanted,
               [&](std::size_t k, const Text& argument) { bound.asked[k].second = argument; });
}

const Text* findAsked(const BoundArguments& bound, TextView particle) {
    for (const auto& [asked, argument] : bound.asked) {
        if (asked == particle) return &argument;
    }
    return nullptr;
}

// Binds the particles of `particles` that the binding has not seen yet.
void ensureAsked(BoundArguments& bound, const std::vector<Text>& particles) {
    std::vector<Text> missing;
    for (const Text& particle : particles) {
        if (particle.empty() || findAsked(bound, particle)) continue;
        if (std::find(missing.begin(), missing.end(), particle) != missing.end()) continue;
        missing.push_back(particle);
    }
    if (missing.empty()) return;
    for (const Text& particle : missing) bound.asked.emplace_back(particle, Text());
    bindMore(bound, missing);
}

}  // namespace

// ---- particle splitting ------------------------------------------------------

std::vector<Text> SplitParticles(Text& marked, std::vector<Text>& particles) {
    Text& work = marked;
    std::vector<Text> remembered(particles.size());
    for (std::size_t k = 0; k < particles.size(); ++k) {
        remembered[k] = std::move(particles[k]);
        particles[k].clear();
        const Text& particle = remembered[k];
        if (particle.empty()) continue;
        std::size_t a = findLastOutside(work, particle + u"、", kSyntaxBrackets);
        if (a == npos) a = findLastOutside(work, particle, kSyntaxBrackets);
        if (a == npos) continue;
        std::size_t e = a + particle.size();
        if (a == 0) {
            work = Text(kMarkText) + particle + Text(kMarkText) + work.substr(e);
        } else if (work[a - 1] != kParticleMark) {
            if (e < work.size() && work[e] == u'、') ++e;
            work =
                work.substr(0, a) + Text(kMarkText) + particle + Text(kMarkText) + work.substr(e);
        }
    }
    std::vector<Text> pieces = splitAt(work, kMarkText);
    Text unusedWo, unusedHead;
    readPieces(pieces, unusedWo, nullptr, unusedHead, remembered,
               [&](std::size_t k, const Text& argument) { particles[k] = argument; });
    return pieces;
}

BoundArguments& Args(const StatementRecord& record) {
    if (BoundArguments* bound = record.bound.get()) return *bound;
    auto made = std::make_unique<BoundArguments>();
    made->marked = record.source;
    if (classifiedAsCommand(record)) {
        // The marks the parser's own split made, which later binding starts from.
        std::vector<Text> particles = baseParticles();
        SplitParticles(made->marked, particles);
    }
    made->head = record.head;
    made->woArg = record.woArg;
    made->heArg = record.heArg;
    BoundArguments& ref = *made;
    record.bound = std::move(made);
    return ref;
}

BoundArguments& BindCommandParticles(const StatementRecord& record, const std::vector<Text>& joshi,
                                     TextView commandName) {
    BoundArguments& bound = Args(record);
    if (bound.commandBound) return bound;
    const Text verb = bound.head;
    ensureAsked(bound, joshi);
    if (std::none_of(joshi.begin(), joshi.end(), [](const Text& p) { return !p.empty(); })) {
        // A row without particles still reads the statement's own marks.
        bindMore(bound, {});
    }
    // Binding splits the へ off a verb that ends in it (右へ); the handler
    // still gets the verb whole.
    if (text::endsWith(verb, u"へ") && text::endsWith(commandName, u"へ")) bound.head = verb;
    bound.commandBound = true;
    return bound;
}

void AskParticles(const StatementRecord& record, std::vector<Text>& particles) {
    BoundArguments& bound = Args(record);
    ensureAsked(bound, particles);
    for (Text& particle : particles) {
        const Text* argument = particle.empty() ? nullptr : findAsked(bound, particle);
        particle = argument ? *argument : Text();
    }
}

Text AskParticle(const StatementRecord& record, TextView particle) {
    std::vector<Text> list{Text(particle)};
    AskParticles(record, list);
    return list[0];
}

const std::vector<Text>& AskParticlesOnce(const StatementRecord& record,
                                          std::initializer_list<TextView> particles) {
    BoundArguments& bound = Args(record);
    if (!bound.fixedListBound) {
        bound.fixedList.assign(particles.begin(), particles.end());
        AskParticles(record, bound.fixedList);
        bound.fixedListBound = true;
    }
    return bound.fixedList;
}

// ---- passes --------------------------------------------------------------------

std::vector<StatementRecord> Engine::SplitProgram(TextView script, bool* ok) {
    return SplitOwnedProgram(Text(script), ok);
}

// Each pass lets go of what the previous one made as soon as it can, so
// that a long script is held about once at a time besides its records.
std::vector<StatementRecord> Engine::SplitOwnedProgram(Text script, bool* ok) {
    script.erase(std::remove(script.begin(), script.end(), u'\t'), script.end());
    if (!removeBlockComments(script, *this)) {
        if (ok) *ok = false;
        return {};
    }
    std::vector<Text> lines = splitAt(script, kCRLF, countOf(script, kCRLF) + 1);
    Text().swap(script);
    PrepareLines(lines);
    std::vector<StatementRecord> statements;
    statements.reserve(lines.size());
    for (Text& line : lines) {
        statements.push_back(classify(std::move(line)));
        Text().swap(line);
    }
    if (ok) *ok = true;
    return statements;
}

void Engine::PrepareLines(std::vector<Text>& lines) {
    Text pending;
    std::size_t pendingCount = 0;
    std::size_t groupStart = 0;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        Text& line = lines[j];
        cutLineComment(line);
        bool comma = text::endsWith(line, u"、");
        bool underscore = !comma && text::endsWith(line, u"_");
        if (comma || underscore) {
            if (pendingCount == 0) groupStart = j;
            if (comma) {
                pending += line;
            } else {
                pending.append(line, 0, line.size() - 1);
                pending += kCRLF;
            }
            line.clear();
            ++pendingCount;
        } else if (pendingCount > 0) {
            lines[groupStart] = Text(text::trimBlanks(pending + line));
            line.clear();
            pending.clear();
            pendingCount = 0;
        } else if (!checkParentheses(line, int(j) + 1, *this)) {
            return;
        }
        line = Text(text::trimBlanks(line));
    }
    // A group still open at the end of the text runs as far as it goes.
    if (pendingCount > 0) lines[groupStart] = Text(text::trimBlanks(pending));
}

StatementRecord Engine::ParseLine(TextView line) const {
    return classify(Text(line));
}

StatementRecord Engine::classify(Text source) const {
    StatementRecord record;
    if (source.empty()) return record;
    // Taken, not copied: `marked` stays empty (standing for the source)
    // until a particle split marks it.
    record.source = std::move(source);
    const TextView line = record.source;
    if (text::startsWith(line, u"手順は　")) {
        record.kind = StatementKind::ProcHead;
        return record;
    }
    if (line == u"終わり") {
        record.kind = StatementKind::End;
        return record;
    }
    if (line.back() == u'：') {
        record.kind = StatementKind::Label;
        return record;
    }
    if (beginsIfLine(line)) {
        record.kind = StatementKind::If;
        record.setHead(line.substr(0, 2));  // もし
        record.setWoArg(line.substr(3));
        return record;
    }
    if (findLastOutside(line, u"。", kSyntaxBrackets) != npos) {
        record.kind = StatementKind::Sequence;
        return record;
    }
    std::size_t skip = 0;
    std::size_t marker = findAssignmentMarker(line, skip);
    if (marker == npos || findLastOutside(line, u"を", kSyntaxBrackets) != npos) {
        classifyCommand(record);
        return record;
    }
    record.setHead(text::trimBlanks(line.substr(0, marker)));
    record.setWoArg(text::trimBlanks(line.substr(std::min(line.size(), marker + skip))));
    if (const xxCmdData* setting = library.findSetting(record.head)) {
        record.kind = StatementKind::Setting;
        record.handler = setting->command;
    } else if (text::contains(record.head, u"の")) {
        record.kind = StatementKind::PropertyAssign;
    } else {
        record.kind = StatementKind::Assign;
    }
    return record;
}

// Marks the もし … なら blocks. The scan of a block marks every statement it
// passes once: the statements after its opening line up to and including its
// closing もし終わり; the scan of an enclosing block walks the finished inner
// block again and so marks it once more. Depth is therefore the number of
// block scans that passed a statement. The marks are gathered as ranges in
// one forward pass and summed at the end, so deep nesting costs no more than
// a flat script.
bool Engine::MarkBlocks(ProgramRecord& program) {
    auto& statements = program.statements;
    const std::size_t count = statements.size();
    program.depth.assign(count, 0);
    program.inBlock.assign(count, false);
    std::vector<int> marks(count + 1, 0);                     // difference array of the ranges
    auto markRange = [&](std::size_t from, std::size_t to) {  // [from, to)
        if (from >= to) return;
        ++marks[from];
        --marks[to];
    };
    auto finish = [&] {
        int running = 0;
        for (std::size_t i = 0; i < count; ++i) {
            running += marks[i];
            program.depth[i] = static_cast<int16_t>(std::min(running, int(INT16_MAX)));
            program.inBlock[i] = running > 0;
        }
    };
    std::vector<std::size_t> open;  // opening lines of the blocks being scanned
    for (std::size_t i = 0; i < count; ++i) {
        const Text& source = statements[i].source;
        if (!text::startsWith(source, u"もし")) continue;
        if (source == u"もし終わり") {
            if (open.empty()) {
                // A closing line outside any block ends the pass.
                markRange(i, i + 1);
                finish();
                return true;
            }
            markRange(open.back() + 1, i + 1);
            open.pop_back();
        } else if (text::endsWith(source, u"なら")) {
            open.push_back(i);
        }
    }
    if (open.empty()) {
        finish();
        return true;
    }
    // The innermost unclosed block was scanned to the end; each enclosing
    // one had got as far as the block it opened.
    markRange(open.back() + 1, count);
    for (std::size_t k = 0; k + 1 < open.size(); ++k) markRange(open[k] + 1, open[k + 1]);
    finish();
    Report(ErrorId::IfEndMissing, {}, {}, int(open.back()) + 1);
    return false;
}

std::shared_ptr<ProgramRecord> Engine::LoadProgram(Text script, int programNumber,
                                                   LoadSteps steps) {
    auto program = std::make_shared<ProgramRecord>();
    program->statements = SplitOwnedProgram(std::move(script));
    if (steps == LoadSteps::ParseOnly) return program;
    MarkBlocks(*program);
    if (steps == LoadSteps::MarkAndRegister) RegisterProcedures(program->statements, programNumber);
    return program;
}

}  // namespace qel
