// Pictures put onto surfaces: copies of rectangles, blends, a colour made
// see-through, gradients, enlarged stamps and the frames of the transitions
// from one picture to another. Pixels are 0xAARRGGBB; every routine clips to
// both views, so any rectangle or position a script writes is safe.
#pragma once

#include <cstdint>

#include "platform/ports/canvas.h"

namespace qel::graphics {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The part of `rect` inside a w × h picture (empty when none is).
Rect clipRect(Rect rect, int width, int height);

// Copies `from` (a rectangle of `source`) with its top-left corner at (x, y)
// of `target`. See-through source pixels (alpha 0) leave the target as it is,
// so a picture made see-through pastes as a cut-out.
void copyRect(PixelView source, Rect from, PixelView target, int x, int y);

// Lays `source` over `target` at (x, y), `percent` (0 … 100) opaque, weighted
// further by each source pixel's alpha: target + (source − target) × weight,
// rounded half up.
void blend(PixelView source, PixelView target, int x, int y, int percent);

// Every pixel of colour `rgb` (0xRRGGBB) becomes see-through; returns how many.
long makeTransparent(PixelView pixels, std::uint32_t rgb);

// Fills `rect` from `from` (first row or column) to `to` (last), each channel
// from + (to − from) × i / (n − 1), rounded half up; across the columns when
// `across`, else down the rows.
void gradient(PixelView pixels, Rect rect, std::uint32_t from, std::uint32_t to, bool across);

// `source` enlarged `factor` times (each pixel a factor × factor square).
Picture enlarged(PixelView source, int factor);

// The transitions: frame `step` of `steps` between `start` and `end` (same
// size as `out`); frame `steps` is exactly `end`.
enum class Transition {
    Fade,        // each pixel mixed, step / steps of the way
    Stripes,     // bands of 2 × steps rows, each showing two more rows a step
    SlideIn,     // the end picture slides in from the left over the start
    SlideOut,    // the start picture slides out to the right, uncovering the end
    RandomLine,  // whole rows in an order of their own
    RandomDot,   // single pixels in an order of their own
};
inline constexpr int kTransitionSteps = 10;
inline constexpr int kTransitionStepMs = 50;

void transitionFrame(PixelView start, PixelView end, PixelView out, Transition how, int step,
                     int steps);

}  // namespace qel::graphics
