// Particle splitting: binds the argument texts of a statement to a list of
// particles (を, へ/に, で, から, として …).
#pragma once

#include <initializer_list>
#include <vector>

#include "core/statement.h"

namespace qel {

// Marks the last occurrence of each particle in `marked` and fills each entry
// of `particles` (at most 11) with its argument text, empty when absent.
// Also sets woArg, heArg and head. Returns the pieces of `marked`.
std::vector<Text> SplitParticles(StatementRecord& record, std::vector<Text>& particles);
std::vector<Text> BindParticles(StatementRecord& record, const std::vector<Text>& particles);
void AskParticles(StatementRecord& record, std::vector<Text>& particles);
// The argument of one further particle.
Text AskParticle(StatementRecord& record, TextView particle);

// AskParticles for a handler that always asks the same particles: the
// binding is made on the statement's first execution and reused after (the
// marks it leaves make every later binding identical). Uses the record's
// cache slot.
const std::vector<Text>& AskParticlesOnce(StatementRecord& record,
                                          std::initializer_list<TextView> particles);

}  // namespace qel
