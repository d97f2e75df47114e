// Statement and program records: what the front end makes of a script.
#pragma once

#include <cstdint>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/cmd_data.h"
#include "core/compiled.h"
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
// executions in the same run (the branch texts of a one-line もし parsed into
// records, a loop's plan). Each handler keeps its own kind.
struct RecordCache {
    virtual ~RecordCache() = default;
};

// The arguments of a statement bound to its particles, made when a handler
// first asks for them and kept for the run (see core/parser.h). Handlers read
// their arguments here; the record's parsed fields stay as the parser made
// them.
struct BoundArguments {
    Text marked;  // the source with every particle bound so far marked
    Text head;
    Text woArg;
    Text heArg;
    // Each particle asked for with its argument, in the order first asked.
    std::vector<std::pair<Text, Text>> asked;
    bool commandBound = false;  // the command row's own particles are bound
    // The answer of a handler that always asks the same particles.
    std::vector<Text> fixedList;
    bool fixedListBound = false;
};

// An owned run-time part of a record. A copied record starts without it and
// makes its own on first use: the part is work on that record's text, and
// sharing it would cost every record a reference count.
template <class T>
class RunTimeSlot {
  public:
    RunTimeSlot() = default;
    RunTimeSlot(const RunTimeSlot&) {}
    RunTimeSlot& operator=(const RunTimeSlot&) {
        part_.reset();
        return *this;
    }
    RunTimeSlot(RunTimeSlot&&) noexcept = default;
    RunTimeSlot& operator=(RunTimeSlot&&) noexcept = default;
    RunTimeSlot& operator=(std::unique_ptr<T> part) {
        part_ = std::move(part);
        return *this;
    }
    T* get() const { return part_.get(); }

  private:
    std::unique_ptr<T> part_;
};
using RecordCacheSlot = RunTimeSlot<RecordCache>;

// A text field that most records leave empty: it costs one pointer until it
// holds something. Beside its text it keeps a record's rarely made texts
// (`aside`), so that they cost no pointer of their own.
class RareText {
  public:
    RareText() = default;
    RareText(const RareText& other)
        : held_(other.held_ ? std::make_unique<Held>(*other.held_) : nullptr) {}
    RareText& operator=(const RareText& other) {
        held_ = other.held_ ? std::make_unique<Held>(*other.held_) : nullptr;
        return *this;
    }
    RareText(RareText&&) noexcept = default;
    RareText& operator=(RareText&&) noexcept = default;
    RareText& operator=(Text text) {
        if (text.empty() && aside().empty()) {
            held_.reset();
        } else {
            ensureHeld().text = std::move(text);
        }
        return *this;
    }
    const Text& text() const { return held_ ? held_->text : none(); }
    operator const Text&() const { return text(); }
    bool empty() const { return text().empty(); }
    friend bool operator==(const RareText& a, TextView b) { return TextView(a.text()) == b; }

    const Text& aside() const { return held_ ? held_->aside : none(); }
    void setAside(Text aside) { ensureHeld().aside = std::move(aside); }

  private:
    struct Held {
        Text text;
        Text aside;
    };
    Held& ensureHeld() {
        if (!held_) held_ = std::make_unique<Held>();
        return *held_;
    }
    static const Text& none() {
        static const Text nothing;
        return nothing;
    }
    std::unique_ptr<Held> held_;
};

// The fields of a statement record. The parsed fields (kind, source, head,
// woArg, heArg) describe the line as written; `handler`, `cache` and `bound`
// are the run's work on it.
struct StatementFields {
    StatementKind kind = StatementKind::Command;
    CommandHandler handler = nullptr;  // resolved on first execution, kept for the run
    Text source;
    // The command word (or assigned name) and the を argument, as views: they
    // are nearly always parts of `source` and would otherwise cost a line two
    // more texts. Set them through StatementRecord::setHead / setWoArg.
    TextView head;
    TextView woArg;
    RareText heArg;         // its aside holds the few parts the source does not hold as written
    RecordCacheSlot cache;  // made on first execution
    mutable RunTimeSlot<BoundArguments> bound;  // made when first asked for
    CompiledSlot compiled;                      // made on the second execution
};

// What the parser makes of one line. Copying or moving a record points its
// views at its own texts.
struct StatementRecord : StatementFields {
    StatementRecord() = default;
    StatementRecord(const StatementRecord& other) : StatementRecord(other, other.placeOfParts()) {}
    StatementRecord(StatementRecord&& other) noexcept
        : StatementRecord(std::move(other), other.placeOfParts()) {}
    StatementRecord& operator=(const StatementRecord& other);
    StatementRecord& operator=(StatementRecord&& other) noexcept;
    ~StatementRecord() = default;

    void setHead(TextView text) { place(head, text); }
    void setWoArg(TextView text) { place(woArg, text); }

  private:
    // Where a view lies, kept across a copy or a move of the texts it views.
    struct PartPlace {
        enum class In : uint8_t { Nowhere, Source, Made, Elsewhere } in = In::Nowhere;
        std::size_t offset = 0;
        TextView view;  // the view itself, for a constant text elsewhere
    };
    struct PartPlaces {
        PartPlace head;
        PartPlace woArg;
    };
    StatementRecord(const StatementRecord& other, const PartPlaces& places)
        : StatementFields(other) {
        restoreParts(places);
    }
    StatementRecord(StatementRecord&& other, const PartPlaces& places) noexcept
        : StatementFields(std::move(other)) {
        restoreParts(places);
    }
    PartPlace placeOf(TextView part) const;
    TextView viewAt(const PartPlace& place, std::size_t size) const;
    PartPlaces placeOfParts() const { return {placeOf(head), placeOf(woArg)}; }
    void restoreParts(const PartPlaces& places) {
        head = viewAt(places.head, head.size());
        woArg = viewAt(places.woArg, woArg.size());
    }
    void place(TextView& part, TextView text);
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
    // The file it was read from, absolute ("/" separators); empty for texts
    // (日本語処理, declared methods). A debugger's breakpoints name files so.
    Text filePath;
    std::vector<int16_t> depth;
    std::vector<bool> inBlock;
    std::shared_ptr<KeyedTable> locals;  // created on first ここだけの変数
    // Per statement, where the loop block it opens ends (-1: not a loop
    // line); made by the loop command when it first runs a block here.
    std::vector<int32_t> loopEnds;
};

}  // namespace qel
