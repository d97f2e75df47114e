// Random numbers that repeat: the same seed gives the same sequence, for
// tests and reproducible runs.
#pragma once

#include "platform/ports/random.h"

namespace qel {

class SeededRandom : public RandomSource {
  public:
    explicit SeededRandom(std::uint64_t seed) : RandomSource(seed) {}
};

}  // namespace qel
