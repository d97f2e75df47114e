// Helpers shared by the constructs that walk statement lists (もし blocks,
// loops, 分岐).
#pragma once

#include <cstddef>

namespace qel {

class Engine;

// Where a walker goes on after executing statement `executed`: after the
// line a construct left as current when it consumed lines or jumped (the
// jump flag is cleared), else the next statement.
std::size_t nextStatement(Engine& engine, std::size_t executed);

}  // namespace qel
