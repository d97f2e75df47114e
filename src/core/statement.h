// Statement and program records: what the front end makes of a script.
#pragma once

#include <cstdint>
#include <memory>
#include <typeinfo>
#include <vector>

#include "core/cmd_data.h"
#include "text/text.h"

namespace qel {

// The particle mark: surrounds recognised particles in `marked`.
constexpr char16_t kParticleMark = u'\x03';

enum class StatementKind : int32_t {
    Command = 0,
    Assign = 1,
    Setting = 2,
    PropertyAssign = 3,
    If = 4,
    Sequence = 5,
    ProcHead = 6,
    End = 7,
    Label = 8,
    ProcCall = 9,
    ProcCallWithArgs = 10,
};

// Work a handler has done once for a statement and reuses on its later
// executions in the same run (the particles it asked for, the branch texts of
// a one-line もし parsed into records). Each handler keeps its own kind.
struct RecordCache {
    virtual ~RecordCache() = default;
};

// A record's cache slot. A copied record starts without a cache and makes
// its own on first use: the cache is the handler's work on that record's
// text, and sharing it would cost every record a reference count.
class RecordCacheSlot {
public:
    RecordCacheSlot() = default;
    RecordCacheSlot(const RecordCacheSlot&) {}
    RecordCacheSlot& operator=(const RecordCacheSlot&) {
        cache_.reset();
        return *this;
    }
    RecordCacheSlot(RecordCacheSlot&&) noexcept = default;
    RecordCacheSlot& operator=(RecordCacheSlot&&) noexcept = default;
    RecordCacheSlot& operator=(std::unique_ptr<RecordCache> cache) {
        cache_ = std::move(cache);
        return *this;
    }
    RecordCache* get() const { return cache_.get(); }

private:
    std::unique_ptr<RecordCache> cache_;
};

struct StatementRecord {
    StatementKind kind = StatementKind::Command;
    CommandHandler handler = nullptr;  // resolved on first execution, kept for the run
    Text source;
    // The source with its particles marked; empty until a particle split
    // marks it (it then stands for the source itself).
    Text marked;
    std::vector<Text> particleArgs;
    Text head;
    Text woArg;
    Text heArg;
    Text extraArg;
    RecordCacheSlot cache;  // made on first execution
};

// The cache of kind T of a record, created on first use.
template <class T>
T& recordCache(StatementRecord& record) {
    // An exact type check: cheaper than a dynamic_cast on every statement,
    // and a record only ever holds the cache of the handler that made it.
    RecordCache* existing = record.cache.get();
    if (existing && typeid(*existing) == typeid(T)) return static_cast<T&>(*existing);
    auto created = std::make_unique<T>();
    T& ref = *created;
    record.cache = std::move(created);
    return ref;
}

struct ProgramRecord {
    std::vector<StatementRecord> statements;
    Text sourceName;
    std::vector<int16_t> depth;
    std::vector<bool> inBlock;
    std::shared_ptr<KeyedTable> locals;  // created on first ここだけの変数
    // Per statement, where the loop block it opens ends (-1: not a loop
    // line); made by the loop command when it first runs a block here.
    std::vector<int32_t> loopEnds;
};

}  // namespace qel
