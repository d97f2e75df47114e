#include "core/text/brackets.h"

#include <array>

namespace qel::text {
namespace {

constexpr std::size_t kMaxPairs = 4;

// Which pairs of the set count for this text: those that occur and are
// balanced over the whole text.
struct PairState {
    std::array<bool, kMaxPairs> active{};
    bool any = false;
};

PairState activePairs(TextView text, const BracketPairs& pairs) {
    std::array<int, kMaxPairs> open{}, close{};
    for (char16_t c : text) {
        for (std::size_t k = 0; k < pairs.open.size(); ++k) {
            if (c == pairs.open[k]) ++open[k];
            if (c == pairs.close[k]) ++close[k];
        }
    }
    PairState state;
    for (std::size_t k = 0; k < pairs.open.size(); ++k) {
        state.active[k] = open[k] > 0 && open[k] == close[k];
        state.any = state.any || state.active[k];
    }
    return state;
}

// Walks the text once, keeping running counts, and reports for each
// candidate position whether it lies inside.
class InsideScanner {
  public:
    InsideScanner(TextView text, const BracketPairs& pairs)
        : text_(text), pairs_(pairs), state_(activePairs(text, pairs)) {}

    bool inside(std::size_t pos) {
        if (!state_.any) return false;
        for (; counted_ <= pos && counted_ < text_.size(); ++counted_) {
            char16_t c = text_[counted_];
            for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
                if (c == pairs_.open[k]) ++open_[k];
                if (c == pairs_.close[k]) ++close_[k];
            }
        }
        for (std::size_t k = 0; k < pairs_.open.size(); ++k) {
            if (state_.active[k] && open_[k] != close_[k]) return true;
        }
        return false;
    }

  private:
    TextView text_;
    const BracketPairs& pairs_;
    PairState state_;
    std::size_t counted_ = 0;
    std::array<int, kMaxPairs> open_{}, close_{};
};

}  // namespace

bool isInsideBrackets(TextView text, std::size_t pos, const BracketPairs& pairs) {
    return InsideScanner(text, pairs).inside(pos);
}

std::size_t findOutside(TextView text, TextView needle, const BracketPairs& pairs,
                        std::size_t from) {
    if (needle.empty()) return npos;
    InsideScanner scanner(text, pairs);
    for (std::size_t p = text.find(needle, from); p != npos; p = text.find(needle, p + 1)) {
        if (!scanner.inside(p)) return p;
    }
    return npos;
}

std::size_t findLastOutside(TextView text, TextView needle, const BracketPairs& pairs,
                            std::size_t before) {
    if (needle.empty()) return npos;
    PairState state = activePairs(text, pairs);
    for (std::size_t p = text.rfind(needle, before); p != npos;
         p = p == 0 ? npos : text.rfind(needle, p - 1)) {
        if (!state.any || !isInsideBrackets(text, p, pairs)) return p;
    }
    return npos;
}

}  // namespace qel::text
