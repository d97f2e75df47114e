// Picture files on arbitrary bytes: whatever the reader is given, it either
// refuses with a reason or gives a picture whose pixels fill exactly its
// size, within the size limit. A broken property aborts, so libFuzzer keeps
// the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/picture_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qel::StandardPictureCodec codec;
    qel::Picture picture;
    const std::string why =
        codec.decode(std::string_view(reinterpret_cast<const char*>(data), size), picture);
    if (!why.empty()) return 0;
    const long long pixels = 1LL * picture.width * picture.height;
    if (picture.width <= 0 || picture.height <= 0 || picture.width > qel::PictureCodec::kMaxSide ||
        picture.height > qel::PictureCodec::kMaxSide || pixels > qel::PictureCodec::kMaxPixels ||
        picture.pixels.size() != static_cast<std::size_t>(pixels))
        std::abort();
    return 0;
}
