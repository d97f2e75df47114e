// Helpers shared by the constructs that walk statement lists (もし blocks,
// loops, 分岐).
#pragma once

#include <cstddef>
#include <memory>

#include "core/compiled.h"

namespace qel {

class Engine;
struct StatementRecord;

// Where a walker goes on after executing statement `executed`: after the
// line a construct left as current when it consumed lines or jumped (the
// jump flag is cleared), else the next statement.
std::size_t nextStatement(Engine& engine, std::size_t executed);

// Nodes for a statement that ran once (core/compiled.h); null when the
// statement must keep running the ordinary way. A one-line もし:
std::unique_ptr<CompiledStatement> compileConditional(StatementRecord& record, Engine& engine);
// A 抜ける statement, whose handler its first run resolved:
std::unique_ptr<CompiledStatement> compileLeave(StatementRecord& record, Engine& engine);

}  // namespace qel
