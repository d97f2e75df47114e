// Picture formats read by our own code (GIF, ICO), beside the libraries the
// picture codec uses for PNG and JPEG. Every reader checks the size a file
// claims before it allocates pixels, and every offset before it reads.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ports/canvas.h"

namespace qel::picture_formats {

// Why a picture of this size is not read, or empty when it may be.
std::string sizeProblem(long long width, long long height);

// The first frame of a GIF (87a or 89a), on the logical screen's size;
// pixels the frame does not cover, and its transparent colour, are
// transparent.
std::string decodeGif(std::string_view bytes, Picture& out);

// The largest image of a Windows icon or cursor file. An image stored as
// PNG is handed to `decodePng`; one stored as a bitmap (1, 4, 8, 24 or 32
// bits) is read here with its transparency mask.
using Decoder = std::function<std::string(std::string_view, Picture&)>;
std::string decodeIco(std::string_view bytes, Picture& out, const Decoder& decodePng);

}  // namespace qel::picture_formats
