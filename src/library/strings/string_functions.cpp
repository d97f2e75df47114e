// The string functions: slicing, searching, conversion, replacing, splitting
// and joining, dictionaries, patterns, readings and simple encodings; and the
// pattern commands.
#include <algorithm>
#include <cstdint>

#include "core/engine.h"
#include "core/parser.h"
#include "core/pattern_errors.h"
#include "core/values.h"
#include "library/registry/function_support.h"
#include "library/strings/strings.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

namespace {

// Cuts `length` characters from `start` (0-based), within the text.
Text slice(TextView t, int64_t start, int64_t length) {
    if (start >= int64_t(t.size()) || length <= 0) return {};
    return Text(t.substr(std::size_t(start),
                         std::size_t(std::min<int64_t>(length, int64_t(t.size()) - start))));
}

// A 1-based position that must lie at 1 or later.
std::optional<int64_t> toPosition(Engine& engine, double value) {
    int64_t n = toInt32(value);
    if (n < 0) {
        engine.Report(ErrorId::NegativeNumber, number::format(value));
        return std::nullopt;
    }
    if (n == 0) {
        reportBadNumber(engine, value);
        return std::nullopt;
    }
    return n;
}

std::size_t countOccurrences(TextView t, TextView part) {
    if (t.empty() || part.empty()) return 0;
    std::size_t n = 0;
    for (std::size_t p = t.find(part); p != TextView::npos; p = t.find(part, p + part.size())) ++n;
    return n;
}

// Lines of a list text (CR LF); an empty text has none.
std::vector<TextView> listLines(TextView t) {
    if (t.empty()) return {};
    return splitRows(t);
}

// ---- readings ------------------------------------------------------------------

bool isKanji(char16_t c) {
    if (c == u'々' || c == u'〆' || c == u'ヶ') return true;
    if (c < 0x3400 || c > 0x9FFF) return false;
    // Only the kanji of the common JIS rows: readers read these, and a rarer
    // character is kept as written rather than risk losing it.
    int code = text::cp932Code(c);
    return code >= 0x889F && code <= 0xEAA4;
}
bool isKana(char16_t c) {
    return (c >= u'ぁ' && c <= u'ゖ') || (c >= u'ァ' && c <= u'ヺ') || c == u'ー';
}

// ---- simple encoding -----------------------------------------------------------

constexpr TextView kCodeMark = u"QSE:";

uint64_t keySeed(TextView key) {
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : key.empty() ? TextView(u"Qelvane") : key) h = (h ^ c) * 1099511628211ull;
    return h ? h : 1;
}

class KeyStream {
  public:
    explicit KeyStream(TextView key) : state_(keySeed(key)) {}
    uint16_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return uint16_t((state_ * 2685821657736338717ull) >> 48);
    }

  private:
    uint64_t state_;
};

uint8_t checksum(TextView plain, TextView key) {
    uint64_t h = keySeed(key);
    for (char16_t c : plain) h = (h ^ c) * 1099511628211ull;
    return uint8_t(h >> 56);
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

void appendHex(Text& out, unsigned value, int digits) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) out += kHex[(value >> (4 * i)) & 0xF];
}

// The plain text of a code, when `code` is one made with this key's form;
// `keyMatches` tells whether the check digits agree with the key.
std::optional<Text> decodeSimple(TextView code, TextView key, bool& keyMatches) {
    keyMatches = false;
    if (!text::startsWith(code, kCodeMark)) return std::nullopt;
    TextView body = code.substr(kCodeMark.size());
    if (body.size() < 2 || (body.size() - 2) % 4 != 0) return std::nullopt;
    for (char16_t c : body) {
        if (hexValue(c) < 0) return std::nullopt;
    }
    KeyStream stream(key);
    Text plain;
    for (std::size_t i = 0; i + 2 < body.size(); i += 4) {
        unsigned v = 0;
        for (std::size_t k = 0; k < 4; ++k) v = v * 16 + unsigned(hexValue(body[i + k]));
        plain += char16_t(v ^ stream.next());
    }
    unsigned check =
        unsigned(hexValue(body[body.size() - 2]) * 16 + hexValue(body[body.size() - 1]));
    keyMatches = check == checksum(plain, key);
    return plain;
}

// ---- arguments of the pattern commands ------------------------------------------

