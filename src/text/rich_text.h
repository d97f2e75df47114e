// Formatted text as a rich text box holds it: the characters (paragraphs
// joined by CR LF, as scripts read them), the look of every character and
// the layout of every paragraph. Positions count UTF-16 units of that text,
// a line break counting two, so that 選択スタート means the same on every
// host. An empty or zero field of a character's look means "as the control's
// own font", so changing the control's font changes the text not formatted
// otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "text/text.h"

namespace qel {

struct CharStyle {
    Text font;        // empty: the control's font
    double size = 0;  // points; 0: the control's size
    bool bold = false, italic = false, underline = false, strike = false;
    bool protect = false;  // the user cannot change these characters
    bool hasColour = false;
    std::uint32_t colour = 0;  // 0xRRGGBB when hasColour
    bool operator==(const CharStyle&) const = default;
};

enum class ParaAlign : int { Left = 0, Right = 1, Centre = 2 };

// Indents in pixels: `left` of the first line, `hanging` of the lines after
// it relative to the first, `right` from the right edge.
struct ParaStyle {
    ParaAlign align = ParaAlign::Left;
    double left = 0, right = 0, hanging = 0;
    bool operator==(const ParaStyle&) const = default;
};

class RichTextDocument {
  public:
    RichTextDocument();

    const Text& text() const { return text_; }
    std::size_t size() const { return text_.size(); }
    std::size_t paragraphCount() const { return paras_.size(); }
    const ParaStyle& paragraph(std::size_t index) const { return paras_[index]; }
    const CharStyle& styleAt(std::size_t position) const;

    // The whole text, unformatted. Lone CR or LF become CR LF.
    void setText(TextView text);
    // Replaces [start, start + length) by `with`, which takes the look of
    // the text it replaces (or of the text before the caret, or of what was
    // set for typing there). Positions are clamped to the text, and a range
    // never splits a line break.
    void replace(std::size_t start, std::size_t length, TextView with);

    // Building, for readers of formatted text: `text` may hold line breaks.
    void append(TextView text, const CharStyle& style);
    void setParagraph(std::size_t index, const ParaStyle& style) { paras_[index] = style; }

    // Each distinct look of the characters in the range, once (for an empty
    // range, the look typing there would take).
    void forEachStyle(std::size_t start, std::size_t length,
                      const std::function<void(const CharStyle&)>& visit) const;
    // Changes the look of the range (an empty range: of what is typed there next).
    void changeStyle(std::size_t start, std::size_t length,
                     const std::function<void(CharStyle&)>& change);
    // The paragraphs the range touches.
    std::pair<std::size_t, std::size_t> paragraphsOf(std::size_t start, std::size_t length) const;
    void changeParagraphs(std::size_t start, std::size_t length,
                          const std::function<void(ParaStyle&)>& change);

    // Runs of one look, paragraph by paragraph, as [start, end) positions
    // (line breaks belong to no run), found in one pass over the text.
    struct Run {
        std::size_t start, end;
        const CharStyle* style;
    };
    std::vector<std::vector<Run>> runsByParagraph() const;
    // Where paragraph `index` starts in the text.
    std::size_t paragraphStart(std::size_t index) const;

  private:
    std::uint32_t intern(const CharStyle& style);
    std::uint32_t styleIndexForInsert(std::size_t start, std::size_t length) const;
    std::size_t paragraphOf(std::size_t position) const;
    void snapToBreaks(std::size_t& start, std::size_t& end) const;

    Text text_;
    std::vector<std::uint32_t> look_;  // per UTF-16 unit: an index into styles_
    std::vector<CharStyle> styles_;    // styles_[0] is the control's plain look
    std::vector<ParaStyle> paras_;     // one more than the line breaks
    // What a script set for typing at a caret with nothing selected.
    std::optional<std::pair<std::size_t, std::uint32_t>> typing_;
};

// Rich Text Format, written and read for the formatting a document holds.
// `baseFont` and `baseSize` stand for the looks that follow the control.
// Only ASCII is written: other characters as \uN escapes.
Text writeRtf(const RichTextDocument& document, TextView baseFont, double baseSize);

struct RtfResult {
    std::optional<RichTextDocument> document;
    Text error;  // why it was refused, when document is empty
};
// Text that does not start with "{\rtf" is taken as plain text, as typed.
RtfResult readRtf(TextView rtf);

}  // namespace qel
