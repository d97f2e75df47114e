// Image lists on Qt: pictures become QIcons once per change of the view,
// not once per row, so a list of 100,000 rows costs one icon per picture.
#include "platform/qt/qt_rich_images.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QStyle>

namespace qel::qtw {

namespace {

QIcon folderIcon(bool open) {
    const QIcon fallback =
        QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirIcon);
    return QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"),
                            fallback);
}

QIcon pictureIcon(const Picture& p, bool hasMask, std::uint32_t mask) {
    QImage image(p.width, p.height, QImage::Format_ARGB32);
    for (int y = 0; y < p.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v =
                p.pixels[std::size_t(y) * std::size_t(p.width) + std::size_t(x)];
            line[x] = hasMask && (v & 0xFFFFFF) == mask ? 0u : v;
        }
    }
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

std::vector<QIcon> richIcons(const RichContent& rc, const RichImageList& list) {
    std::vector<QIcon> icons;
    icons.reserve(list.images.size());
    for (const RichImage& image : list.images) {
        if (image.picture) {
            icons.push_back(pictureIcon(*image.picture, rc.hasMask, rc.maskColour));
        } else {
            icons.push_back(folderIcon(image.key == u"Folder2"));
        }
    }
    return icons;
}

QIcon iconAt(const std::vector<QIcon>& icons, int index) {
    return index >= 0 && std::size_t(index) < icons.size() ? icons[std::size_t(index)] : QIcon();
}

QSize iconSizeOf(const RichImageList& list) {
    for (const RichImage& image : list.images) {
        if (image.picture) return {image.picture->width, image.picture->height};
    }
    return {16, 16};
}

}  // namespace qel::qtw