// The pattern commands read "A で/から/の B を…": the subject is the first of
// the で, から and の arguments, the pattern the を argument.
bool patternCommandArgs(StatementRecord& record, Engine& engine, Text& subject, Text& pattern) {
    std::vector<Text> asked{u"で", u"から"};
    AskParticles(record, asked);
    // Asking re-splits the statement, so を is read after it.
    Text wo = Args(record).woArg;
    Text source = !asked[0].empty() ? asked[0] : asked[1];
    if (source.empty()) {
        std::size_t no = text::findOutside(wo, u"の", text::kSyntaxBrackets, 1);
        if (no != text::npos) {
            source = wo.substr(0, no);
            wo = wo.substr(no + 1);
        }
    }
    if (wo.empty() || source.empty()) {
        engine.Report(ErrorId::CommandArgumentsMissing);
        return false;
    }
    subject = engine.EvalText(source);
    pattern = engine.EvalText(wo);
    return true;
}

}  // namespace

// ---- slicing --------------------------------------------------------------------------

void fnLeft(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(1));
    if (!n) return;
    result = slice(a.view(0), 0, *n);
}

void fnRight(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(1));
    if (!n) return;
    TextView t = a.view(0);
    int64_t take = std::min<int64_t>(*n, int64_t(t.size()));
    result = t.substr(t.size() - std::size_t(take));
}

void fnMid(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto start = toPosition(engine, a.number(1));
    if (!start) return;
    TextView t = a.view(0);
    if (!a.given(2)) {
        result = slice(t, *start - 1, int64_t(t.size()));
        return;
    }
    auto n = toCount(engine, a.number(2));
    if (!n) return;
    result = slice(t, *start - 1, *n);
}

void fnDropRight(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(1));
    if (!n) return;
    TextView t = a.view(0);
    result = slice(t, 0, int64_t(t.size()) - *n);
}

void fnCut(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    const Text& t = a.text(0);
    auto start = toPosition(engine, a.number(1));
    if (!start) return;
    int64_t length = int64_t(t.size());
    if (a.given(2)) {
        auto n = toCount(engine, a.number(2));
        if (!n) return;
        length = *n;
    }
    result = slice(t, 0, *start - 1);
    int64_t after = *start - 1 + length;
    if (after < int64_t(t.size())) result += t.substr(std::size_t(after));
}

void fnOneLine(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(1));
    if (!n || *n == 0) return;
    std::vector<TextView> lines = splitRows(a.text(0));
    if (*n <= int64_t(lines.size())) result = Text(lines[std::size_t(*n - 1)]);
}

void fnExtract(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 4);
    int64_t nth = 1;
    if (a.given(0)) {
        auto n = toCount(engine, a.number(0));
        if (!n) return;
        nth = std::max<int64_t>(*n, 1);
    }
    const Text& t = a.text(1);
    const Text& open = a.text(2);
    const Text& close = a.text(3);
    std::size_t from = 0;
    for (int64_t k = 1;; ++k) {
        std::size_t begin = open.empty() ? from : t.find(open, from);
        if (begin == Text::npos) return;
        begin += open.size();
        std::size_t end = close.empty() ? t.size() : t.find(close, begin);
        if (end == Text::npos) return;
        if (k == nth) {
            result = t.substr(begin, end - begin);
            return;
        }
        from = end + close.size();
        if (open.empty() && close.empty()) return;
    }
}

// ---- blanks, codes, case, width and kana ----------------------------------------------

namespace {

// The functions that hand their one text whole to a conversion.
template <auto convert>
void convertWhole(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = Text(convert(a.text(0)));
}

}  // namespace

void fnTrim(Text& result, Text& args, Engine& engine) {
    convertWhole<text::trimBlanks>(result, args, engine);
}
void fnTrimLeft(Text& result, Text& args, Engine& engine) {
    convertWhole<text::trimBlanksLeft>(result, args, engine);
}
void fnTrimRight(Text& result, Text& args, Engine& engine) {
    convertWhole<text::trimBlanksRight>(result, args, engine);
}

void fnAsc(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    const Text& t = a.text(0);
    if (t.empty()) return;
    int code = text::cp932Code(t[0]);
    result = number::format(code < 0 ? '?' : code);
}

void fnChr(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double value = a.number(0);
    int64_t code = toInt32(value);
    // Double-byte codes are accepted both as written (0x82A0) and as the
    // negative 16-bit numbers some scripts carry them in.
    if (code < 0 && code >= -32768) code += 65536;
    if (code < 0 || code > 0xFFFF) {
        reportBadNumber(engine, value);
        return;
    }
    std::string bytes;
    if (code > 0xFF) bytes += char(code >> 8);
    bytes += char(code & 0xFF);
    result = text::fromCp932(bytes);
}

void fnUpper(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toUpperLatin>(result, args, engine);
}
void fnLower(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toLowerLatin>(result, args, engine);
}
void fnWide(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toFullWidth>(result, args, engine);
}
void fnNarrow(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toHalfWidth>(result, args, engine);
}
void fnHiragana(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toHiragana>(result, args, engine);
}
void fnKatakana(Text& result, Text& args, Engine& engine) {
    convertWhole<text::toKatakana>(result, args, engine);
}

