// The entry object of every keyed table of the language (commands, setting
// words, functions, user procedures, variables) and the keyed collection that
// holds them.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/number.h"
#include "text/text.h"

namespace qel {

class Engine;
struct StatementRecord;

// The shapes of command (and setting-word) handlers and of function handlers.
// Handler families declare theirs by these types, several to a line
// (`CommandFn cmdPut, cmdAdd;` declares two functions).
using CommandFn = void(StatementRecord& record, Engine& engine);
using FunctionFn = void(Text& result, Text& args, Engine& engine);
using CommandHandler = CommandFn*;
using FunctionHandler = FunctionFn*;

// A variable's text with its number kept beside it. Scripts only ever see
// the text; the number saves reading the same digits again on every use, and
// a number stored by arithmetic is written out only when its text is asked
// for (it is then exactly number::format of it).
class ValueText {
  public:
    ValueText() = default;
    ValueText(Text text) : text_(std::move(text)) {}
    ValueText& operator=(Text text) {
        text_ = std::move(text);
        numberState_ = kUnknown;
        textStale_ = false;
        hintRow_ = 0;
        return *this;
    }
    ValueText& operator=(TextView text) { return *this = Text(text); }
    ValueText& operator=(const char16_t* text) { return *this = Text(text); }

    const Text& text() const {
        if (textStale_) {
            text_ = number::format(number_);
            textStale_ = false;
        }
        return text_;
    }
    operator const Text&() const { return text(); }
    operator TextView() const { return text(); }
    bool empty() const { return text().empty(); }

    // The text read leniently as a number (what arithmetic uses).
    double asNumber() const {
        if (numberState_ == kUnknown) {
            auto parsed = number::parse(text());
            numberState_ = parsed ? kNumber : kNotNumber;
            number_ = parsed.value_or(0);
        }
        return numberState_ == kNumber ? number_ : number::toNumber(text_);
    }
    // Keeps a computed number. The number kept must be the one its text
    // reads as (at most 15 significant digits), or later arithmetic would
    // see digits the script never could: 1÷3 is 0.333333333333333, and that
    // times 3 is 0.999999999999999, not 1. Whole numbers below 10^15 are
    // exactly their text, so only those are kept without writing them out.
    // The number the text reads as, when it reads as one (the text is then
    // exactly that number's reading: see setNumber).
    bool readsAsNumber(double& out) const {
        asNumber();
        if (numberState_ != kNumber) return false;
        out = number_;
        return true;
    }
    void setNumber(double value) {
        numberState_ = kNumber;
        if (std::fabs(value) < 1e15 && std::trunc(value) == value) {
            number_ = value + 0.0;  // no negative zero: its text is "0"
            textStale_ = true;
            return;
        }
        text_ = number::format(value);
        number_ = number::parse(text_).value_or(0);
        textStale_ = false;
    }
    // The text for editing in place; the kept number is dropped.
    Text& edit() {
        text();
        numberState_ = kUnknown;
        hintRow_ = 0;
        return text_;
    }

    // Where row r (1-based) of the text as a table starts, or npos past the
    // last row. Tables are read and filled row after row, so the last row
    // found is remembered and the next search starts there: walking a table
    // stays linear in its size.
    std::size_t rowStart(long long r) const {
        const Text& t = text();
        long long row = 1;
        std::size_t start = 0;
        if (hintRow_ > 0 && hintRow_ <= r) {
            row = hintRow_;
            start = hintStart_;
        }
        for (; row < r; ++row) {
            std::size_t p = t.find(kCRLF, start);
            if (p == Text::npos) return Text::npos;
            start = p + 2;
        }
        hintRow_ = r;
        hintStart_ = start;
        return start;
    }
    // After an edit inside row r, which leaves where row r starts unchanged.
    void keepRowHint(long long r, std::size_t start) {
        hintRow_ = r;
        hintStart_ = start;
    }
    ValueText& operator+=(TextView more) {
        edit() += more;
        return *this;
    }

