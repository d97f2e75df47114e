#include "graphics/picture_io.h"

#include "core/engine.h"
#include "core/paths.h"
#include "graphics/raster.h"
#include "graphics/svg_picture.h"
#include "resources/turtle_icons.h"

namespace qel::graphics {

std::string readPicture(Engine& engine, TextView fileName, Picture& out) {
    if (!engine.platform.pictures) return "this host cannot read pictures";
    // The turtle's icons are built in, under the names the desktop's
    // resources give them.
    if (std::string_view icon = resources::turtleIconPng(fileName); !icon.empty())
        return engine.platform.pictures->decode(icon, out);
    const std::string path = toNativePath(fileName);
    auto info = engine.files().fileInfo(path);
    if (!info) return "there is no such file";
    if (info->kind != FileKind::File) return "it is not a file";
    if (info->size > kMaxPictureFileBytes) return "the file is too large to be a picture";
    std::string bytes;
    if (!engine.files().readFile(path, bytes)) return "the file cannot be read";
    return engine.platform.pictures->decode(bytes, out);
}

std::string writePicture(Engine& engine, TextView fileName, const Picture& picture,
                         const PictureSaveOptions& options) {
    if (!engine.platform.pictures) return "this host cannot write pictures";
    const std::string path = toNativePath(fileName);
    const PictureFormat format = pictureFormatOfName(path);
    if (format == PictureFormat::Unknown)
        return "unknown picture format (use .png, .jpg, .bmp or .svg)";
    const bool svg = format == PictureFormat::Svg;
    std::string bytes;
    if (std::string why = engine.platform.pictures->encode(svg ? PictureFormat::Png : format,
                                                           picture, options, bytes);
        !why.empty())
        return why;
    if (svg) bytes = svgOf(picture, bytes);
    FileStatus status = engine.files().writeFile(path, bytes);
    return status ? std::string() : status.message;
}

Text temporaryPictureName(Engine& engine, TextView identity) {
    std::string folder = engine.files().userFolder(UserFolder::Temporary);
    if (folder.empty()) folder = "/tmp/";
    if (folder.back() != '/') folder += '/';
    return fromNativePath(folder) + u"qelscript-image-" + Text(identity) + u".png";
}

Picture snapshot(Canvas& canvas) {
    PixelView all = canvas.pixels();
    Picture picture;
    picture.width = std::min(canvas.visibleWidth(), all.width);
    picture.height = std::min(canvas.visibleHeight(), all.height);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels[static_cast<std::size_t>(y) * picture.width + x] =
                all.at(x, y) | 0xFF000000u;
    return picture;
}

void showPicture(Canvas& canvas, const Picture& picture) {
    Picture copy = picture;
    // Pictures with see-through parts are shown over the surface's white
    // paper, as a viewer would, so that saving them again keeps their look.
    for (std::uint32_t& p : copy.pixels) {
        const std::uint32_t a = p >> 24;
        if (a == 255) continue;
        auto mix = [a](std::uint32_t c) { return (c * a + 255 * (255 - a)) / 255; };
        p = 0xFF000000u | mix((p >> 16) & 0xFF) << 16 | mix((p >> 8) & 0xFF) << 8 | mix(p & 0xFF);
    }
    blit(canvas.pixels(), 0, 0, copy.view());
    canvas.changed();
}

}  // namespace qel::graphics
