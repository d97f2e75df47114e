// The desktop's drawing surfaces: a QImage kept beside each window and
// picture box (a backing store of our own, so drawings survive covering,
// minimising and resizing) whose pixels the graphics layer draws on
// directly; QPainter draws only text, for the fonts. The widget shows the
// image when it next paints, so many small drawings cost one repaint.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/ports/canvas.h"

namespace qel::qtw {

class QtCanvas : public Canvas {
  public:
    // `shown`: the widget that shows the surface. `image`: the surface, shared
    // with whatever paints it (a window's painter, a picture box).
    QtCanvas(QWidget* shown, std::shared_ptr<QImage> image);
    PixelView pixels() override;
    void ensureSize(int width, int height, std::uint32_t background) override;
    int visibleWidth() const override { return visibleWidth_; }
    int visibleHeight() const override { return visibleHeight_; }
    std::pair<int, int> drawText(int x, int y, TextView text, const TextStyle& style) override;
    std::pair<int, int> measureText(TextView text, const TextStyle& style) const override;
    void changed() override;
    void setAntialiasing(bool on) override { antialias_ = on; }
    bool antialiasing() const override { return antialias_; }

  private:
    QPointer<QWidget> shown_;
    std::shared_ptr<QImage> image_;
    int visibleWidth_ = 0, visibleHeight_ = 0;
    bool antialias_ = false;
};

// A window's surface: painted under the window's controls on every paint.
std::unique_ptr<QtCanvas> makeWindowCanvas(QWidget* window);

}  // namespace qel::qtw
