#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_menus.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "platform/qt/qt_text.h"

namespace qel::qtw {

namespace {

// Sides past this are not kept (as on the console).
constexpr int kMaxSide = 16384;

QFont fontOf(const TextStyle& style) {
    QFont font;
    if (!style.fontName.empty()) font.setFamily(toQString(style.fontName));
    font.setPointSizeF(style.fontSize > 0 ? style.fontSize : 9);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    return font;
}

// Paints a window's surface when the window paints, below its children.
class SurfacePainter : public QObject {
  public:
    SurfacePainter(QWidget* window, std::shared_ptr<QImage> image)
        : QObject(window), image_(std::move(image)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* window = static_cast<QWidget*>(watched);
            QPainter painter(window);
            // The drawing starts below the window's menu bar, as its controls do.
            painter.drawImage(0, qtw::clientTop(window), *image_);
        }
        return false;
    }

  private:
    std::shared_ptr<QImage> image_;
};

}  // namespace

QtCanvas::QtCanvas(QWidget* shown, std::shared_ptr<QImage> image)
    : shown_(shown), image_(std::move(image)) {}

PixelView QtCanvas::pixels() {
    if (image_->isNull()) return {};
    return {reinterpret_cast<std::uint32_t*>(image_->bits()), image_->width(), image_->height(),
            static_cast<int>(image_->bytesPerLine() / 4)};
}

void QtCanvas::ensureSize(int width, int height, std::uint32_t background) {
    visibleWidth_ = std::clamp(width, 0, kMaxSide);
    visibleHeight_ = std::clamp(height, 0, kMaxSide);
    const QSize wanted = QSize(visibleWidth_, visibleHeight_).expandedTo(image_->size());
    if (wanted == image_->size()) return;
    // The surface only grows, so what was drawn outside a window made
    // smaller comes back when it grows again.
    QImage grown(wanted, QImage::Format_ARGB32);
    grown.fill(QColor::fromRgb(0xFF000000u | background));
    if (!image_->isNull()) {
        QPainter painter(&grown);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, *image_);
    }
    *image_ = std::move(grown);
}

std::pair<int, int> QtCanvas::drawText(int x, int y, TextView text, const TextStyle& style) {
    if (image_->isNull()) return measureText(text, style);
    QPainter painter(image_.get());
    painter.setRenderHint(QPainter::TextAntialiasing, antialias_);
    painter.setFont(fontOf(style));
    painter.setPen(QColor::fromRgb(0xFF000000u | style.colour));
    const QFontMetrics metrics(painter.font());
    painter.drawText(x, y + metrics.ascent(), toQString(text));
    return measureText(text, style);
}

std::pair<int, int> QtCanvas::measureText(TextView text, const TextStyle& style) const {
    const QFontMetrics metrics(fontOf(style));
    return {metrics.horizontalAdvance(toQString(text)), metrics.height()};
}

void QtCanvas::changed() {
    if (shown_) shown_->update();
}

std::unique_ptr<QtCanvas> makeWindowCanvas(QWidget* window) {
    auto image = std::make_shared<QImage>();
    window->installEventFilter(new SurfacePainter(window, image));
    return std::make_unique<QtCanvas>(window, image);
}

}  // namespace qel::qtw
