// The controls Qt has no widget for, painted by us: the picture box with its
// persistent drawing surface, the image, shapes and lines, the turtle icon.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <memory>

namespace qel::qtw {

// What a painted control looks like; the widget paints from these.
struct Look {
    int shape =
        0;  // 0 rectangle, 1 square, 2 ellipse, 3 circle, 4 rounded rectangle, 5 rounded square
    int lineWidth = 1;
    int lineStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
    QRgb borderColour = 0xFF000000;
    QRgb fillColour = 0xFF000000;
    int fillStyle = 1;  // 0 solid, 1 transparent, 2 … 7 hatches
    int drawMode = 13;
    int drawStyle = 0;
    bool border = true;
    bool stretch = false;
    bool autoSize = false;
    bool persistent = true;
    bool useMask = false;  // images: pixels of maskColour are see-through (透明色)
    QRgb maskColour = 0xFF000000;
};

class PaintedWidget : public QWidget {
  public:
    enum class Role { Picture, Image, Shape, Line, Turtle };
    PaintedWidget(Role role, QWidget* parent);

    Role role() const { return role_; }
    Look& look() { return look_; }
    const Look& look() const { return look_; }
    // The picture shown (pictures and images); false when it cannot be read.
    bool loadPicture(const QString& path);
    // The loaded picture's size in logical pixels (empty when none).
    QSize pictureSize() const { return picture_.isNull() ? QSize() : picture_.size(); }
    // Pictures: what drawing commands draw on, kept across repaints and
    // resizes as long as the box is persistent.
    QImage& surface() { return *surface_; }
    // The same surface, shared with the drawing commands' canvas.
    std::shared_ptr<QImage> sharedSurface() { return surface_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void paintShape(class QPainter& painter);
    Role role_;
    Look look_;
    QPixmap picture_;
    std::shared_ptr<QImage> surface_ = std::make_shared<QImage>();
};

}  // namespace qel::qtw
