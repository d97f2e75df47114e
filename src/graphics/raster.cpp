#include "graphics/raster.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qel::graphics {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

// Rounds a coordinate to a pixel, keeping absurd values (NaN, ±huge) from
// overflowing: they land far outside any surface and are clipped.
int toPixel(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(std::floor(v + 0.5), -1e8, 1e8));
}

// On-off run lengths of the dashed styles, in pixels along the line.
struct DashPattern {
    int runs[6];
    int count;
};
DashPattern patternOf(LineStyle style) {
    switch (style) {
        case LineStyle::Dash:
            return {{18, 6}, 2};
        case LineStyle::Dot:
            return {{3, 3}, 2};
        case LineStyle::DashDot:
            return {{9, 6, 3, 6}, 4};
        case LineStyle::DashDotDot:
            return {{9, 3, 3, 3, 3, 3}, 6};
        default:
            return {{1}, 0};
    }
}

// Walks a dash pattern one pixel at a time.
class Dasher {
  public:
    explicit Dasher(LineStyle style) : p_(patternOf(style)) {}
    bool next() {
        if (p_.count == 0) return true;
        const bool on = (run_ % 2) == 0;
        if (++pos_ >= p_.runs[run_]) {
            pos_ = 0;
            run_ = (run_ + 1) % p_.count;
        }
        return on;
    }

  private:
    DashPattern p_;
    int run_ = 0;
    int pos_ = 0;
};

// A horizontal run of pen pixels, clipped.
void span(const PixelView& view, int y, int xa, int xb, const Pen& pen) {
    if (y < 0 || y >= view.height) return;
    xa = std::max(xa, 0);
    xb = std::min(xb, view.width - 1);
    for (int x = xa; x <= xb; ++x) {
        std::uint32_t& p = view.at(x, y);
        p = pen.mode == kCopyPen ? (kOpaque | pen.colour) : combine(pen.mode, pen.colour, p);
    }
}

// The common case, a plain line with both ends on the surface, without a
// bounds test per pixel (turtle drawings are hundreds of thousands of them).
void solidInside(const PixelView& view, int x0, int y0, int x1, int y1, std::uint32_t colour) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const std::ptrdiff_t step = y0 < y1 ? view.stride : -static_cast<std::ptrdiff_t>(view.stride);
    std::uint32_t* p = &view.at(x0, y0);
    int err = dx + dy;
    for (;;) {
        *p = colour;
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx, p += sx;
        if (e2 <= dx) err += dx, y0 += (step > 0 ? 1 : -1), p += step;
    }
}

// A wide pen is a square brush dragged along the line (always solid, as
// dashes of a wide pen are). Each step adds only the brush's leading column
// and row, so a step costs the width, not its square, and no pixel is set
// twice (which matters for the XOR-like modes).
void wideLine(const PixelView& view, int x0, int y0, int x1, int y1, const Pen& pen) {
    const int w = pen.width, before = (w - 1) / 2, after = w - 1 - before;
    for (int dy = -before; dy <= after; ++dy) span(view, y0 + dy, x0 - before, x0 + after, pen);
    const int dx = std::abs(x1 - x0), dyAbs = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dyAbs;
    while (x0 != x1 || y0 != y1) {
        const int e2 = 2 * err;
        const bool stepX = e2 >= dyAbs, stepY = e2 <= dx;
        if (stepX) err += dyAbs, x0 += sx;
        if (stepY) err += dx, y0 += sy;
        const int column = sx > 0 ? x0 + after : x0 - before;
        if (stepX)
            for (int y = y0 - before; y <= y0 + after; ++y) span(view, y, column, column, pen);
        if (stepY) {
            const int row = sy > 0 ? y0 + after : y0 - before;
            int xa = x0 - before, xb = x0 + after;
            if (stepX) (sx > 0 ? xb : xa) -= sx;  // the corner is in the column
            span(view, row, xa, xb, pen);
        }
    }
}

// Whether the hatch of `style` covers pixel (x, y) (8-pixel patterns).
bool hatched(FillStyle style, int x, int y) {
    const int u = x & 7, v = y & 7;
    switch (style) {
        case FillStyle::Horizontal:
            return v == 0;
        case FillStyle::Vertical:
            return u == 0;
        case FillStyle::DownDiagonal:
            return ((u - v) & 7) == 0;
        case FillStyle::UpDiagonal:
            return ((u + v) & 7) == 7;
        case FillStyle::Cross:
            return u == 0 || v == 0;
        case FillStyle::DiagonalCross:
            return ((u - v) & 7) == 0 || ((u + v) & 7) == 7;
        default:
            return true;
    }
}

