#include "platform/headless/content_size.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

namespace qel::headless {

namespace {

bool halfWidth(char16_t c) {
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

std::uint32_t littleEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// JPEG keeps its size in the first start-of-frame segment; the segments
// before it are skipped by their lengths.
std::optional<Extent> jpegExtent(std::ifstream& in) {
    in.seekg(2);
    unsigned char head[4];
    for (int guard = 0; guard < 1000 && in.read(reinterpret_cast<char*>(head), 4); ++guard) {
        if (head[0] != 0xFF) return std::nullopt;
        const int marker = head[1];
        const std::uint32_t length = bigEndian(head + 2, 2);
        if (length < 2) return std::nullopt;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            unsigned char sof[5];
            if (!in.read(reinterpret_cast<char*>(sof), 5)) return std::nullopt;
            return Extent{double(bigEndian(sof + 3, 2)), double(bigEndian(sof + 1, 2))};
        }
        in.seekg(std::streamoff(length - 2), std::ios::cur);
    }
    return std::nullopt;
}

}  // namespace

Extent textExtent(TextView text, double pointSize, double dpi, double wrapWidth) {
    const double em = std::max(pointSize, 0.0) * dpi / 72;
    double widest = 0, line = 0;
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            widest = std::max(widest, line);
            line = 0;
            ++lines;
            continue;
        }
        const double advance = halfWidth(c) ? em / 2 : em;
        if (wrapWidth > 0 && line > 0 && line + advance > wrapWidth) {
            widest = std::max(widest, line);
            line = 0;
            ++lines;
        }
        line += advance;
    }
    widest = std::max(widest, line);
    return {wrapWidth > 0 ? wrapWidth : std::ceil(widest), std::ceil(lines * em * 1.25)};
}

std::optional<Extent> pictureExtent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 26> h{};
    if (!in.read(reinterpret_cast<char*>(h.data()), std::streamsize(h.size()))) {
        // A GIF header is only 10 bytes; anything shorter is nothing we know.
        if (in.gcount() < 10) return std::nullopt;
    }
    const unsigned char* p = h.data();
    if (p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G')
        return Extent{double(bigEndian(p + 16, 4)), double(bigEndian(p + 20, 4))};
    if (p[0] == 'G' && p[1] == 'I' && p[2] == 'F')
        return Extent{double(littleEndian(p + 6, 2)), double(littleEndian(p + 8, 2))};
    if (p[0] == 'B' && p[1] == 'M') {
        auto height = std::int32_t(littleEndian(p + 22, 4));
        return Extent{double(std::int32_t(littleEndian(p + 18, 4))), std::fabs(double(height))};
    }
    if (p[0] == 0xFF && p[1] == 0xD8) {
        in.clear();
        return jpegExtent(in);
    }
    return std::nullopt;
}

}  // namespace qel::headless
