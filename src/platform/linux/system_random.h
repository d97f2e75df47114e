// Random numbers on Linux, seeded from the kernel's entropy so that every run
// draws a different sequence.
#pragma once

#include "platform/ports/random.h"

namespace qel {

class SystemRandom : public RandomSource {
  public:
    SystemRandom();
};

}  // namespace qel
