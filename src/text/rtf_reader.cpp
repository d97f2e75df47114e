// Reads Rich Text Format into a rich text document: the fonts, sizes,
// colours, bold, italic, underline, strike-through and protection of the
// characters, and the alignment and indents of the paragraphs. Everything
// else a writer may put there (pictures, style sheets, fields' instructions,
// document information, destinations marked \*) is skipped whole. Bytes
// written as \'hh are decoded in the code page the font or the document
// names (932 for Japanese, else Windows Latin 1).
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/rich_text.h"

namespace qel {

namespace {

constexpr double kTwipsPerPixel = 15;
constexpr std::size_t kMaxDepth = 512;     // deeper nesting is refused, not recursed
constexpr long kMaxParameter = 100000000;  // keeps arithmetic on parameters in range

enum class Destination { Text, FontTable, FontName, ColourTable, Skip };

struct State {
    Destination destination = Destination::Text;
    int font = -1;  // -1: the document's default
    double size = 0;
    bool bold = false, italic = false, underline = false, strike = false, protect = false;
    int colour = 0;
    int skipAfterUnicode = 1;  // \ucN
};

struct FontEntry {
    int number = 0;
    Text name;
    bool japanese = false;
};

// Windows Latin 1 differs from ISO 8859-1 only in 0x80–0x9F.
char16_t fromWindows1252(unsigned char b) {
    static constexpr char16_t k80[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : char16_t(b);
}

bool isSkippedDestination(const std::string& word) {
    static const char* const kSkipped[] = {"info",
                                           "stylesheet",
                                           "pict",
                                           "header",
                                           "footer",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "object",
                                           "fldinst",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "listtable",
                                           "listoverridetable",
                                           "rsidtbl",
                                           "generator",
                                           "filetbl",
                                           "revtbl",
                                           "pgdsctbl",
                                           "private",
                                           "comment",
                                           "annotation",
                                           "bkmkstart",
                                           "bkmkend",
                                           "nonshppict",
                                           "shp",
                                           "template"};
    for (const char* s : kSkipped) {
        if (word == s) return true;
    }
    return false;
}

class Reader {
  public:
    explicit Reader(TextView rtf) : in_(rtf) {}

    RtfResult read() {
        while (pos_ < in_.size()) {
            const char16_t c = in_[pos_];
            if (c == u'{') {
                ++pos_;
                flushBytes();
                if (stack_.size() >= kMaxDepth) return refuse(u"RTF の入れ子が深すぎます。");
                stack_.push_back(state_);
                if (state_.destination == Destination::FontTable)
                    state_.destination = Destination::FontName, fonts_.push_back({});
            } else if (c == u'}') {
                ++pos_;
                flushBytes();
                endGroup();
                if (stack_.empty()) break;  // the document's own group closed
                state_ = stack_.back();
                stack_.pop_back();
            } else if (c == u'\\') {
                ++pos_;
                controlSymbolOrWord();
            } else {
                ++pos_;
                if (c == u'\r' || c == u'\n') continue;
                flushBytes();
                character(c);
            }
        }
        flushBytes();
        flushRun();
        return {std::move(document_), {}};
    }

  private:
    RtfResult refuse(Text why) { return {std::nullopt, std::move(why)}; }

    void controlSymbolOrWord() {
        if (pos_ >= in_.size()) return;
        const char16_t c = in_[pos_];
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        std::string word;
        while (pos_ < in_.size() && ((in_[pos_] >= u'a' && in_[pos_] <= u'z') ||
                                     (in_[pos_] >= u'A' && in_[pos_] <= u'Z'))) {
            if (word.size() < 32) word += char(in_[pos_]);
            ++pos_;
        }
        bool hasParameter = false;
        long parameter = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == u'-') negative = true, ++pos_;
        while (pos_ < in_.size() && in_[pos_] >= u'0' && in_[pos_] <= u'9') {
            hasParameter = true;
            if (parameter < kMaxParameter) parameter = parameter * 10 + (in_[pos_] - u'0');
            ++pos_;
        }
        if (negative) parameter = -parameter;
        if (pos_ < in_.size() && in_[pos_] == u' ') ++pos_;  // the delimiter belongs to the word
        flushBytes();  // a control word ends a run of \'hh bytes
        controlWord(word, hasParameter, parameter);
    }

    void controlSymbol(char16_t c) {
        switch (c) {
            case u'\'': {
                // Two hexadecimal digits: one byte of the current code page.
                int value = 0, digits = 0;
                while (digits < 2 && pos_ < in_.size()) {
                    const char16_t h = in_[pos_];
                    const int d = h >= u'0' && h <= u'9'   ? h - u'0'
                                  : h >= u'a' && h <= u'f' ? h - u'a' + 10
                                  : h >= u'A' && h <= u'F' ? h - u'A' + 10
                                                           : -1;
                    if (d < 0) break;
                    value = value * 16 + d;
                    ++digits, ++pos_;
                }
                if (skipping_ > 0) return void(--skipping_);
                bytes_ += char(value);
                return;
            }
            case u'*':
                // An optional destination this reader does not know.
                state_.destination = Destination::Skip;
                return;
            case u'~':
                flushBytes();
                return character(u'\u00A0');
            case u'_':
                flushBytes();
                return character(u'-');
            case u'-':
                return;  // an optional hyphen is not shown
            case u'\r':
            case u'\n':
                flushBytes();
                return paragraphBreak();
            default:
                flushBytes();
                return character(c);  // \\ \{ \}
        }
    }

    void controlWord(const std::string& w, bool has, long n) {
        const bool on = !has || n != 0;
        if (state_.destination == Destination::Skip) {
            if (w == "bin" && has && n > 0)
                pos_ += std::size_t(std::min<long>(n, long(in_.size() - pos_)));
            return;
        }
        if (isSkippedDestination(w)) return void(state_.destination = Destination::Skip);
        if (w == "fonttbl") return void(state_.destination = Destination::FontTable);
        if (w == "colortbl") {
            state_.destination = Destination::ColourTable;
            colourEntry_ = 0;
            return;
        }
        if (state_.destination == Destination::ColourTable) {
            const int v = int(std::clamp<long>(n, 0, 255));
            if (w == "red") colourEntry_ = (colourEntry_ & 0x00FFFF) | (v << 16), colourSet_ = true;
            if (w == "green")
                colourEntry_ = (colourEntry_ & 0xFF00FF) | (v << 8), colourSet_ = true;
            if (w == "blue") colourEntry_ = (colourEntry_ & 0xFFFF00) | v, colourSet_ = true;
            return;
        }
        // Characters by number, in the text and in font names alike.
        if (w == "uc") return void(state_.skipAfterUnicode = int(std::clamp<long>(n, 0, 10)));
        if (w == "u") {
            flushBytes();
            const long unit = n < 0 ? n + 65536 : n;
            character(unit >= 0 && unit <= 0xFFFF ? char16_t(unit) : u'\uFFFD');
            skipping_ = state_.skipAfterUnicode;
            return;
        }
        if (state_.destination == Destination::FontTable && w == "f") {
            // A table written without a group per font.
            fonts_.push_back({int(n), {}, false});
            return;
        }
        if (state_.destination == Destination::FontName ||
            state_.destination == Destination::FontTable) {
            if (fonts_.empty()) fonts_.push_back({});
            if (w == "f") fonts_.back().number = int(n);
            if (w == "fcharset") fonts_.back().japanese = n == 128;
            return;
        }
        if (w == "ansicpg") return void(japanese_ = n == 932);
        if (w == "deff") return void(defaultFont_ = int(n));
        if (w == "par" || w == "line" || w == "sect" || w == "page") return paragraphBreak();
        if (w == "tab") return character(u'\t');
        if (w == "emdash") return character(u'\u2014');
        if (w == "endash") return character(u'\u2013');
        if (w == "lquote") return character(u'\u2018');
        if (w == "rquote") return character(u'\u2019');
        if (w == "ldblquote") return character(u'\u201C');
        if (w == "rdblquote") return character(u'\u201D');
        if (w == "bullet") return character(u'\u2022');
        if (w == "plain") {
            const int uc = state_.skipAfterUnicode;
            const Destination d = state_.destination;
            state_ = State{};
            state_.skipAfterUnicode = uc, state_.destination = d;
            return;
        }
        if (w == "f") return void(state_.font = int(n));
        if (w == "fs") return void(state_.size = std::clamp<long>(n, 2, 3276) / 2.0);
        if (w == "b") return void(state_.bold = on);
        if (w == "i") return void(state_.italic = on);
        if (w == "strike") return void(state_.strike = on);
        if (w == "protect") return void(state_.protect = on);
        if (w == "ulnone") return void(state_.underline = false);
        if (w.rfind("ul", 0) == 0 && w.find("c") == std::string::npos)  // \ul, \uldb, \ulw …
            return void(state_.underline = on);
        if (w == "cf") return void(state_.colour = int(n));
        if (w == "pard") {
            para_ = ParaStyle{};
            li_ = fi_ = 0;
            return;
        }
        if (w == "ql" || w == "qj") return void(para_.align = ParaAlign::Left);
        if (w == "qr") return void(para_.align = ParaAlign::Right);
        if (w == "qc") return void(para_.align = ParaAlign::Centre);
        if (w == "li") return void(li_ = double(n) / kTwipsPerPixel);
        if (w == "ri") return void(para_.right = double(n) / kTwipsPerPixel);
        if (w == "fi") return void(fi_ = double(n) / kTwipsPerPixel);
    }

    void endGroup() {
        if (state_.destination == Destination::FontName && !fonts_.empty()) {
            Text& name = fonts_.back().name;
            while (!name.empty() && (name.back() == u';' || name.back() == u' ')) name.pop_back();
        }
    }

    void character(char16_t c) {
        if (skipping_ > 0) return void(--skipping_);
        switch (state_.destination) {
            case Destination::Skip:
                return;
            case Destination::FontTable:
            case Destination::FontName:
                if (fonts_.empty()) fonts_.push_back({});
                if (c != u';' && fonts_.back().name.size() < 256) fonts_.back().name += c;
                return;
            case Destination::ColourTable:
                if (c == u';') {
                    colours_.push_back(colourSet_ ? std::optional<std::uint32_t>(colourEntry_)
                                                  : std::nullopt);
                    colourEntry_ = 0, colourSet_ = false;
                }
                return;
            case Destination::Text:
                break;
        }
        const CharStyle style = currentStyle();
        if (!(style == runStyle_)) flushRun(), runStyle_ = style;
        run_ += c;
    }

    void paragraphBreak() {
        if (state_.destination != Destination::Text) return;
        character(u'\r');
        character(u'\n');
        flushRun();
        ParaStyle done = para_;
        applyIndents(done);
        document_.setParagraph(document_.paragraphCount() - 2, done);
    }

    void applyIndents(ParaStyle& p) const {
        // \li is where the lines after the first start; \fi moves the first.
        p.hanging = -fi_;
        p.left = li_ + fi_;
    }

    void flushRun() {
        if (run_.empty()) return;
        document_.append(run_, runStyle_);
        run_.clear();
        ParaStyle current = para_;
        applyIndents(current);
        document_.setParagraph(document_.paragraphCount() - 1, current);
    }

    void flushBytes() {
        if (bytes_.empty()) return;
        std::string bytes;
        bytes.swap(bytes_);
        if (fontIsJapanese()) {
            for (char16_t c : text::fromCp932(bytes)) character(c);
        } else {
            for (char b : bytes) character(fromWindows1252(static_cast<unsigned char>(b)));
        }
    }

    bool fontIsJapanese() const {
        const int f = state_.font < 0 ? defaultFont_ : state_.font;
        for (const auto& entry : fonts_) {
            if (entry.number == f && !entry.name.empty()) return entry.japanese || japanese_;
        }
        return japanese_;
    }

    CharStyle currentStyle() const {
        CharStyle s;
        const int f = state_.font < 0 ? defaultFont_ : state_.font;
        if (f != defaultFont_) {
            for (const auto& entry : fonts_) {
                if (entry.number == f) s.font = entry.name;
            }
        }
        s.size = state_.size;
        s.bold = state_.bold, s.italic = state_.italic, s.underline = state_.underline;
        s.strike = state_.strike, s.protect = state_.protect;
        if (state_.colour > 0 && std::size_t(state_.colour) < colours_.size() &&
            colours_[std::size_t(state_.colour)]) {
            s.hasColour = true;
            s.colour = *colours_[std::size_t(state_.colour)];
        }
        return s;
    }

    TextView in_;
    std::size_t pos_ = 0;
    State state_;
    std::vector<State> stack_;
    std::vector<FontEntry> fonts_;
    std::vector<std::optional<std::uint32_t>> colours_;
    std::uint32_t colourEntry_ = 0;
    bool colourSet_ = false;
    bool japanese_ = false;
    int defaultFont_ = 0;
    int skipping_ = 0;  // fallback characters still to skip after \u
    std::string bytes_;
    ParaStyle para_;
    double li_ = 0, fi_ = 0;
    Text run_;
    CharStyle runStyle_;
    RichTextDocument document_;
};

}  // namespace

RtfResult readRtf(TextView rtf) {
    std::size_t start = 0;
    while (start < rtf.size() && (rtf[start] == u' ' || rtf[start] == u'\r' ||
                                  rtf[start] == u'\n' || rtf[start] == u'\t'))
        ++start;
    if (rtf.substr(start, 5) != u"{\\rtf") {
        RichTextDocument plain;
        plain.setText(rtf);
        return {std::move(plain), {}};
    }
    return Reader(rtf.substr(start + 1)).read();
}

}  // namespace qel
