// INI text: sections in brackets, key=value lines, comments. A document keeps
// every line as it was read (comments, blank lines, order, each line's own
// line end) and changes only the lines a write touches, so a file edited by
// hand or by another program comes back the way its owner left it. Sections
// and keys compare without regard to the case of Latin letters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace qel::ini {

// How the file's bytes were written; a document is written back the same way.
enum class Encoding { Utf8, Utf8WithBom, Utf16LE, Utf16BE, Cp932 };

struct Line {
    enum class Kind { Blank, Comment, Section, Entry, Other };
    Kind kind = Kind::Other;
    Text text;    // the line as written, without its line end
    Text ending;  // "\r\n", "\n", "\r", or "" on a last line without one
    Text name;    // section name, or entry key (trimmed)
};

class Document {
  public:
    Document() = default;
    // Detects the encoding (byte-order mark, else valid UTF-8, else code page
    // 932) and splits the lines.
    static Document fromBytes(std::string_view bytes);
    static Document fromText(TextView text, Encoding encoding = Encoding::Utf8);

    // The bytes in the document's encoding; nothing when a character cannot
    // be written in it (code page 932 lacks it), with that character in
    // *unwritable.
    std::optional<std::string> toBytes(char16_t* unwritable = nullptr) const;
    Text toText() const;

    // The value of the first such key (trimmed), in any section of that name.
    std::optional<Text> get(TextView section, TextView key) const;
    // Replaces the value of the first such key, keeping the line's spelling
    // of the key; else adds the key at the end of the first section of that
    // name; else adds the section at the end of the document.
    void set(TextView section, TextView key, TextView value);
    // False when there was no such key. Every line with that key goes.
    bool removeKey(TextView section, TextView key);
    // Removes every section of that name with its lines; false when none.
    bool removeSection(TextView section);

    // Section names in order of first appearance (one per name).
    std::vector<Text> sectionNames() const;
    // Keys of every section of that name, in order (one per key).
    std::vector<Text> keys(TextView section) const;

    const std::vector<Line>& lines() const { return lines_; }
    Encoding encoding() const { return encoding_; }
    // The line end new lines get: the file's first, or LF for a new file.
    TextView lineEnd() const { return lineEnd_; }
    void setLineEnd(TextView ending) { lineEnd_ = Text(ending); }

  private:
    // [first, last) line range of each section with that name.
    std::vector<std::pair<std::size_t, std::size_t>> sectionRanges(TextView section) const;
    void insertLine(std::size_t at, Line line);

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    Text lineEnd_ = u"\n";
};

// Classifies one line (without its end).
Line parseLine(TextView text);
// ASCII blanks and tabs, the only blanks INI trims.
TextView trimIni(TextView text);

}  // namespace qel::ini
