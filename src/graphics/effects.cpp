#include "graphics/effects.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace qel::graphics {

namespace {

int red(std::uint32_t p) {
    return int((p >> 16) & 0xFF);
}
int green(std::uint32_t p) {
    return int((p >> 8) & 0xFF);
}
int blue(std::uint32_t p) {
    return int(p & 0xFF);
}
std::uint32_t withChannels(std::uint32_t alphaFrom, int r, int g, int b) {
    auto c = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
    return (alphaFrom & 0xFF000000u) | (c(r) << 16) | (c(g) << 8) | c(b);
}
int luma(std::uint32_t p) {
    return int(std::lround(0.299 * red(p) + 0.587 * green(p) + 0.114 * blue(p)));
}

template <class F>
void eachPixel(PixelView v, F f) {
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) v.at(x, y) = f(v.at(x, y));
}

// The pixels as they were, so that a neighbourhood filter reads the picture
// before it changed and not its own output.
Picture copyOf(PixelView v) {
    Picture copy;
    copy.width = v.width;
    copy.height = v.height;
    copy.pixels.resize(std::size_t(v.width) * std::size_t(v.height));
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) copy.pixels[std::size_t(y * v.width + x)] = v.at(x, y);
    return copy;
}

// Reads beyond an edge repeat the edge, so borders do not darken.
std::uint32_t clampedAt(Picture& p, int x, int y) {
    x = std::clamp(x, 0, p.width - 1);
    y = std::clamp(y, 0, p.height - 1);
    return p.pixels[std::size_t(y * p.width + x)];
}

void blur(PixelView v) {
    Picture old = copyOf(v);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            int r = 0, g = 0, b = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const std::uint32_t p = clampedAt(old, x + dx, y + dy);
                    r += red(p), g += green(p), b += blue(p);
                }
            }
            v.at(x, y) = withChannels(v.at(x, y), (r + 4) / 9, (g + 4) / 9, (b + 4) / 9);
        }
    }
}

void sharpen(PixelView v) {
    Picture old = copyOf(v);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const std::uint32_t c = clampedAt(old, x, y);
            const std::uint32_t n[] = {clampedAt(old, x - 1, y), clampedAt(old, x + 1, y),
                                       clampedAt(old, x, y - 1), clampedAt(old, x, y + 1)};
            auto channel = [&](int (*of)(std::uint32_t)) {
                int sum = 5 * of(c);
                for (std::uint32_t p : n) sum -= of(p);
                return sum;
            };
            v.at(x, y) = withChannels(c, channel(red), channel(green), channel(blue));
        }
    }
}

void emboss(PixelView v) {
    Picture old = copyOf(v);
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x) {
            const int grey =
                128 + luma(clampedAt(old, x + 1, y + 1)) - luma(clampedAt(old, x - 1, y - 1));
            v.at(x, y) = withChannels(v.at(x, y), grey, grey, grey);
        }
    }
}

void mosaic(PixelView v) {
    for (int top = 0; top < v.height; top += kMosaicBlock) {
        for (int left = 0; left < v.width; left += kMosaicBlock) {
            const int bottom = std::min(top + kMosaicBlock, v.height);
            const int right = std::min(left + kMosaicBlock, v.width);
            long r = 0, g = 0, b = 0;
            const long n = long(bottom - top) * long(right - left);
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    r += red(v.at(x, y)), g += green(v.at(x, y)), b += blue(v.at(x, y));
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    v.at(x, y) = withChannels(v.at(x, y), int((r + n / 2) / n),
                                              int((g + n / 2) / n), int((b + n / 2) / n));
        }
    }
}

void mirror(PixelView v) {
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width / 2; ++x) std::swap(v.at(x, y), v.at(v.width - 1 - x, y));
}

void flip(PixelView v) {
    for (int y = 0; y < v.height / 2; ++y)
        for (int x = 0; x < v.width; ++x) std::swap(v.at(x, y), v.at(x, v.height - 1 - y));
}

// A surface keeps its size, so a quarter turn turns the largest square at its
// top-left corner; the rest of a wide or tall picture stays as it was.
void turnRight(PixelView v) {
    const int n = std::min(v.width, v.height);
    Picture old = copyOf(v);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) v.at(x, y) = old.pixels[std::size_t((n - 1 - x) * v.width + y)];
}

}  // namespace

void applyEffect(PixelView v, Effect effect) {
    if (!v.data || v.width <= 0 || v.height <= 0) return;
    switch (effect) {
        case Effect::Invert:
            return eachPixel(v, [](std::uint32_t p) { return p ^ 0x00FFFFFFu; });
        case Effect::Grey:
            return eachPixel(v, [](std::uint32_t p) {
                const int l = luma(p);
                return withChannels(p, l, l, l);
            });
        case Effect::Sepia:
            return eachPixel(v, [](std::uint32_t p) {
                const int l = luma(p);
                return withChannels(p, l + 40, l + 20, l - 20);
            });
        case Effect::Contrast:
            return eachPixel(v, [](std::uint32_t p) {
                auto spread = [](int c) { return int(std::lround(128 + (c - 128) * 1.5)); };
                return withChannels(p, spread(red(p)), spread(green(p)), spread(blue(p)));
            });
        case Effect::Solarize:
            return eachPixel(v, [](std::uint32_t p) {
                auto turn = [](int c) { return c > 127 ? 255 - c : c; };
                return withChannels(p, turn(red(p)), turn(green(p)), turn(blue(p)));
            });
        case Effect::Mosaic:
            return mosaic(v);
        case Effect::Blur:
            return blur(v);
        case Effect::Sharpen:
            return sharpen(v);
        case Effect::Emboss:
            return emboss(v);
        case Effect::TurnRight:
            return turnRight(v);
        case Effect::Mirror:
            return mirror(v);
        case Effect::Flip:
            return flip(v);
        case Effect::HalfTurn:
            mirror(v);
            return flip(v);
    }
}

}  // namespace qel::graphics
