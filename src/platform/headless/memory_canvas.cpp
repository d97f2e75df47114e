#include "platform/headless/memory_canvas.h"

#include <algorithm>

namespace qel {

namespace {

// Sides past this are not kept: the widget set allows larger windows, but a
// surface of them would not fit in memory.
constexpr int kMaxSide = 16384;

}  // namespace

MemoryCanvas::MemoryCanvas(int width, int height, std::uint32_t background,
                           std::shared_ptr<TextRasterizer> fonts)
    : fonts_(std::move(fonts)) {
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
    TextMask mask;
    if (!fonts_ || text.empty() || !fonts_->render(text, smooth_, mask))
        return measureText(text, style);
    const PixelView v = pixels();
    const std::uint32_t pen = style.colour & 0xFFFFFF;
    for (int row = 0; row < mask.height; ++row) {
        const long long py = static_cast<long long>(y) + row;
        if (py < 0 || py >= visibleHeight_) continue;
        for (int col = 0; col < mask.width; ++col) {
            const long long px = static_cast<long long>(x) + col;
            const unsigned a = mask.coverage[static_cast<std::size_t>(row) * mask.width + col];
            if (a == 0 || px < 0 || px >= visibleWidth_) continue;
            std::uint32_t& p = v.at(int(px), int(py));
            // Grey edges mix the pen into what is there; whole pixels take it.
            std::uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const unsigned under = (p >> shift) & 0xFF, over = (pen >> shift) & 0xFF;
                out |= ((over * a + under * (255 - a) + 127) / 255) << shift;
            }
            p = out;
        }
    }
    return measureText(text, style);
}

std::pair<int, int> MemoryCanvas::measureText(TextView text, const TextStyle& style) const {
    (void)style;
    int width = 0;
    for (char16_t c : text) width += (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? 8 : 16;
    return {width, 16};
}

}  // namespace qel
