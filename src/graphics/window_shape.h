// Window shapes from pictures (変形): which pixels of a picture are part of
// the window.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ports/canvas.h"

namespace qel::graphics {

// The runs of pixels that belong to the shape, row by row, left to right.
// Outside are the picture's see-through pixels (alpha below half) when it
// has any; else the pixels of `outside` (0xRRGGBB) when given; else those of
// the colour of its top-left pixel, the plain background a shape is usually
// drawn on.
std::vector<ShapeSpan> shapeOf(const Picture& picture, std::optional<std::uint32_t> outside);

}  // namespace qel::graphics