  private:
    enum : std::uint8_t { kUnknown, kNumber, kNotNumber };
    mutable Text text_;
    mutable double number_ = 0;
    mutable std::uint8_t numberState_ = kUnknown;
    mutable bool textStale_ = false;
    mutable long long hintRow_ = 0;  // 0: no row remembered
    mutable std::size_t hintStart_ = 0;
};

struct xxCmdData {
    Text Name;
    int32_t Num = 0;    // procedures: number of the defining program
    int16_t Flags = 0;  // commands: registration flag; functions: binding threshold
    // FuncPnt of the language: a command/setting handler, a function handler,
    // or, for a procedure, the index of its first body statement.
    CommandHandler command = nullptr;
    FunctionHandler function = nullptr;
    int32_t FuncPnt = 0;
    std::vector<Text> Joshi;
    ValueText Value;
    // A parsed form of Value kept by its user (a procedure's parameter list,
    // parsed on its first call).
    std::shared_ptr<const void> parsed;
};

// Hashing and equality that ignore the case of Latin letters without building
// a folded copy of the key, so a lookup costs no allocation.
struct FoldedHash {
    using is_transparent = void;
    std::size_t operator()(TextView key) const noexcept {
        std::size_t h = 1469598103934665603ull;
        for (char16_t c : key) h = (h ^ text::foldAscii(c)) * 1099511628211ull;
        return h;
    }
};
struct FoldedEqual {
    using is_transparent = void;
    bool operator()(TextView a, TextView b) const noexcept { return text::equalsFolded(a, b); }
};

// A keyed collection that remembers insertion order (which decides, for
// example, which command a verb containing several names reaches). One entry
// object may stand under several keys (aliases added by 宣言).
class KeyedTable {
  public:
    using Entry = std::shared_ptr<xxCmdData>;

    xxCmdData* find(TextView key) const {
        const Entry* found = lookup(key);
        return found ? found->get() : nullptr;
    }
    // The shared entry, for callers that must keep it alive while the table
    // may change under them (a procedure body re-registering procedures).
    Entry findShared(TextView key) const {
        const Entry* found = lookup(key);
        return found ? *found : nullptr;
    }
    // Returns false (and changes nothing) when the key is already present.
    bool add(TextView key, Entry entry) {
        if (lookup(key)) return false;
        order_.push_back({Text(key), std::move(entry)});
        if (!index_.empty()) {
            index_.emplace(order_.back().first, order_.back().second);
        } else if (order_.size() > kLinearLimit) {
            for (const auto& [k, e] : order_) index_.emplace(k, e);
        }
        return true;
    }
    bool remove(TextView key) {
        if (!lookup(key)) return false;
        index_.erase(Text(key));
        for (auto o = order_.begin(); o != order_.end(); ++o) {
            if (text::equalsFolded(o->first, key)) {
                order_.erase(o);
                break;
            }
        }
        return true;
    }
    // Empties the table but keeps its storage, for tables made and dropped
    // over and over (a procedure's locals).
    void clear() {
        order_.clear();
        index_.clear();
    }
    // Empties the table as clear() does, handing each entry to `take` first
    // (which may keep it for reuse).
    template <class F>
    void clearInto(F&& take) {
        index_.clear();
        for (auto& [key, entry] : order_) take(std::move(entry));
        order_.clear();
    }
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // Entries in insertion order, with the key each stands under.
    const std::vector<std::pair<Text, Entry>>& inOrder() const { return order_; }

  private:
    // Most tables (a procedure's locals, a script's few variables) hold a
    // handful of names: comparing them in turn is cheaper than hashing, and
    // the hash index is built only when a table grows past this.
    static constexpr std::size_t kLinearLimit = 8;

    const Entry* lookup(TextView key) const {
        if (index_.empty()) {
            for (const auto& [k, e] : order_) {
                if (k.size() == key.size() && text::equalsFolded(k, key)) return &e;
            }
            return nullptr;
        }
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &it->second;
    }

    std::unordered_map<Text, Entry, FoldedHash, FoldedEqual> index_;
    std::vector<std::pair<Text, Entry>> order_;
};

}  // namespace qel
