// Writes a rich text document as Rich Text Format: a font table and a colour
// table of the looks in use, then each paragraph with its layout and each run
// with what changed since the run before. Only ASCII is written (other
// characters as \uN with "?" for readers that do not know them), so the text
// survives any channel and any reader's code page.
#include <cmath>
#include <string>

#include "text/rich_text.h"

namespace qel {

namespace {

constexpr double kTwipsPerPixel = 15;  // at 96 pixels per inch

long twips(double pixels) {
    return std::lround(pixels * kTwipsPerPixel);
}

void appendEscaped(std::string& out, TextView text) {
    for (char16_t c : text) {
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (c >= 0x80 || c < 0x20) {
            // \u takes a signed 16-bit number.
            out += "\\u" + std::to_string(int(std::int16_t(c))) + "?";
        }
    }
}

class Writer {
  public:
    Writer(const RichTextDocument& document, TextView baseFont, double baseSize)
        : document_(document),
          // Without a font of its own the control shows the desktop's sans-serif.
          baseFont_(baseFont.empty() ? TextView(u"Sans") : baseFont),
          baseSize_(baseSize > 0 ? baseSize : 9) {}

    Text write() {
        runs_ = document_.runsByParagraph();
        collectTables();
        std::string out = "{\\rtf1\\ansi\\ansicpg932\\deff0\\uc1";
        out += "{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset128 ";
            appendEscaped(out, fonts_[i]);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (std::uint32_t c : colours_) {
            out += "\\red" + std::to_string((c >> 16) & 0xFF) + "\\green" +
                   std::to_string((c >> 8) & 0xFF) + "\\blue" + std::to_string(c & 0xFF) + ";";
        }
        out += "}\r\n";
        for (std::size_t p = 0; p < document_.paragraphCount(); ++p) {
            if (p > 0) {
                // The paragraph mark carries the look of the line break itself,
                // so a run's underline or colour ends with its last character.
                writeLook(out, document_.styleAt(breakBefore(p)));
                out += "\\par\r\n";
            }
            writeParagraph(out, p);
        }
        out += "}\r\n";
        return Text(out.begin(), out.end());
    }

  private:
    std::size_t fontIndex(TextView font) {
        const TextView name = font.empty() ? baseFont_ : font;
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            if (fonts_[i] == name) return i;
        }
        fonts_.emplace_back(name);
        return fonts_.size() - 1;
    }
    std::size_t colourIndex(const CharStyle& s) {
        if (!s.hasColour) return 0;  // the reader's automatic colour
        for (std::size_t i = 0; i < colours_.size(); ++i) {
            if (colours_[i] == s.colour) return i + 1;
        }
        colours_.push_back(s.colour);
        return colours_.size();
    }
    void collectTables() {
        fontIndex(baseFont_);
        for (const auto& paragraph : runs_) {
            for (const auto& run : paragraph) {
                fontIndex(run.style->font);
                colourIndex(*run.style);
            }
        }
    }

    void writeParagraph(std::string& out, std::size_t p) {
        const ParaStyle& para = document_.paragraph(p);
        out += "\\pard";
        out += para.align == ParaAlign::Right    ? "\\qr"
               : para.align == ParaAlign::Centre ? "\\qc"
                                                 : "\\ql";
        // The first line starts at `left`; the lines after it `hanging` further.
        if (para.left + para.hanging != 0)
            out += "\\li" + std::to_string(twips(para.left + para.hanging));
        if (para.right != 0) out += "\\ri" + std::to_string(twips(para.right));
        if (para.hanging != 0) out += "\\fi" + std::to_string(-twips(para.hanging));
        // Each paragraph states its first run's look in full, so that a
        // reader can start anywhere.
        last_.reset();
        const auto& runs = runs_[p];
        if (runs.empty()) writeLook(out, CharStyle{});
        for (const auto& run : runs) {
            writeLook(out, *run.style);
            appendEscaped(out, TextView(document_.text()).substr(run.start, run.end - run.start));
        }
    }

    void writeLook(std::string& out, const CharStyle& s) {
        auto flag = [&](bool now, bool before, const char* word) {
            if (last_ && now == before) return;
            out += word;
            if (!now) out += '0';
        };
        const CharStyle before = last_.value_or(CharStyle{});
        if (!last_ || s.font != before.font) out += "\\f" + std::to_string(fontIndex(s.font));
        if (!last_ || s.size != before.size)
            out += "\\fs" + std::to_string(std::lround((s.size > 0 ? s.size : baseSize_) * 2));
        flag(s.bold, before.bold, "\\b");
        flag(s.italic, before.italic, "\\i");
        if (!last_ || s.underline != before.underline) out += s.underline ? "\\ul" : "\\ulnone";
        flag(s.strike, before.strike, "\\strike");
        flag(s.protect, before.protect, "\\protect");
        if (!last_ || s.hasColour != before.hasColour || s.colour != before.colour)
            out += "\\cf" + std::to_string(colourIndex(s));
        out += ' ';
        last_ = s;
    }

    // Where the line break before paragraph p starts: after the previous
    // paragraph's last run, or where that paragraph began when it was empty.
    std::size_t breakBefore(std::size_t p) {
        std::size_t at = breakAt_;
        if (!runs_[p - 1].empty()) at = runs_[p - 1].back().end;
        breakAt_ = at + 2;
        return at;
    }

    const RichTextDocument& document_;
    std::vector<std::vector<RichTextDocument::Run>> runs_;
    std::size_t breakAt_ = 0;
    TextView baseFont_;
    double baseSize_;
    std::vector<Text> fonts_;
    std::vector<std::uint32_t> colours_;
    std::optional<CharStyle> last_;
};

}  // namespace

Text writeRtf(const RichTextDocument& document, TextView baseFont, double baseSize) {
    return Writer(document, baseFont, baseSize).write();
}

}  // namespace qel
