// The drawing algorithms, on pixels any host exposes: lines, rectangles,
// ellipses, single points and flood fills. They are ours (not a toolkit's) so
// that a picture drawn on the console is pixel for pixel the one drawn on the
// desktop, and so that tests can predict every pixel.
#pragma once

#include <cstdint>

#include "platform/ports/canvas.h"

namespace qel::graphics {

// Line styles of the pen (描画スタイル), by their numbers.
enum class LineStyle : int { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4 };

// Fill styles (塗りつぶしスタイル): 0 solid, 1 none, 2 … 7 hatches.
enum class FillStyle : int {
    Solid = 0,
    Transparent = 1,
    Horizontal = 2,
    Vertical = 3,
    DownDiagonal = 4,  // top-left to bottom-right
    UpDiagonal = 5,
    Cross = 6,
    DiagonalCross = 7,
};

// How pen pixels combine with what is there (描画モード): the sixteen binary
// raster operations, 1 (black) … 13 (the pen's colour, the usual) … 16 (white).
inline constexpr int kCopyPen = 13;

struct Pen {
    std::uint32_t colour = 0;  // 0xRRGGBB
    int width = 1;
    LineStyle style = LineStyle::Solid;
    int mode = kCopyPen;
    // Grey edges: solid lines and ellipses drawn with the usual mode blend
    // their edge pixels into the surface by how much of each pixel they
    // cover. Dashed lines and the other modes stay exact.
    bool smooth = false;
};

struct Fill {
    std::uint32_t colour = 0;
    FillStyle style = FillStyle::Transparent;
};

// Combines a pen colour with a surface pixel by raster operation `mode`.
std::uint32_t combine(int mode, std::uint32_t pen, std::uint32_t surface);

// One pixel; outside the surface nothing happens.
void plot(const PixelView& view, int x, int y, const Pen& pen);

// A line from (x0, y0) to (x1, y1), both ends drawn. Coordinates are rounded
// to pixels; a wide pen is a square of `width` pixels centred on the line.
// A smooth pen keeps the exact coordinates and draws a band `width` wide with
// round ends, each pixel covered by how near its centre is to the line.
void line(const PixelView& view, double x0, double y0, double x1, double y1, const Pen& pen);

// The box with corners (x0, y0) and (x1, y1) covers the pixels from the
// smaller corner up to, not including, the larger one: a box 10 wide is 10
// pixels wide. The outline lies inside the box.
void rectangle(const PixelView& view, double x0, double y0, double x1, double y1, const Pen& pen,
               const Fill& fill);

// The ellipse inscribed in the box as for rectangle(): a pixel belongs to it
// when its centre lies inside the true ellipse, so a filled circle of radius
// r covers close to πr² pixels. With a smooth pen, each pixel on the edge
// is coloured by how far its centre lies inside the edge.
void ellipse(const PixelView& view, double x0, double y0, double x1, double y1, const Pen& pen,
             const Fill& fill);

// Paints the 4-connected area around (x, y) whose pixels have the colour of
// (x, y) with `colour`. Scan-line spans on an explicit stack: a fill of the
// whole surface cannot exhaust the call stack. Returns the pixels painted
// (0 when the start is outside or already has the colour).
std::int64_t floodFill(const PixelView& view, int x, int y, std::uint32_t colour);

// Whole-surface helpers.
void clear(const PixelView& view, std::uint32_t colour);
// Copies `from` onto `to` with its top-left corner at (x, y), clipped.
void blit(const PixelView& to, int x, int y, const PixelView& from);

}  // namespace qel::graphics
