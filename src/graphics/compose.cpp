#include "graphics/compose.h"

#include <algorithm>

namespace qel::graphics {

namespace {

std::uint32_t channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// a × (total − part) + b × part over total, rounded half up, per channel.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint64_t part, std::uint64_t total) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint64_t v =
            (channel(a, shift) * (total - part) * 2 + channel(b, shift) * part * 2 + total) /
            (total * 2);
        out |= static_cast<std::uint32_t>(v) << shift;
    }
    return out;
}

// The step (1 … steps) at which item `index` turns over in the random
// transitions: a fixed mixing of the index, so that every run shows the same
// order and needs no memory for it.
int randomStep(std::uint64_t index, int steps) {
    std::uint64_t z = index + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return 1 + static_cast<int>(z % static_cast<std::uint64_t>(steps));
}

}  // namespace

Rect clipRect(Rect r, int width, int height) {
    const long long x0 = std::max(0, r.x), y0 = std::max(0, r.y);
    const long long x1 = std::min<long long>(width, static_cast<long long>(r.x) + r.width);
    const long long y1 = std::min<long long>(height, static_cast<long long>(r.y) + r.height);
    if (x1 <= x0 || y1 <= y0) return {};
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

void copyRect(PixelView source, Rect from, PixelView target, int x, int y) {
    const Rect in = clipRect(from, source.width, source.height);
    if (in.width == 0) return;
    // Where the clipped rectangle lands, then what of it the target holds.
    const long long dx = static_cast<long long>(x) + (in.x - from.x);
    const long long dy = static_cast<long long>(y) + (in.y - from.y);
    for (int row = 0; row < in.height; ++row) {
        const long long ty = dy + row;
        if (ty < 0 || ty >= target.height) continue;
        for (int col = 0; col < in.width; ++col) {
            const long long tx = dx + col;
            if (tx < 0 || tx >= target.width) continue;
            const std::uint32_t pixel = source.at(in.x + col, in.y + row);
            if ((pixel >> 24) != 0) target.at(int(tx), int(ty)) = pixel;
        }
    }
}

void blend(PixelView source, PixelView target, int x, int y, int percent) {
    percent = std::clamp(percent, 0, 100);
    for (int row = 0; row < source.height; ++row) {
        const long long ty = static_cast<long long>(y) + row;
        if (ty < 0 || ty >= target.height) continue;
        for (int col = 0; col < source.width; ++col) {
            const long long tx = static_cast<long long>(x) + col;
            if (tx < 0 || tx >= target.width) continue;
            const std::uint32_t s = source.at(col, row);
            std::uint32_t& t = target.at(int(tx), int(ty));
            const std::uint32_t weight = static_cast<std::uint32_t>(percent) * (s >> 24);
            // The target keeps its own alpha: a blend changes colours only.
            t = (mix(t, s, weight, 25500) & 0xFFFFFF) | (t & 0xFF000000u);
        }
    }
}

long makeTransparent(PixelView pixels, std::uint32_t rgb) {
    long n = 0;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            std::uint32_t& p = pixels.at(x, y);
            if ((p & 0xFFFFFF) == (rgb & 0xFFFFFF) && (p >> 24) != 0) {
                p &= 0xFFFFFF;
                ++n;
            }
        }
    return n;
}

void gradient(PixelView pixels, Rect rect, std::uint32_t from, std::uint32_t to, bool across) {
    const Rect in = clipRect(rect, pixels.width, pixels.height);
    const long long n = across ? rect.width : rect.height;
    if (in.width == 0 || n <= 0) return;
    from |= 0xFF000000u, to |= 0xFF000000u;
    for (int y = in.y; y < in.y + in.height; ++y)
        for (int x = in.x; x < in.x + in.width; ++x) {
            // The position within the whole rectangle, so a clipped one keeps
            // the colours it would have had.
            const long long i =
                across ? x - static_cast<long long>(rect.x) : y - static_cast<long long>(rect.y);
            pixels.at(x, y) = n == 1 ? from : mix(from, to, std::uint64_t(i), std::uint64_t(n - 1));
        }
}

Picture enlarged(PixelView source, int factor) {
    Picture out;
    out.width = source.width * factor;
    out.height = source.height * factor;
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    PixelView v = out.view();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) v.at(x, y) = source.at(x / factor, y / factor);
    return out;
}

void transitionFrame(PixelView start, PixelView end, PixelView out, Transition how, int step,
                     int steps) {
    const int w = out.width, h = out.height;
    const int band = 2 * steps;
    const int offset = static_cast<int>(static_cast<long long>(w) * step / steps);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = 0;
            switch (how) {
                case Transition::Fade:
                    p = mix(start.at(x, y), end.at(x, y), std::uint64_t(step),
                            std::uint64_t(steps));
                    break;
                case Transition::Stripes:
                    p = (y % band) < 2 * step ? end.at(x, y) : start.at(x, y);
                    break;
                case Transition::SlideIn:
                    p = x < offset ? end.at(x + w - offset, y) : start.at(x, y);
                    break;
                case Transition::SlideOut:
                    p = x < offset ? end.at(x, y) : start.at(x - offset, y);
                    break;
                case Transition::RandomLine:
                    p = randomStep(std::uint64_t(y), steps) <= step ? end.at(x, y) : start.at(x, y);
                    break;
                case Transition::RandomDot:
                    p = randomStep(std::uint64_t(y) * std::uint64_t(w) + std::uint64_t(x), steps) <=
                                step
                            ? end.at(x, y)
                            : start.at(x, y);
                    break;
            }
            out.at(x, y) = p;
        }
}

}  // namespace qel::graphics
