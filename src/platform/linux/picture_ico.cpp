// Windows icon and cursor files: the largest image the file holds. Icons
// are what scripts written for the desktop most often give a window or a
// tray; their bitmaps carry an AND mask that makes pixels transparent.
#include <cstdint>

#include "platform/linux/picture_formats.h"

namespace qel::picture_formats {

namespace {

constexpr const char* kDamaged = "the icon file is damaged";

std::uint32_t le32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    return v;
}
std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      static_cast<std::uint8_t>(b[at + 1]) << 8);
}

struct IconEntry {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
};

std::size_t rowBytes(long long width, int bits) {
    return ((static_cast<std::size_t>(width) * std::size_t(bits) + 31) / 32) * 4;
}

// A bitmap image of an icon: a BITMAPINFOHEADER whose height counts the
// colour rows and the mask rows, a palette for 8 bits and fewer, the colour
// rows bottom-up, then the 1-bit AND mask (a set bit: transparent).
std::string decodeIconBitmap(std::string_view b, Picture& out) {
    if (b.size() < 40) return kDamaged;
    const std::uint32_t header = le32(b, 0);
    if (header < 40 || header > b.size()) return kDamaged;
    const long long width = static_cast<std::int32_t>(le32(b, 4));
    const long long height = static_cast<std::int32_t>(le32(b, 8)) / 2;
    const int bits = le16(b, 14);
    if (le32(b, 16) != 0) return "compressed icon bitmaps are not read";
    if (std::string why = sizeProblem(width, height); !why.empty()) return why;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return "icon bitmaps of " + std::to_string(bits) + " bits per pixel are not read";
    std::uint32_t colours = le32(b, 32);
    if (bits <= 8 && colours == 0) colours = 1u << bits;
    if (bits > 8) colours = 0;
    const std::size_t palette = header;
    const std::size_t pixels = palette + std::size_t(colours) * 4;
    const std::size_t colourRow = rowBytes(width, bits), maskRow = rowBytes(width, 1);
    const std::size_t colourBytes = colourRow * std::size_t(height);
    if (pixels > b.size() || colourBytes > b.size() - pixels) return kDamaged;
    // Some icons of 32 bits leave the mask out: their alpha is enough.
    const bool hasMask = maskRow * std::size_t(height) <= b.size() - pixels - colourBytes;
    const std::size_t mask = pixels + colourBytes;

    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(std::size_t(width) * std::size_t(height));
    bool anyAlpha = false;
    for (long long y = 0; y < height; ++y) {
        const std::size_t row = pixels + std::size_t(height - 1 - y) * colourRow;
        for (long long x = 0; x < width; ++x) {
            std::uint32_t v = 0;
            if (bits <= 8) {
                const std::size_t bit = std::size_t(x) * std::size_t(bits);
                const unsigned byte = static_cast<std::uint8_t>(b[row + bit / 8]);
                const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                v = index < colours ? 0xFF000000u | (le32(b, palette + 4 * index) & 0xFFFFFF)
                                    : 0xFF000000u;
            } else if (bits == 24) {
                const std::size_t at = row + 3 * std::size_t(x);
                v = 0xFF000000u | le16(b, at) |
                    std::uint32_t(static_cast<std::uint8_t>(b[at + 2])) << 16;
            } else {
                v = le32(b, row + 4 * std::size_t(x));
                anyAlpha = anyAlpha || (v >> 24) != 0;
            }
            picture.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = v;
        }
    }
    for (long long y = 0; y < height; ++y) {
        for (long long x = 0; x < width; ++x) {
            std::uint32_t& v = picture.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            bool clear = false;
            if (hasMask) {
                const std::size_t at =
                    mask + std::size_t(height - 1 - y) * maskRow + std::size_t(x) / 8;
                clear = (static_cast<std::uint8_t>(b[at]) >> (7 - x % 8)) & 1;
            }
            // A 32-bit image with an alpha channel is transparent by its
            // alpha; one whose alpha is all zero goes by the mask alone.
            if (bits == 32 && anyAlpha) continue;
            v = clear ? 0 : (v | 0xFF000000u);
        }
    }
    out = std::move(picture);
    return {};
}

}  // namespace

std::string decodeIco(std::string_view b, Picture& out, const Decoder& decodePng) {
    if (b.size() < 6 || le16(b, 0) != 0 || (le16(b, 2) != 1 && le16(b, 2) != 2))
        return "not an icon file";
    const int count = le16(b, 4);
    if (count == 0) return "the icon file holds no picture";
    if (b.size() < 6 + std::size_t(count) * 16) return kDamaged;
    IconEntry best;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = 6 + std::size_t(i) * 16;
        IconEntry entry;
        entry.width =
            static_cast<std::uint8_t>(b[at]) == 0 ? 256 : static_cast<std::uint8_t>(b[at]);
        entry.height =
            static_cast<std::uint8_t>(b[at + 1]) == 0 ? 256 : static_cast<std::uint8_t>(b[at + 1]);
        entry.bits = le16(b, at + 6);
        entry.size = le32(b, at + 8);
        entry.offset = le32(b, at + 12);
        if (entry.offset > b.size() || entry.size > b.size() - entry.offset) continue;
        const long long area = 1LL * entry.width * entry.height;
        const long long bestArea = 1LL * best.width * best.height;
        if (area > bestArea || (area == bestArea && entry.bits > best.bits)) best = entry;
    }
    if (best.size == 0) return kDamaged;
    const std::string_view image = b.substr(best.offset, best.size);
    if (image.size() >= 8 && image.substr(0, 8) == "\x89PNG\r\n\x1a\n")
        return decodePng(image, out);
    return decodeIconBitmap(image, out);
}

}  // namespace qel::picture_formats
