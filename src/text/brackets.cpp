#include "text/brackets.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qel::text {

BracketScanner::BracketScanner(TextView text, const BracketPairs& pairs)
    : text_(text), pairs_{pairs.open.substr(0, kMaxPairs), pairs.close.substr(0, kMaxPairs)} {
    // Only pairs that occur and are balanced over the whole text count.
    std::array<int, kMaxPairs> open{}, close{};
    for (char16_t c : text) {
        for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
            if (c == pairs_.open[k]) ++open[k];
            if (c == pairs_.close[k]) ++close[k];
        }
    }
    for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
        active_[k] = open[k] > 0 && open[k] == close[k];
        any_ = any_ || active_[k];
    }
}

bool BracketScanner::inside(std::size_t pos) {
    if (!any_) return false;
    for (; counted_ <= pos && counted_ < text_.size(); ++counted_) {
        char16_t c = text_[counted_];
        for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
            if (c == pairs_.open[k]) ++open_[k];
            if (c == pairs_.close[k]) ++close_[k];
        }
    }
    for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
        if (active_[k] && open_[k] != close_[k]) return true;
    }
    return false;
}

RemainderBracketTest::RemainderBracketTest(TextView whole, const BracketPairs& pairs)
    : whole_(whole),
      pairs_{pairs.open.substr(0, BracketScanner::kMaxPairs),
             pairs.close.substr(0, BracketScanner::kMaxPairs)} {
    advance(total_, whole.size());
}

void RemainderBracketTest::advance(Counts& counts, std::size_t to) const {
    to = std::min(to, whole_.size());
    for (; counts.at < to; ++counts.at) {
        char16_t c = whole_[counts.at];
        for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
            if (c == pairs_.open[k]) ++counts.open[k];
            if (c == pairs_.close[k]) ++counts.close[k];
        }
    }
}

bool RemainderBracketTest::inside(std::size_t start, std::size_t pos) {
    advance(start_, start);
    advance(pos_, pos + 1);
    for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
        int open = total_.open[k] - start_.open[k];
        int close = total_.close[k] - start_.close[k];
        if (open == 0 || open != close) continue;  // this pair does not count here
        if (pos_.open[k] - start_.open[k] != pos_.close[k] - start_.close[k]) return true;
    }
    return false;
}

bool isInsideBrackets(TextView text, std::size_t pos, const BracketPairs& pairs) {
    return BracketScanner(text, pairs).inside(pos);
}

std::size_t findOutside(TextView text, TextView needle, const BracketPairs& pairs,
                        std::size_t from) {
    if (needle.empty()) return npos;
    BracketScanner scanner(text, pairs);
    for (std::size_t p = text.find(needle, from); p != npos; p = text.find(needle, p + 1)) {
        if (!scanner.inside(p)) return p;
    }
    return npos;
}

std::size_t findLastOutside(TextView text, TextView needle, const BracketPairs& pairs,
                            std::size_t before) {
    if (needle.empty()) return npos;
    std::size_t last = text.rfind(needle, before);
    if (last == npos) return npos;
    BracketScanner scanner(text, pairs);
    if (!scanner.inside(last)) return last;
    // The last occurrence is bracketed: walk forward once, remembering the
    // last outside one, so that many bracketed occurrences cost one pass.
    BracketScanner forward(text, pairs);
    std::size_t found = npos;
    for (std::size_t p = text.find(needle); p != npos && p < last; p = text.find(needle, p + 1)) {
        if (!forward.inside(p)) found = p;
    }
    return found;
}

std::size_t findAnyOutside(TextView text, TextView chars, const BracketPairs& pairs,
                           std::size_t from, std::size_t end) {
    end = std::min(end, text.size());
    std::optional<BracketScanner> scanner;  // built at the first candidate
    for (std::size_t p = text.find_first_of(chars, from); p < end;
         p = text.find_first_of(chars, p + 1)) {
        if (!scanner) scanner.emplace(text, pairs);
        if (!scanner->inside(p)) return p;
    }
    return npos;
}

}  // namespace qel::text
