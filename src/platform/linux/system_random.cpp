#include "platform/linux/system_random.h"

namespace qel {

SystemRandom::SystemRandom() : RandomSource(std::random_device{}()) {}

}  // namespace qel
