// The entry object of every keyed table of the language (commands, setting
// words, functions, user procedures, variables) and the keyed collection that
// holds them.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/value_text.h"
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

    KeyedTable() = default;
    // A copy or a table moved in is another table: it takes a generation of
    // its own, so nothing remembered of the table it replaces is trusted.
    KeyedTable(const KeyedTable& other) : index_(other.index_), order_(other.order_) {}
    KeyedTable(KeyedTable&& other) noexcept
        : index_(std::move(other.index_)), order_(std::move(other.order_)) {
        other.changed();
    }
    KeyedTable& operator=(const KeyedTable& other) {
        index_ = other.index_;
        order_ = other.order_;
        changed();
        return *this;
    }
    KeyedTable& operator=(KeyedTable&& other) noexcept {
        index_ = std::move(other.index_);
        order_ = std::move(other.order_);
        changed();
        other.changed();
        return *this;
    }

    // Changes whenever an entry is added or removed (or the table is
    // replaced): an entry found at one generation is still what a look-up
    // would find while the generation is the same. Generations are unique
    // across all tables.
    std::uint64_t generation() const { return generation_; }

    // The keys of a procedure's fresh locals table come in the same order on
    // every call of that procedure, so after binding them the caller marks
    // the table with a stamp of that key list (newShape, once per parameter
    // list). Tables with equal non-zero shapes hold the same keys at the same
    // positions; any later change makes the shape 0 (unknown). A name's
    // position — or its absence — found once holds for every table of the
    // shape, without comparing names.
    std::uint64_t shape() const { return shape_; }
    void setShape(std::uint64_t shape) { shape_ = shape; }
    static std::uint64_t newShape() { return nextGeneration(); }

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
        changed();
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
        changed();
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
        changed();
        order_.clear();
        // Clearing even an empty hash index writes its buckets.
        if (!index_.empty()) index_.clear();
    }
    // Empties the table as clear() does, handing each entry to `take` first
    // (which may keep it for reuse).
    template <class F>
    void clearInto(F&& take) {
        changed();
        if (!index_.empty()) index_.clear();
        for (auto& [key, entry] : order_) take(std::move(entry));
        order_.clear();
    }
    // Empties the values of a table with a shape, keeping its keys, entries
    // and shape, so the next call of the same procedure binds into it; false
    // (and nothing changed) when something outside holds one of its entries.
    bool emptyValuesKeepingShape() {
        for (const auto& [key, entry] : order_) {
            if (entry.use_count() != 1) return false;
        }
        for (auto& [key, entry] : order_) entry->Value.clear();
        return true;
    }
    // The entry at a position of the insertion order.
    xxCmdData& entryAt(std::size_t position) { return *order_[position].second; }
    const xxCmdData& entryAt(std::size_t position) const { return *order_[position].second; }
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // Entries in insertion order, with the key each stands under.
    const std::vector<std::pair<Text, Entry>>& inOrder() const { return order_; }

  private:
    // Most tables (a procedure's locals, a script's few variables) hold a
    // handful of names: comparing them in turn is cheaper than hashing, and
    // the hash index is built only when a table grows past this.
    static constexpr std::size_t kLinearLimit = 8;

    static std::uint64_t nextGeneration() {
        static std::atomic<std::uint64_t> counter{0};
        return counter.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    void changed() {
        generation_ = nextGeneration();
        shape_ = 0;
    }

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
    std::uint64_t generation_ = nextGeneration();
    std::uint64_t shape_ = 0;
};

}  // namespace qel