void fnReading(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    const Text& t = a.text(0);
    // Runs of Japanese letters that hold a kanji go to the reading service,
    // in one request; everything else (kana, half-width kana, digits, Latin
    // letters, symbols, line breaks) is turned into hiragana or kept here.
    struct Run {
        std::size_t start, end;
        bool ask;
    };
    std::vector<Run> runs;
    std::vector<Text> phrases;
    for (std::size_t i = 0; i < t.size();) {
        std::size_t j = i;
        bool kanji = false;
        while (j < t.size() && (isKanji(t[j]) || isKana(t[j]))) kanji = isKanji(t[j++]) || kanji;
        if (j > i) {
            runs.push_back({i, j, kanji});
            if (kanji) phrases.emplace_back(t.substr(i, j - i));
            i = j;
        } else {
            runs.push_back({i, i + 1, false});
            ++i;
        }
    }
    std::vector<Text> readings;
    if (!phrases.empty()) {
        ReadingService* service = engine.platform.reading.get();
        std::optional<std::vector<Text>> answer;
        if (service) answer = service->readings(phrases);
        if (!answer) {
            // The message scripts know, with the word naming what this
            // system needs in place of the input method it names.
            engine.Report(ErrorId::InputMethodRequired,
                          u"ふりがな（読み仮名の変換に MeCab または KAKASI を使います）");
            return;
        }
        readings = std::move(*answer);
    }
    std::size_t next = 0;
    for (const Run& run : runs) {
        TextView piece = TextView(t).substr(run.start, run.end - run.start);
        if (run.ask) {
            result += text::toHiragana(readings[next++]);
        } else if (piece.size() == 1 && piece[0] >= u'ｦ' && piece[0] <= u'ﾟ') {
            result += text::toHiragana(text::toFullWidth(piece));
        } else {
            result += text::toHiragana(piece);
        }
    }
}

// ---- repeating and counting -----------------------------------------------------------

void fnRepeat(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(0));
    if (!n) return;
    const Text& t = a.text(1);
    if (!lengthAllowed(engine, double(*n) * double(t.size()))) return;
    result.reserve(std::size_t(*n) * t.size());
    for (int64_t i = 0; i < *n; ++i) result += t;
}

void fnSpaces(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    auto n = toCount(engine, a.number(0));
    if (!n || !lengthAllowed(engine, double(*n))) return;
    result.assign(std::size_t(*n), u' ');
}

void fnCount(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    result = number::format(double(countOccurrences(a.text(0), a.text(1))));
}

void fnLineCount(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = number::format(double(countOccurrences(a.text(0), kCRLF) + 1));
}

void fnLength(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = number::format(double(a.view(0).size()));
}

void fnByteLength(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = number::format(double(text::cp932Length(a.text(0))));
}

// ---- searching and replacing -----------------------------------------------------------

void fnFind(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    TextView t = a.view(1);
    TextView part = a.view(2);
    int64_t start = 1;
    if (a.given(0)) {
        start = toInt32(a.number(0));
        // Searching an empty text finds nothing from anywhere; otherwise the
        // start must lie inside the text.
        if (start < 1 || (start > int64_t(t.size()) && !t.empty())) {
            engine.Report(ErrorId::NegativeNumber, number::format(a.number(0)));
            return;
        }
    }
    if (t.empty()) {
        result = number::format(part.empty() ? 1 : 0);
        return;
    }
    std::size_t p = t.find(part, std::size_t(start - 1));
    result = number::format(p == Text::npos ? 0 : double(p + 1));
}

void fnFindLast(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    TextView t = a.view(0);
    TextView part = a.view(1);
    std::size_t before = Text::npos;
    if (a.given(2)) {
        auto start = toPosition(engine, a.number(2));
        if (!start) return;
        // The match may end at the start position at the latest.
        if (*start < int64_t(part.size())) {
            result = number::format(0);
            return;
        }
        before = std::size_t(*start) - part.size();
    }
    std::size_t p = t.rfind(part, before);
    result = number::format(p == Text::npos ? 0 : double(p + 1));
}

void fnReplace(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    TextView t = a.view(0);
    TextView from = a.view(1);
    if (from.empty()) {
        result = t;
        return;
    }
    TextView to = a.view(2);
    if (to.size() > from.size() &&
        !lengthAllowed(engine, double(t.size()) + double(countOccurrences(t, from)) *
                                                      double(to.size() - from.size()))) {
        return;
    }
    result = text::replaceAll(t, from, to);
}

void fnPatternReplace(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto pattern = CompilePattern(engine, a.text(1), false);
    if (!pattern) return;
    Text replaced;
    auto allowLength = [&](std::size_t length) { return lengthAllowed(engine, double(length)); };
    if (PatternFailed(engine, pattern->replaceAll(a.text(0), a.text(2), replaced, allowLength),
                      pattern->source()))
        return;
    result = std::move(replaced);
}

