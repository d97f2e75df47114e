#include "graphics/window_shape.h"

#include <algorithm>

namespace qel::graphics {

std::vector<ShapeSpan> shapeOf(const Picture& picture, std::optional<std::uint32_t> outside) {
    std::vector<ShapeSpan> spans;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
        return spans;
    const bool seeThrough = std::any_of(picture.pixels.begin(), picture.pixels.end(),
                                        [](std::uint32_t p) { return (p >> 24) < 128; });
    const std::uint32_t background = outside ? (*outside & 0xFFFFFF) : picture.pixels[0] & 0xFFFFFF;
    auto inside = [&](std::uint32_t p) {
        return seeThrough ? (p >> 24) >= 128 : (p & 0xFFFFFF) != background;
    };
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t* row = &picture.pixels[static_cast<std::size_t>(y) * picture.width];
        for (int x = 0; x < picture.width;) {
            if (!inside(row[x])) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < picture.width && inside(row[x])) ++x;
            spans.push_back({y, start, x});
        }
    }
    return spans;
}

}  // namespace qel::graphics
