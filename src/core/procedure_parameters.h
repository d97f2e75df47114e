// A procedure's parameter list, parsed on its first call and kept with its
// entry (xxCmdData::parsed), with what its calls keep for the next one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/cmd_data.h"
#include "text/text.h"

namespace qel {

namespace numeric {
class Cluster;
}

struct Parameter {
    Text name;
    Text particle;  // empty for a positional parameter
};

struct ParsedParameters {
    bool valid = false;
    // Some parameter takes its argument by position (none names a particle
    // of its own): the argument text is split at its commas.
    bool anyPositional = false;
    std::vector<Parameter> params;
    // The shape of a locals table holding just these parameters.
    std::uint64_t localsShape = KeyedTable::newShape();
    // One emptied locals table of this shape, kept for the next call: a
    // loop calling the procedure takes and gives back the same table
    // without searching the engine's pool. Deeper recursion uses the pool.
    mutable std::shared_ptr<KeyedTable> spare;
    // The procedure run on numbers alone (core/numeric_procedures.h), once
    // made, and how the making stands.
    mutable std::shared_ptr<numeric::Cluster> numeric;
    mutable std::uint32_t callsSinceNumericTry = 0;
    mutable std::uint32_t numericWait = 1;  // calls before the next try
    mutable std::uint8_t numericGiveUps = 0;
    mutable bool neverNumeric = false;
};

}  // namespace qel