void fillSpan(const PixelView& view, int y, int xa, int xb, const Fill& fill, int mode) {
    if (fill.style == FillStyle::Transparent || y < 0 || y >= view.height) return;
    xa = std::max(xa, 0);
    xb = std::min(xb, view.width - 1);
    const Pen pen{fill.colour, 1, LineStyle::Solid, mode};
    for (int x = xa; x <= xb; ++x)
        if (fill.style == FillStyle::Solid || hatched(fill.style, x, y)) plot(view, x, y, pen);
}

// The pixels of row `y` whose centres lie inside the ellipse (cx, cy, rx, ry):
// false when none.
bool ellipseRow(double cx, double cy, double rx, double ry, int y, int& xa, int& xb) {
    if (rx <= 0 || ry <= 0) return false;
    const double t = (y + 0.5 - cy) / ry;
    if (t * t > 1) return false;
    const double half = rx * std::sqrt(1 - t * t);
    xa = static_cast<int>(std::ceil(cx - half - 0.5));
    xb = static_cast<int>(std::floor(cx + half - 0.5));
    return xa <= xb;
}

struct Box {
    int x0, y0, x1, y1;  // x1, y1 excluded
};
Box boxOf(double ax, double ay, double bx, double by) {
    int x0 = toPixel(ax), y0 = toPixel(ay), x1 = toPixel(bx), y1 = toPixel(by);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    return {x0, y0, x1, y1};
}

// Mixes `colour` over pixel `p` by `cover` (0 … 1).
void blend(std::uint32_t& p, std::uint32_t colour, double cover) {
    if (cover <= 0) return;
    if (cover >= 1) {
        p = kOpaque | colour;
        return;
    }
    const unsigned a = static_cast<unsigned>(cover * 255 + 0.5);
    std::uint32_t out = kOpaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned under = (p >> shift) & 0xFF, over = (colour >> shift) & 0xFF;
        out |= ((over * a + under * (255 - a) + 127) / 255) << shift;
    }
    p = out;
}

// under × a + first × b + second × c, channel by channel (a + b + c = 1).
std::uint32_t mixed(std::uint32_t under, double a, std::uint32_t first, double b,
                    std::uint32_t second, double c) {
    std::uint32_t out = kOpaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const double v = ((under >> shift) & 0xFF) * a + ((first >> shift) & 0xFF) * b +
                         ((second >> shift) & 0xFF) * c;
        out |= std::uint32_t(std::clamp(v + 0.5, 0.0, 255.0)) << shift;
    }
    return out;
}

// Keeps coordinates finite and within reach of int, as toPixel() does.
double tame(double v) {
    return std::isnan(v) ? 0 : std::clamp(v, -1e8, 1e8);
}

// A smooth line: every pixel whose centre lies within `half` + ½ of the
// segment gets the part of it the band covers (a linear ramp over the last
// pixel). Each row visits only the pixels near the segment, clipped to the
// surface, so a long line costs its length, not its bounding box.
void smoothLine(const PixelView& view, double ax, double ay, double bx, double by, const Pen& pen) {
    ax = tame(ax), ay = tame(ay), bx = tame(bx), by = tame(by);
    const double half = std::max(pen.width, 1) / 2.0, reach = half + 0.5;
    const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    const int rowFrom = std::max(0, int(std::floor(std::min(ay, by) - reach)));
    const int rowTo = std::min(view.height - 1, int(std::ceil(std::max(ay, by) + reach)));
    for (int y = rowFrom; y <= rowTo; ++y) {
        // The part of the segment within `reach` of this row, as t in 0 … 1.
        double t0 = 0, t1 = 1;
        if (std::abs(dy) > 1e-12) {
            t0 = (y - reach - ay) / dy;
            t1 = (y + reach - ay) / dy;
            if (t0 > t1) std::swap(t0, t1);
            t0 = std::max(t0, 0.0);
            t1 = std::min(t1, 1.0);
            if (t0 > t1) continue;
        }
        const double xa = ax + dx * t0, xb = ax + dx * t1;
        const int colFrom = std::max(0, int(std::floor(std::min(xa, xb) - reach)));
        const int colTo = std::min(view.width - 1, int(std::ceil(std::max(xa, xb) + reach)));
        for (int x = colFrom; x <= colTo; ++x) {
            double t = length2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / length2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (ax + dx * t), ey = y - (ay + dy * t);
            blend(view.at(x, y), pen.colour, reach - std::sqrt(ex * ex + ey * ey));
        }
    }
}

