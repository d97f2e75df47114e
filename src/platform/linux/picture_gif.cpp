// GIF pictures: the first frame, decoded by our own LZW reader. GIF is old
// and small enough that a library would add more than the reader does, and
// reading it here keeps the console host free of image libraries beyond
// libpng and libjpeg-turbo.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/linux/picture_formats.h"

namespace qel::picture_formats {

namespace {

constexpr const char* kDamaged = "the GIF file is damaged";

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    bool has(std::size_t n) const { return bytes_.size() - at_ >= n; }
    std::uint8_t byte() { return static_cast<std::uint8_t>(bytes_[at_++]); }
    std::uint16_t le16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    std::string_view take(std::size_t n) {
        std::string_view part = bytes_.substr(at_, n);
        at_ += n;
        return part;
    }
    void skip(std::size_t n) { at_ += n; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// Reads a colour table of `count` RGB entries as opaque 0xAARRGGBB values.
bool readColourTable(ByteReader& in, int count, std::vector<std::uint32_t>& table) {
    if (!in.has(std::size_t(count) * 3)) return false;
    table.resize(std::size_t(count));
    for (auto& colour : table) {
        const std::uint32_t r = in.byte(), g = in.byte(), b = in.byte();
        colour = 0xFF000000u | r << 16 | g << 8 | b;
    }
    return true;
}

// The data sub-blocks after an image descriptor (or an extension), joined.
bool readSubBlocks(ByteReader& in, std::string* joined) {
    for (;;) {
        if (!in.has(1)) return false;
        const std::size_t size = in.byte();
        if (size == 0) return true;
        if (!in.has(size)) return false;
        std::string_view block = in.take(size);
        if (joined) joined->append(block);
    }
}

// Variable-width LZW as GIF writes it: codes least significant bit first,
// widths from minimum + 1 up to 12 bits, a clear code and an end code.
// `indices` receives at most `wanted` colour indices.
bool decodeLzw(std::string_view data, int minimumCodeSize, std::size_t wanted,
               std::vector<std::uint8_t>& indices) {
    constexpr int kMaxCodes = 4096;
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> first{};
    for (int c = 0; c < clear; ++c) {
        suffix[std::size_t(c)] = static_cast<std::uint8_t>(c);
        first[std::size_t(c)] = static_cast<std::uint8_t>(c);
    }
    std::vector<std::uint8_t> string;  // one code's indices, written backwards
    string.reserve(kMaxCodes);
    int width = minimumCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    std::uint32_t bits = 0;
    int bitCount = 0;
    std::size_t at = 0;
    indices.clear();
    indices.reserve(wanted);
    while (indices.size() < wanted) {
        while (bitCount < width) {
            if (at >= data.size()) return !indices.empty();  // a short last frame keeps what came
            bits |= std::uint32_t(static_cast<std::uint8_t>(data[at++])) << bitCount;
            bitCount += 8;
        }
        const int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        if (code == clear) {
            width = minimumCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        if (previous < 0) {
            if (code >= clear) return false;
            indices.push_back(static_cast<std::uint8_t>(code));
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes)) return false;
        // A code not yet in the table is the previous string plus its own
        // first index.
        const int known = code < next ? code : previous;
        string.clear();
        if (code == next) string.push_back(first[std::size_t(previous)]);
        for (int c = known;; c = prefix[std::size_t(c)]) {
            string.push_back(suffix[std::size_t(c)]);
            if (c < clear) break;
        }
        for (auto it = string.rbegin(); it != string.rend() && indices.size() < wanted; ++it)
            indices.push_back(*it);
        if (next < kMaxCodes) {
            prefix[std::size_t(next)] = static_cast<std::uint16_t>(previous);
            suffix[std::size_t(next)] = string.back();
            first[std::size_t(next)] = first[std::size_t(previous)];
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        previous = code;
    }
    return true;
}

// The row of the frame that the n-th decoded row fills, for interlaced
// frames (rows 0, 8, 16 …, then 4, 12 …, then 2, 6 …, then 1, 3 …).
int interlacedRow(int n, int height) {
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows) return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return height - 1;
}

}  // namespace

std::string decodeGif(std::string_view bytes, Picture& out) {
    ByteReader in(bytes);
    if (!in.has(13)) return kDamaged;
    const std::string_view signature = in.take(6);
    if (signature != "GIF87a" && signature != "GIF89a") return "not a GIF file of a known version";
    const int screenWidth = in.le16(), screenHeight = in.le16();
    const std::uint8_t flags = in.byte();
    in.skip(2);  // background colour and aspect ratio
    if (std::string why = sizeProblem(screenWidth, screenHeight); !why.empty()) return why;
    std::vector<std::uint32_t> globalTable;
    if ((flags & 0x80) && !readColourTable(in, 2 << (flags & 7), globalTable)) return kDamaged;

    int transparent = -1;
    for (;;) {
        if (!in.has(1)) return kDamaged;
        const std::uint8_t kind = in.byte();
        if (kind == 0x3B) return "the GIF file holds no picture";
        if (kind == 0x21) {
            if (!in.has(1)) return kDamaged;
            const std::uint8_t label = in.byte();
            if (label == 0xF9) {
                std::string control;
                if (!readSubBlocks(in, &control)) return kDamaged;
                if (control.size() >= 4 && (control[0] & 1))
                    transparent = static_cast<std::uint8_t>(control[3]);
            } else if (!readSubBlocks(in, nullptr)) {
                return kDamaged;
            }
            continue;
        }
        if (kind != 0x2C) return kDamaged;
        if (!in.has(9)) return kDamaged;
        const int left = in.le16(), top = in.le16();
        const int width = in.le16(), height = in.le16();
        const std::uint8_t frameFlags = in.byte();
        std::vector<std::uint32_t> localTable;
        if ((frameFlags & 0x80) && !readColourTable(in, 2 << (frameFlags & 7), localTable))
            return kDamaged;
        const std::vector<std::uint32_t>& table = localTable.empty() ? globalTable : localTable;
        if (table.empty()) return "the GIF file has no colours";
        if (!in.has(1)) return kDamaged;
        const int minimumCodeSize = in.byte();
        if (minimumCodeSize < 2 || minimumCodeSize > 8) return kDamaged;
        std::string data;
        if (!readSubBlocks(in, &data)) return kDamaged;
        std::vector<std::uint8_t> indices;
        const std::size_t wanted = std::size_t(width) * std::size_t(height);
        if (!decodeLzw(data, minimumCodeSize, wanted, indices)) return kDamaged;

        Picture picture;
        picture.width = screenWidth;
        picture.height = screenHeight;
        picture.pixels.assign(std::size_t(screenWidth) * std::size_t(screenHeight), 0);
        const bool interlaced = frameFlags & 0x40;
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const int n = static_cast<int>(i / std::size_t(width));
            const int x = left + static_cast<int>(i % std::size_t(width));
            const int y = top + (interlaced ? interlacedRow(n, height) : n);
            if (x >= screenWidth || y >= screenHeight) continue;
            const int index = indices[i];
            if (index == transparent || std::size_t(index) >= table.size()) continue;
            picture.pixels[std::size_t(y) * std::size_t(screenWidth) + std::size_t(x)] =
                table[std::size_t(index)];
        }
        out = std::move(picture);
        return {};
    }
}

}  // namespace qel::picture_formats
