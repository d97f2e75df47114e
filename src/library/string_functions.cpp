// The string functions: slicing, searching, conversion, replacing, splitting
// and joining, dictionaries, patterns, readings and simple encodings; and the
// pattern commands.
#include <algorithm>
#include <cstdint>

#include "core/engine.h"
#include "core/parser.h"
#include "text/brackets.h"
#include "text/number.h"
#include "core/values.h"
#include "library/function_support.h"
#include "library/handlers.h"

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

Text upperLatin(TextView t) {
    Text out(t);
    for (char16_t& c : out) {
        if ((c >= u'a' && c <= u'z') || (c >= u'ａ' && c <= u'ｚ'))
            c = char16_t(c - (c <= u'z' ? 32 : 0xFF41 - 0xFF21));
    }
    return out;
}

Text lowerLatin(TextView t) {
    Text out(t);
    for (char16_t& c : out) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'Ａ' && c <= u'Ｚ'))
            c = char16_t(c + (c <= u'Z' ? 32 : 0xFF41 - 0xFF21));
    }
    return out;
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
    Text wo = record.woArg;
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
    result = slice(a.text(0), 0, *n);
}

void fnRight(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto n = toCount(engine, a.number(1));
    if (!n) return;
    const Text& t = a.text(0);
    int64_t take = std::min<int64_t>(*n, int64_t(t.size()));
    result = t.substr(t.size() - std::size_t(take));
}

void fnMid(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto start = toPosition(engine, a.number(1));
    if (!start) return;
    const Text& t = a.text(0);
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
    const Text& t = a.text(0);
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

void fnTrim(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = Text(text::trimBlanks(a.text(0)));
}
void fnTrimLeft(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = Text(text::trimBlanksLeft(a.text(0)));
}
void fnTrimRight(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = Text(text::trimBlanksRight(a.text(0)));
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
    FnArgs a(engine, args, 1);
    result = upperLatin(a.text(0));
}
void fnLower(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = lowerLatin(a.text(0));
}
void fnWide(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = text::toFullWidth(a.text(0));
}
void fnNarrow(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = text::toHalfWidth(a.text(0));
}
void fnHiragana(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = text::toHiragana(a.text(0));
}
void fnKatakana(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = text::toKatakana(a.text(0));
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
    result = number::format(double(a.text(0).size()));
}

void fnByteLength(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = number::format(double(text::cp932Length(a.text(0))));
}

// ---- searching and replacing -----------------------------------------------------------

void fnFind(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    const Text& t = a.text(1);
    const Text& part = a.text(2);
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
    const Text& t = a.text(0);
    const Text& part = a.text(1);
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
    const Text& t = a.text(0);
    const Text& from = a.text(1);
    if (from.empty()) {
        result = t;
        return;
    }
    const Text& to = a.text(2);
    if (to.size() > from.size() &&
        !lengthAllowed(engine, double(t.size()) + double(countOccurrences(t, from)) *
                                                      double(to.size() - from.size()))) {
        return;
    }
    result = text::replaceAll(t, from, to);
}

void fnPatternReplace(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto pattern = RegexPattern::compile(engine, a.text(1), false);
    if (!pattern) return;
    if (auto replaced = pattern->replaceAll(engine, a.text(0), a.text(2)))
        result = std::move(*replaced);
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
        std::size_t start = 0;
        for (std::size_t p = t.find(separator); p != Text::npos; p = t.find(separator, start)) {
            pieces.push_back(t.substr(start, p - start));
            start = p + separator.size();
        }
        pieces.push_back(t.substr(start));
    }
    result = joinTexts(pieces, kCRLF);
}

void fnSplitLines(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    std::vector<Text> lines;
    for (TextView row : listLines(a.text(0))) {
        for (TextView cell : splitCells(row)) lines.push_back(values::unescapeCell(cell));
    }
    result = joinTexts(lines, kCRLF);
}

void fnJoin(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    std::vector<Text> lines;
    for (TextView line : listLines(a.text(0))) lines.emplace_back(line);
    result = joinTexts(lines, a.text(1));
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
    result = joinTexts(out, kCRLF);
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

void cmdPatternSearch(StatementRecord& record, Engine& engine) {
    Text subject, pattern;
    if (!patternCommandArgs(record, engine, subject, pattern)) return;
    auto compiled = RegexPattern::compile(engine, pattern, false);
    if (!compiled) return;
    auto matches = compiled->findAll(engine, subject);
    if (!matches) return;
    std::vector<Text> found;
    for (auto& m : *matches) found.push_back(std::move(m.groups[0]));
    engine.answer = joinTexts(found, kCRLF);
}

void cmdPatternSubmatch(StatementRecord& record, Engine& engine) {
    Text subject, pattern;
    if (!patternCommandArgs(record, engine, subject, pattern)) return;
    auto compiled = RegexPattern::compile(engine, pattern, false);
    if (!compiled) return;
    auto matches = compiled->findAll(engine, subject);
    if (!matches) return;
    std::vector<Text> rows;
    for (auto& m : *matches) {
        std::vector<Text> cells;
        for (std::size_t g = 1; g < m.groups.size(); ++g)
            cells.push_back(values::escapeCell(m.groups[g]));
        rows.push_back(joinTexts(cells, u","));
    }
    engine.answer = joinTexts(rows, kCRLF);
}

}  // namespace qel
