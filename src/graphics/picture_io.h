// Pictures to and from files, and surfaces to pictures: what 絵 and 保存 of a
// window or picture box do. Files go through the engine's FileSystem port
// (written atomically), formats through its PictureCodec.
#pragma once

#include <string>

#include "platform/ports/canvas.h"
#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::graphics {

// Files larger than this are not read as pictures.
inline constexpr std::uint64_t kMaxPictureFileBytes = 256ULL * 1024 * 1024;

// The reason (English) when the file cannot be read as a picture, else empty.
std::string readPicture(Engine& engine, TextView fileName, Picture& out);
// The format by the file name's extension; the reason when it fails.
std::string writePicture(Engine& engine, TextView fileName, const Picture& picture,
                         const PictureSaveOptions& options);

// Where イメージ of object `identity` is written: the temporary folder,
// one file per object, replaced by each reading.
Text temporaryPictureName(Engine& engine, TextView identity);

// The seen part of a surface (its client area) as a picture.
Picture snapshot(Canvas& canvas);
// Puts a picture on a surface with its top-left corner at the origin.
void showPicture(Canvas& canvas, const Picture& picture);

}  // namespace qel::graphics
