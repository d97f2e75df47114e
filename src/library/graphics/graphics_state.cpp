#include "core/engine.h"
#include "library/graphics/graphics.h"
#include "library/registry/library_state.h"

namespace qel {

GraphicsState& graphicsState(Engine& engine) {
    auto& held = libraryState(engine).graphics;
    if (!held) held = std::make_shared<GraphicsState>();
    return *held;
}

}  // namespace qel
