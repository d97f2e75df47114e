#include "graphics/svg_picture.h"

#include <cstdio>
#include <unordered_map>
#include <vector>

namespace qel::graphics {

namespace {

struct Block {
    int x, y, width, height;
    std::uint32_t colour;
};

// Base64 without line breaks: a data address must be one unbroken token.
std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned n = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                           unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           unsigned(static_cast<unsigned char>(bytes[i + 2]));
        for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(n >> shift) & 63]);
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned n = unsigned(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) n |= unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out.push_back(rest == 2 ? kAlphabet[(n >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

// The colour most pixels have: drawn once under everything as the paper.
std::uint32_t commonestColour(const Picture& picture) {
    std::unordered_map<std::uint32_t, std::size_t> counts;
    std::uint32_t best = 0;
    std::size_t bestCount = 0;
    for (std::uint32_t p : picture.pixels) {
        const std::size_t n = ++counts[p & 0xFFFFFF];
        if (n > bestCount) best = p & 0xFFFFFF, bestCount = n;
    }
    return best;
}

// Runs of one colour (other than the paper), each grown downwards while the
// row below has the very same run. Stops early (false) past `limit`.
bool blocksOf(const Picture& picture, std::uint32_t paper, std::size_t limit,
              std::vector<Block>& blocks) {
    // The block each run of the previous row extends, by its left edge.
    std::unordered_map<int, std::size_t> open, next;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t* row = &picture.pixels[static_cast<std::size_t>(y) * picture.width];
        next.clear();
        for (int x = 0; x < picture.width;) {
            const std::uint32_t colour = row[x] & 0xFFFFFF;
            const int start = x;
            while (x < picture.width && (row[x] & 0xFFFFFF) == colour) ++x;
            if (colour == paper) continue;
            auto above = open.find(start);
            if (above != open.end() && blocks[above->second].width == x - start &&
                blocks[above->second].colour == colour) {
                ++blocks[above->second].height;
                next[start] = above->second;
                continue;
            }
            if (blocks.size() >= limit) return false;
            blocks.push_back({start, y, x - start, 1, colour});
            next[start] = blocks.size() - 1;
        }
        open.swap(next);
    }
    return true;
}

std::string hexColour(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFF);
    return text;
}

std::string rect(int x, int y, int width, int height, std::uint32_t colour) {
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
           std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" fill=\"" +
           hexColour(colour) + "\"/>\n";
}

}  // namespace

std::string svgOf(const Picture& picture, std::string_view png, std::size_t maxRectangles) {
    const std::string w = std::to_string(picture.width), h = std::to_string(picture.height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg +=
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "version=\"1.1\" width=\"" +
        w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
    const std::uint32_t paper = commonestColour(picture);
    std::vector<Block> blocks;
    if (blocksOf(picture, paper, maxRectangles, blocks)) {
        // crispEdges: neighbouring rectangles meet without hairline seams.
        svg += "<g shape-rendering=\"crispEdges\">\n";
        svg += rect(0, 0, picture.width, picture.height, paper);
        for (const Block& b : blocks) svg += rect(b.x, b.y, b.width, b.height, b.colour);
        svg += "</g>\n</svg>\n";
        return svg;
    }
    // pixelated: viewers that know it enlarge with hard pixel edges
    // (optimizeSpeed for those that know only the older word).
    svg += "<image x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h +
           "\" image-rendering=\"optimizeSpeed\" style=\"image-rendering:pixelated\" "
           "preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,";
    svg += base64(png);
    svg += "\"/>\n</svg>\n";
    return svg;
}

}  // namespace qel::graphics
