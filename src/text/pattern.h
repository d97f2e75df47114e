// Regular expressions on script text. Every pattern of the language is read
// the same way: Unicode character classes, \uHHHH escapes, and subjects with
// unpaired surrogates searched rather than refused. The wrapper says what went
// wrong as a status; the caller decides which error that is for a script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "text/text.h"

struct pcre2_real_code_16;

namespace qel::text {

enum class PatternStatus {
    kOk,
    // The pattern, or the replacement given with it, cannot be read.
    kMalformed,
    // The pattern is sound but this subject makes it try too many ways (the
    // match, depth or heap limit was reached, or the backtracking memory ran
    // out).
    kTooComplex,
    // No room for the match results.
    kOutOfMemory,
    // The caller's length check refused the result (and said why itself).
    kRefused,
};

class Pattern {
  public:
    struct Match {
        std::size_t start = 0, end = 0;
        std::vector<Text> groups;  // group 0 is the whole match; unset groups are empty
    };

    // Null when the pattern cannot be compiled.
    static std::unique_ptr<Pattern> compile(TextView source, bool ignoreCase);

    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;
    ~Pattern();

    // The pattern as written, for error reports.
    const Text& source() const { return source_; }

    // Whether the pattern matches anywhere in the subject.
    PatternStatus search(TextView subject, bool& found) const;

    // Every non-overlapping match, left to right, at most `limit`. On a
    // failure `matches` holds nothing: a match given up half way must not be
    // taken for the last one.
    PatternStatus findAll(TextView subject, std::size_t limit, std::vector<Match>& matches) const;

    // Every match replaced ($1, ${name}, $0, $& and $$ in the replacement;
    // groups that did not take part give nothing). `allowLength` is asked
    // before room is made for a result longer than first guessed.
    PatternStatus replaceAll(TextView subject, TextView replacement, Text& out,
                             const std::function<bool(std::size_t length)>& allowLength) const;

  private:
    struct CodeDeleter {
        void operator()(pcre2_real_code_16* code) const;
    };
    Pattern(std::unique_ptr<pcre2_real_code_16, CodeDeleter> code, TextView source);

    std::unique_ptr<pcre2_real_code_16, CodeDeleter> code_;
    Text source_;
};

// Patterns compiled once and kept by their text, for a test that runs again
// and again (a condition inside a loop). A pattern that does not compile is
// not kept, so that every use of it is reported.
class PatternCache {
  public:
    explicit PatternCache(bool ignoreCase) : ignoreCase_(ignoreCase) {}
    // Null when the pattern cannot be compiled.
    const Pattern* get(TextView source);

  private:
    struct SourceHash {
        using is_transparent = void;
        std::size_t operator()(TextView t) const noexcept { return std::hash<TextView>{}(t); }
    };
    bool ignoreCase_;
    std::unordered_map<Text, std::unique_ptr<Pattern>, SourceHash, std::equal_to<>> patterns_;
};

}  // namespace qel::text
