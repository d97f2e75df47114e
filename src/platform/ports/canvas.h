// Drawing surfaces and picture files. A window or a picture box owns one
// persistent surface: what is drawn on it stays when the window is covered,
// minimised or resized, and is what a picture file of the window holds.
//
// The pixels are 32-bit 0xAARRGGBB words, row after row. Every host exposes
// its surface's pixels directly, so the drawing algorithms of the graphics
// layer give the same pixels on the console as on the desktop; a host adds
// only what needs its own machinery (fonts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace qel {

// A view of pixels owned by someone else (a surface or a picture).
struct PixelView {
    std::uint32_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // pixels from one row to the next

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t& at(int x, int y) const {
        return data[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                    static_cast<std::size_t>(x)];
    }
};

// A picture held in memory (loaded from a file, or copied from a surface).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, width * height

    PixelView view() { return {pixels.data(), width, height, width}; }
};

// One run of a window shape's pixels: row y, columns x0 up to (not
// including) x1, in client-area pixels.
struct ShapeSpan {
    int y = 0, x0 = 0, x1 = 0;
    bool operator==(const ShapeSpan&) const = default;
};

// How text is drawn: the surface's font.
struct TextStyle {
    Text fontName;
    double fontSize = 9;  // points
    bool bold = false;
    bool italic = false;
    std::uint32_t colour = 0;  // 0xRRGGBB
};

// Text for hosts that draw it themselves (the console): each character in a
// cell 16 pixels high, 8 wide for half-width characters and 16 for the rest,
// as the text is measured there.
struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;  // width * height, 0 … 255
};

class TextRasterizer {
  public:
    virtual ~TextRasterizer() = default;
    // False when there is no font to draw with (the text is then only
    // measured). `smooth` asks for grey edges instead of whole pixels.
    virtual bool render(TextView text, bool smooth, TextMask& out) = 0;
};

class Canvas {
  public:
    virtual ~Canvas() = default;
    // The pixels as they stand. The view stays valid until the next resize.
    virtual PixelView pixels() = 0;
    // Makes the surface at least w × h (it never shrinks, so what was drawn
    // outside a window made smaller comes back when it grows again); new
    // parts take `background`.
    virtual void ensureSize(int width, int height, std::uint32_t background) = 0;
    // The part of the surface that is seen (the client area): what a saved
    // picture holds.
    virtual int visibleWidth() const = 0;
    virtual int visibleHeight() const = 0;
    // Draws `text` with its top-left corner at (x, y); returns its width and
    // height in pixels. Hosts without fonts measure and draw nothing.
    virtual std::pair<int, int> drawText(int x, int y, TextView text, const TextStyle& style) = 0;
    virtual std::pair<int, int> measureText(TextView text, const TextStyle& style) const = 0;
    // Something was drawn: the host shows it when its events next run (never
    // at once, so that a loop of many small drawings stays fast).
    virtual void changed() {}
    // Smooth (grey-edged) drawing, off by default so that every pixel is
    // exact. The surface only keeps the switch: the graphics layer reads it
    // for lines and circles, the host for text.
    virtual void setAntialiasing(bool on) { (void)on; }
    virtual bool antialiasing() const { return false; }
};

// Picture file formats, as bytes (the files themselves are read and written
// through the FileSystem port, which replaces files atomically). Errors come
// back as a reason in English for the report; empty means success.
struct PictureSaveOptions {
    int jpegQuality = 75;  // 1 … 100
    bool jpegProgressive = false;
};

// Svg is written, never read: a PNG of the picture wrapped in an SVG document.
enum class PictureFormat { Unknown, Png, Jpeg, Bmp, Svg };

// The format a file name asks for by its extension (case ignored).
inline PictureFormat pictureFormatOfName(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) return PictureFormat::Unknown;
    std::string ext;
    for (char c : path.substr(dot + 1)) ext.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
    if (ext == "png") return PictureFormat::Png;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe") return PictureFormat::Jpeg;
    if (ext == "bmp" || ext == "dib") return PictureFormat::Bmp;
    if (ext == "svg") return PictureFormat::Svg;
    return PictureFormat::Unknown;
}

class PictureCodec {
  public:
    virtual ~PictureCodec() = default;
    // The largest picture read: anything larger is refused before its pixels
    // are decoded, so a small file claiming a huge picture cannot exhaust
    // memory.
    static constexpr int kMaxSide = 16384;
    static constexpr long long kMaxPixels = 64LL * 1024 * 1024;
    // Recognises the format by the bytes, not the file name.
    virtual std::string decode(std::string_view bytes, Picture& out) = 0;
    virtual std::string encode(PictureFormat format, const Picture& picture,
                               const PictureSaveOptions& options, std::string& out) = 0;
};

}  // namespace qel
