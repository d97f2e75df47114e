// A drawing surface in memory, for hosts without a display. It holds the
// pixels the graphics layer draws; text is measured with a fixed cell (half
// width 8, full width 16, 16 high) and not drawn, since there are no fonts.
#pragma once

#include <vector>

#include "platform/ports/canvas.h"

namespace qel {

class MemoryCanvas : public Canvas {
  public:
    MemoryCanvas(int width, int height, std::uint32_t background);
    PixelView pixels() override;
    void ensureSize(int width, int height, std::uint32_t background) override;
    int visibleWidth() const override { return visibleWidth_; }
    int visibleHeight() const override { return visibleHeight_; }
    std::pair<int, int> drawText(int x, int y, TextView text, const TextStyle& style) override;
    std::pair<int, int> measureText(TextView text, const TextStyle& style) const override;

  private:
    int width_ = 0, height_ = 0;
    int visibleWidth_ = 0, visibleHeight_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace qel