// How much of the pixel centred at (px, py) lies inside the ellipse with
// centre (cx, cy) and radii (rx, ry): the signed distance of the centre
// from the edge (to first order), turned into a ramp one pixel wide.
double ellipseCover(double px, double py, double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return 0;
    const double u = (px - cx) / rx, v = (py - cy) / ry, g = std::sqrt(u * u + v * v);
    const double gradient = std::sqrt(u * u / (rx * rx) + v * v / (ry * ry));
    if (g < 1e-9 || gradient < 1e-12) return 1;
    const double distance = (g - 1) * g / gradient;
    return std::clamp(0.5 - distance, 0.0, 1.0);
}

// A smooth ellipse: the ring between the box's ellipse and the one `width`
// smaller in the pen's colour, the inside in a solid fill's colour, both
// mixed with what is there by how much of each pixel they cover.
void smoothEllipse(const PixelView& view, const Box& b, const Pen& pen, const Fill& fill) {
    const double cx = (b.x0 + b.x1) / 2.0, cy = (b.y0 + b.y1) / 2.0;
    const double rx = (b.x1 - b.x0) / 2.0, ry = (b.y1 - b.y0) / 2.0;
    const int w = std::max(pen.width, 1);
    const bool solidFill = fill.style == FillStyle::Solid;
    for (int y = std::max(b.y0, 0); y < std::min(b.y1, view.height); ++y) {
        for (int x = std::max(b.x0, 0); x < std::min(b.x1, view.width); ++x) {
            const double outer = ellipseCover(x + 0.5, y + 0.5, cx, cy, rx, ry);
            if (outer <= 0) continue;
            const double inner =
                std::min(outer, ellipseCover(x + 0.5, y + 0.5, cx, cy, rx - w, ry - w));
            std::uint32_t& p = view.at(x, y);
            if (solidFill) {
                p = mixed(p, 1 - outer, pen.colour, outer - inner, fill.colour, inner);
            } else {
                if (fill.style != FillStyle::Transparent && inner >= 0.5 &&
                    hatched(fill.style, x, y))
                    p = kOpaque | fill.colour;
                blend(p, pen.colour, outer - inner);
            }
        }
    }
}

}  // namespace

std::uint32_t combine(int mode, std::uint32_t pen, std::uint32_t surface) {
    // Bit k of (mode − 1) is the result for pen bit P and surface bit D with
    // k = 2·P + D, bit by bit over the colour.
    const unsigned code = static_cast<unsigned>(std::clamp(mode, 1, 16) - 1);
    const std::uint32_t p = pen & 0xFFFFFF, d = surface & 0xFFFFFF;
    std::uint32_t r = 0;
    if (code & 1) r |= ~p & ~d;
    if (code & 2) r |= ~p & d;
    if (code & 4) r |= p & ~d;
    if (code & 8) r |= p & d;
    return kOpaque | (r & 0xFFFFFF);
}

void plot(const PixelView& view, int x, int y, const Pen& pen) {
    if (!view.contains(x, y)) return;
    std::uint32_t& p = view.at(x, y);
    p = pen.mode == kCopyPen ? (kOpaque | pen.colour) : combine(pen.mode, pen.colour, p);
}

