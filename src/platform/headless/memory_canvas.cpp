#include "platform/headless/memory_canvas.h"

#include <algorithm>

namespace qel {

namespace {

// Sides past this are not kept: the widget set allows larger windows, but a
// surface of them would not fit in memory.
constexpr int kMaxSide = 16384;

}  // namespace

MemoryCanvas::MemoryCanvas(int width, int height, std::uint32_t background) {
    ensureSize(width, height, background);
}

PixelView MemoryCanvas::pixels() {
    return {pixels_.data(), width_, height_, width_};
}

void MemoryCanvas::ensureSize(int width, int height, std::uint32_t background) {
    width = std::clamp(width, 0, kMaxSide);
    height = std::clamp(height, 0, kMaxSide);
    visibleWidth_ = width;
    visibleHeight_ = height;
    if (width <= width_ && height <= height_) return;
    const int newWidth = std::max(width, width_), newHeight = std::max(height, height_);
    std::vector<std::uint32_t> grown(static_cast<std::size_t>(newWidth) * newHeight,
                                     0xFF000000u | (background & 0xFFFFFF));
    for (int y = 0; y < height_; ++y)
        std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_, width_,
                    grown.begin() + static_cast<std::ptrdiff_t>(y) * newWidth);
    pixels_.swap(grown);
    width_ = newWidth;
    height_ = newHeight;
}

std::pair<int, int> MemoryCanvas::drawText(int x, int y, TextView text, const TextStyle& style) {
    (void)x, (void)y;
    return measureText(text, style);
}

std::pair<int, int> MemoryCanvas::measureText(TextView text, const TextStyle& style) const {
    (void)style;
    int width = 0;
    for (char16_t c : text) width += (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? 8 : 16;
    return {width, 16};
}

}  // namespace qel
