// Compiled statements: a statement that has run once and whose kind is known
// is turned into a node that runs it again straight from what its first run
// worked out (the resolved handler's state, the analysed expressions),
// without the library's per-statement dispatch. A statement that cannot be
// compiled keeps running the ordinary way.
//
// A node lives in its statement record, so it goes with the record: a
// program text loaded again (実行, 日本語処理, the editor's or the C API's
// text) makes new records, and with them new nodes.
#pragma once

#include <cstdint>
#include <memory>

namespace qel {

class Engine;
class NumberComparison;
struct StatementRecord;
namespace eval {
struct ArgPlan;
}

// What a node does, for the few forms a procedure that only computes with
// numbers is made of (core/numeric_procedures.h). Pointers stay with the node.
struct NodeForm {
    enum class Kind : std::uint8_t { Leave, IfLeave, AssignNumber };
    Kind kind = Kind::Leave;
    // Leave: the answer's analysis (null: a leave without one).
    // AssignNumber: the arithmetic stored into the record's head.
    const eval::ArgPlan* value = nullptr;
    // IfLeave: a comparison of a variable with a number, whether it is
    // negated, and the branch run when it holds (a record whose node is a
    // Leave). There is no other branch.
    const NumberComparison* comparison = nullptr;
    bool negate = false;
    StatementRecord* branch = nullptr;
};

class CompiledStatement {
  public:
    virtual ~CompiledStatement() = default;
    // Runs the statement. The engine's per-statement guards (stop request,
    // budget, watcher, stack) have been passed already.
    virtual void run(Engine& engine, StatementRecord& record) = 0;
    // Fills `form` when the node is one of those forms.
    virtual bool describe(NodeForm& form) {
        (void)form;
        return false;
    }
};

// A record's node and how far its compilation got. Compiling waits for a
// second run: the first run resolves the handler and makes the caches a
// node is built from, and most statements of a script run only once. A
// copied record starts over.
class CompiledSlot {
  public:
    enum class State : std::uint8_t { Unseen, Seen, Compiled, NotCompilable };

    CompiledSlot() = default;
    CompiledSlot(const CompiledSlot&) {}
    CompiledSlot& operator=(const CompiledSlot&) {
        node_.reset();
        state_ = State::Unseen;
        return *this;
    }
    CompiledSlot(CompiledSlot&&) noexcept = default;
    CompiledSlot& operator=(CompiledSlot&&) noexcept = default;

    CompiledStatement* node() const { return node_.get(); }
    State state() const { return state_; }
    void markSeen() { state_ = State::Seen; }
    void set(std::unique_ptr<CompiledStatement> node) {
        node_ = std::move(node);
        state_ = node_ ? State::Compiled : State::NotCompilable;
    }

  private:
    std::unique_ptr<CompiledStatement> node_;
    State state_ = State::Unseen;
};

}  // namespace qel