// ---- splitting and joining ------------------------------------------------------------

void fnSplit(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    const Text& t = a.text(0);
    const Text& separator = a.text(1);
    std::vector<Text> pieces;
    if (separator.empty()) {
        // No separator: the cells of the list, escapes undone.
        for (TextView cell : splitCells(t)) pieces.push_back(values::unescapeCell(cell));
    } else {
        pieces = text::split(t, separator);
    }
    result = text::join(pieces, kCRLF);
}

void fnSplitLines(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    std::vector<Text> lines;
    for (TextView row : listLines(a.text(0))) {
        for (TextView cell : splitCells(row)) lines.push_back(values::unescapeCell(cell));
    }
    result = text::join(lines, kCRLF);
}

void fnJoin(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    std::vector<Text> lines;
    for (TextView line : listLines(a.text(0))) lines.emplace_back(line);
    result = text::join(lines, a.text(1));
}

// ---- dictionaries ---------------------------------------------------------------------

void fnDictionary(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    if (a.written() >= 3) {
        result = values::DictSet(a.text(0), a.text(1), a.text(2));
    } else {
        result = values::DictGet(a.text(0), a.text(1));
    }
}

void fnDictionaryKeys(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    bool wantValues = a.text(1) == u"値";
    std::vector<Text> out;
    for (TextView line : listLines(a.text(0))) {
        std::size_t eq = line.find(u'=');
        if (eq == TextView::npos) continue;
        out.emplace_back(wantValues ? line.substr(eq + 1) : line.substr(0, eq));
    }
    result = text::join(out, kCRLF);
}

// ---- tests --------------------------------------------------------------------------------

void fnJudge(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto test = makeValueTest(engine, a.text(1), a.text(2));
    if (!test) return;
    auto holds = runValueTest(engine, *test, a.text(0));
    if (holds) result = *holds ? u"1" : u"0";
}

// ---- encodings ----------------------------------------------------------------------------

void fnSimpleEncode(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    const Text& t = a.text(0);
    const Text& key = a.text(1);
    bool keyMatches = false;
    if (auto plain = decodeSimple(t, key, keyMatches)) {
        if (!keyMatches) {
            engine.Report(ErrorId::ValueNotRight, u"キー");
            return;
        }
        result = std::move(*plain);
        return;
    }
    if (!lengthAllowed(engine, double(t.size()) * 4 + 6)) return;
    KeyStream stream(key);
    result = Text(kCodeMark);
    for (char16_t c : t) appendHex(result, unsigned(c ^ stream.next()), 4);
    appendHex(result, checksum(t, key), 2);
}

void fnBinaryArray(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    Text form = text::toHalfWidth(a.text(1));
    form = text::toUpperAscii(text::replaceAll(form, u"-", u""));
    std::string bytes = form == u"UTF8" ? text::toUtf8(a.text(0)) : text::toCp932(a.text(0));
    if (!lengthAllowed(engine, double(bytes.size()) * 4)) return;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) result += u',';
        result += number::format(double(static_cast<unsigned char>(bytes[i])));
    }
}

// ---- pattern commands ------------------------------------------------------------------

namespace {

// Every match of the pattern in the subject; false after reporting a bad
// pattern or a match that could not be finished.
bool findMatches(Engine& engine, TextView subject, TextView pattern,
                 std::vector<text::Pattern::Match>& matches) {
    auto compiled = CompilePattern(engine, pattern, false);
    return compiled &&
           !PatternFailed(engine, compiled->findAll(subject, SIZE_MAX, matches), pattern);
}

}  // namespace

void cmdPatternSearch(StatementRecord& record, Engine& engine) {
    Text subject, pattern;
    if (!patternCommandArgs(record, engine, subject, pattern)) return;
    std::vector<text::Pattern::Match> matches;
    if (!findMatches(engine, subject, pattern, matches)) return;
    std::vector<Text> found;
    for (auto& m : matches) found.push_back(std::move(m.groups[0]));
    engine.answer = text::join(found, kCRLF);
}

void cmdPatternSubmatch(StatementRecord& record, Engine& engine) {
    Text subject, pattern;
    if (!patternCommandArgs(record, engine, subject, pattern)) return;
    std::vector<text::Pattern::Match> matches;
    if (!findMatches(engine, subject, pattern, matches)) return;
    std::vector<Text> rows;
    for (auto& m : matches) {
        std::vector<Text> cells;
        for (std::size_t g = 1; g < m.groups.size(); ++g)
            cells.push_back(values::escapeCell(m.groups[g]));
        rows.push_back(text::join(cells, u","));
    }
    engine.answer = text::join(rows, kCRLF);
}

}  // namespace qel