void line(const PixelView& view, double ax, double ay, double bx, double by, const Pen& pen) {
    int x0 = toPixel(ax), y0 = toPixel(ay);
    const int x1 = toPixel(bx), y1 = toPixel(by);
    if (pen.smooth && pen.mode == kCopyPen && (pen.style == LineStyle::Solid || pen.width > 1))
        return smoothLine(view, ax, ay, bx, by, pen);
    // A line entirely beyond one side of the surface draws nothing; skipping
    // it keeps a far-off line from walking millions of clipped steps.
    const int reach = std::max(pen.width, 1);
    if ((x0 < -reach && x1 < -reach) || (y0 < -reach && y1 < -reach) ||
        (x0 >= view.width + reach && x1 >= view.width + reach) ||
        (y0 >= view.height + reach && y1 >= view.height + reach))
        return;
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    if (pen.width > 1) return wideLine(view, x0, y0, x1, y1, pen);
    if (pen.style == LineStyle::Solid && pen.mode == kCopyPen && view.contains(x0, y0) &&
        view.contains(x1, y1))
        return solidInside(view, x0, y0, x1, y1, kOpaque | pen.colour);
    Dasher dash(pen.style);
    for (;;) {
        if (dash.next()) plot(view, x0, y0, pen);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

void rectangle(const PixelView& view, double ax, double ay, double bx, double by, const Pen& pen,
               const Fill& fill) {
    const Box b = boxOf(ax, ay, bx, by);
    if (b.x1 <= b.x0 || b.y1 <= b.y0) return;
    const int w = std::max(pen.width, 1);
    for (int y = std::max(b.y0, 0); y < std::min(b.y1, view.height); ++y) {
        const bool edgeRow = y < b.y0 + w || y >= b.y1 - w;
        if (edgeRow) {
            span(view, y, b.x0, b.x1 - 1, pen);
            continue;
        }
        span(view, y, b.x0, std::min(b.x0 + w, b.x1) - 1, pen);
        span(view, y, std::max(b.x1 - w, b.x0), b.x1 - 1, pen);
        fillSpan(view, y, b.x0 + w, b.x1 - w - 1, fill, pen.mode);
    }
}

void ellipse(const PixelView& view, double ax, double ay, double bx, double by, const Pen& pen,
             const Fill& fill) {
    const Box b = boxOf(ax, ay, bx, by);
    if (b.x1 <= b.x0 || b.y1 <= b.y0) return;
    if (pen.smooth && pen.mode == kCopyPen) return smoothEllipse(view, b, pen, fill);
    const double cx = (b.x0 + b.x1) / 2.0, cy = (b.y0 + b.y1) / 2.0;
    const double rx = (b.x1 - b.x0) / 2.0, ry = (b.y1 - b.y0) / 2.0;
    const int w = std::max(pen.width, 1);
    for (int y = std::max(b.y0, 0); y < std::min(b.y1, view.height); ++y) {
        int oa, ob;
        if (!ellipseRow(cx, cy, rx, ry, y, oa, ob)) continue;
        // The outline is what lies inside this ellipse and outside the one
        // `w` smaller: a closed ring, so that a fill inside cannot leak.
        int ia, ib;
        if (!ellipseRow(cx, cy, rx - w, ry - w, y, ia, ib)) {
            span(view, y, oa, ob, pen);
            continue;
        }
        span(view, y, oa, ia - 1, pen);
        span(view, y, ib + 1, ob, pen);
        fillSpan(view, y, ia, ib, fill, pen.mode);
    }
}

std::int64_t floodFill(const PixelView& view, int x, int y, std::uint32_t colour) {
    if (!view.contains(x, y)) return 0;
    const std::uint32_t target = view.at(x, y);
    const std::uint32_t paint = kOpaque | (colour & 0xFFFFFF);
    if (target == paint) return 0;
    std::int64_t painted = 0;
    std::vector<std::pair<int, int>> seeds{{x, y}};
    while (!seeds.empty()) {
        auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (view.at(sx, sy) != target) continue;
        int left = sx, right = sx;
        while (left > 0 && view.at(left - 1, sy) == target) --left;
        while (right + 1 < view.width && view.at(right + 1, sy) == target) ++right;
        for (int i = left; i <= right; ++i) view.at(i, sy) = paint;
        painted += right - left + 1;
        // One seed per run of target pixels in the rows above and below.
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= view.height) continue;
            bool inRun = false;
            for (int i = left; i <= right; ++i) {
                const bool match = view.at(i, ny) == target;
                if (match && !inRun) seeds.emplace_back(i, ny);
                inRun = match;
            }
        }
    }
    return painted;
}

void clear(const PixelView& view, std::uint32_t colour) {
    for (int y = 0; y < view.height; ++y)
        std::fill_n(&view.at(0, y), view.width, kOpaque | (colour & 0xFFFFFF));
}

void blit(const PixelView& to, int x, int y, const PixelView& from) {
    for (int row = 0; row < from.height; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= to.height) continue;
        for (int col = 0; col < from.width; ++col) {
            const int tx = x + col;
            if (tx >= 0 && tx < to.width) to.at(tx, ty) = from.at(col, row);
        }
    }
}

}  // namespace qel::graphics
