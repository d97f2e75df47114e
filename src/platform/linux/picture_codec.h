// Picture files for both hosts: PNG through libpng, JPEG through
// libjpeg-turbo, BMP by our own reader and writer; GIF (the first frame) and
// ICO are read by our own readers (picture_formats.h).
//
// Why these and not Qt's image readers: the console host never loads Qt (a
// run without a display starts in a few milliseconds and needs no Qt
// installed); libpng and libjpeg-turbo are small, already on every desktop,
// and let us check a picture's size before any pixel is decoded. The desktop
// uses the same codec, so a picture saved on the console is byte for byte the
// one saved on the desktop.
#pragma once

#include "platform/ports/canvas.h"

namespace qel {

class StandardPictureCodec : public PictureCodec {
  public:
    std::string decode(std::string_view bytes, Picture& out) override;
    std::string encode(PictureFormat format, const Picture& picture,
                       const PictureSaveOptions& options, std::string& out) override;
};

}  // namespace qel
