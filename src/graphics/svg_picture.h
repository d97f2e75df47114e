// Pictures as SVG documents, for putting drawings into documents that scale
// them. The surface is pixels on every host (fills, effects, pasted pictures
// and text are only pixels), so the document draws those pixels: each run of
// one colour along a row, joined with the same run in the rows below, is one
// square-edged rectangle. A viewer that enlarges the picture keeps every
// turtle line sharp, and at its own size it shows exactly the pixels a PNG of
// the surface holds. Pictures of many small runs (photographs) would make
// huge documents that way; they go in as one PNG image instead.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ports/canvas.h"

namespace qel::graphics {

// Beyond this many rectangles the picture is embedded as a PNG.
inline constexpr std::size_t kMaxSvgRectangles = 50000;

// The SVG document of `picture` (opaque pixels); `png` is its PNG file, used
// when it has more than `maxRectangles` rectangles.
std::string svgOf(const Picture& picture, std::string_view png,
                  std::size_t maxRectangles = kMaxSvgRectangles);

}  // namespace qel::graphics
