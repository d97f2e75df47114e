// A window or control as it looks on the screen, for printing.
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

std::optional<Picture> QtWidgets::render(WidgetId id) {
    QWidget* widget = widgetOf(id);
    if (!widget) return std::nullopt;
    // A window prints its inside: the menu bar is not part of it.
    const int top = qtw::clientTop(widget);
    const QImage image = widget->grab(QRect(0, top, widget->width(), widget->height() - top))
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return std::nullopt;
    Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.reserve(std::size_t(picture.width) * std::size_t(picture.height));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        picture.pixels.insert(picture.pixels.end(), row, row + image.width());
    }
    return picture;
}

}  // namespace qel
