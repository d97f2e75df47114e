// Particle splitting: binds the argument texts of a statement to a list of
// particles (を, へ/に, で, から, として …).
#pragma once

#include <initializer_list>
#include <vector>

#include "core/statement.h"

namespace qel {

// Marks the last occurrence of each particle in `marked` (a particle already
// marked stays as it is) and fills each entry of `particles` with its
// argument text, empty when absent. Returns the pieces of `marked`: argument,
// particle, argument, particle, …, and last the verb.
std::vector<Text> SplitParticles(Text& marked, std::vector<Text>& particles);

// The statement's bound arguments, made on first use from the parsed record.
// A record's binding only ever grows: each particle is looked for once, and
// the marks it leaves hold for every later execution.
BoundArguments& Args(const StatementRecord& record);
// Binds the command row's particles (once per record). A verb that ends in
// へ keeps it when the command's name does (右へ).
BoundArguments& BindCommandParticles(const StatementRecord& record, const std::vector<Text>& joshi,
                                     TextView commandName);
// Fills each entry of `particles` with its argument.
void AskParticles(const StatementRecord& record, std::vector<Text>& particles);
// The argument of one further particle.
Text AskParticle(const StatementRecord& record, TextView particle);
// AskParticles for a handler that always asks the same particles: the list
// is answered once and kept.
const std::vector<Text>& AskParticlesOnce(const StatementRecord& record,
                                          std::initializer_list<TextView> particles);

}  // namespace qel
