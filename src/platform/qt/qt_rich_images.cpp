// Image lists on Qt: pictures become QIcons once per change of the view,
// not once per row, so a list of 100,000 rows costs one icon per picture.
#include "platform/qt/qt_rich_images.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

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

// What the icons were made from: the pictures (held, so that no new picture
// can take an old one's place in memory) and the colour.
struct IconSource {
    std::vector<std::shared_ptr<const Picture>> pictures;
    std::vector<Text> keys;
    bool hasMask = false;
    std::uint32_t mask = 0;
    bool operator==(const IconSource&) const = default;
};

IconSource sourceOf(const RichContent& rc, const RichImageList& list) {
    IconSource s{{}, {}, rc.hasMask, rc.hasMask ? rc.maskColour : 0};
    for (const RichImage& image : list.images) {
        s.pictures.push_back(image.picture);
        s.keys.push_back(image.key);
    }
    return s;
}

// The icons of one list, a child of the view it serves.
class IconCache : public QObject {
  public:
    using QObject::QObject;
    IconSource source;
    std::vector<QIcon> icons;
};

}  // namespace

const std::vector<QIcon>& richIcons(QWidget& view, const RichContent& rc,
                                    const RichImageList& list) {
    const QString name = &list == &rc.largeImages ? QStringLiteral("qelLargeIcons")
                                                  : QStringLiteral("qelSmallIcons");
    auto* cache = view.findChild<IconCache*>(name, Qt::FindDirectChildrenOnly);
    if (!cache) {
        cache = new IconCache(&view);  // owned by the view
        cache->setObjectName(name);
    }
    IconSource now = sourceOf(rc, list);
    if (cache->source == now && cache->icons.size() == list.images.size()) return cache->icons;
    cache->icons.clear();
    for (const RichImage& image : list.images) {
        if (image.picture) {
            cache->icons.push_back(pictureIcon(*image.picture, rc.hasMask, rc.maskColour));
        } else {
            cache->icons.push_back(folderIcon(image.key == u"Folder2"));
        }
    }
    cache->source = std::move(now);
    return cache->icons;
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
