// A drawing surface in memory, for hosts without a display. It holds the
// pixels the graphics layer draws; text is measured with a fixed cell (half
// width 8, full width 16, 16 high) and drawn into those cells when it is
// given a rasterizer with a font (else only measured).
#pragma once

#include <memory>
#include <vector>

#include "platform/ports/canvas.h"

namespace qel {

class MemoryCanvas : public Canvas {
  public:
    MemoryCanvas(int width, int height, std::uint32_t background,
                 std::shared_ptr<TextRasterizer> fonts = nullptr);
    PixelView pixels() override;
    void ensureSize(int width, int height, std::uint32_t background) override;
    int visibleWidth() const override { return visibleWidth_; }
    int visibleHeight() const override { return visibleHeight_; }
    std::pair<int, int> drawText(int x, int y, TextView text, const TextStyle& style) override;
    std::pair<int, int> measureText(TextView text, const TextStyle& style) const override;
    void setAntialiasing(bool on) override { smooth_ = on; }
    bool antialiasing() const override { return smooth_; }

  private:
    int width_ = 0, height_ = 0;
    int visibleWidth_ = 0, visibleHeight_ = 0;
    std::vector<std::uint32_t> pixels_;
    std::shared_ptr<TextRasterizer> fonts_;
    bool smooth_ = false;
};

}  // namespace qel
