#include "platform/linux/picture_codec.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "platform/linux/picture_formats.h"

namespace qel {

namespace {

using picture_formats::sizeProblem;

bool startsWith(std::string_view bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && bytes.substr(0, magic.size()) == magic;
}

// ---- PNG ---------------------------------------------------------------------------

std::uint32_t be32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::string decodePng(std::string_view bytes, Picture& out) {
    // The size stands in the first chunk: refuse a huge picture before the
    // library sees it (its own limits are far above what memory holds).
    if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR") {
        if (std::string why = sizeProblem(be32(bytes, 16), be32(bytes, 20)); !why.empty())
            return why;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return std::string("the PNG file is damaged: ") + image.message;
    if (std::string why = sizeProblem(image.width, image.height); !why.empty()) {
        png_image_free(&image);
        return why;
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian words 0xAARRGGBB
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr))
        return std::string("the PNG file is damaged: ") + image.message;
    out = std::move(picture);
    return {};
}

std::string encodePng(const Picture& picture, std::string& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    // Surfaces are opaque: three bytes a pixel keep the files small.
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (std::uint32_t p : picture.pixels) {
        rgb.push_back(static_cast<unsigned char>(p >> 16));
        rgb.push_back(static_cast<unsigned char>(p >> 8));
        rgb.push_back(static_cast<unsigned char>(p));
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
        return std::string("PNG: ") + image.message;
    out.resize(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr))
        return std::string("PNG: ") + image.message;
    out.resize(size);
    return {};
}

// ---- JPEG --------------------------------------------------------------------------

// libjpeg reports errors by calling a function that must not return.
struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegFail(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

// Kept apart from the setjmp frame: nothing with a destructor lives there.
std::string decodeJpegInto(jpeg_decompress_struct& info, JpegError& error, Picture& picture) {
    if (setjmp(error.jump)) return std::string("the JPEG file is damaged: ") + error.message;
    jpeg_read_header(&info, TRUE);
    if (std::string why = sizeProblem(info.image_width, info.image_height); !why.empty())
        return why;
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * picture.height, 0);
    while (info.output_scanline < info.output_height) {
        auto* row = reinterpret_cast<JSAMPROW>(
            picture.pixels.data() + static_cast<std::size_t>(info.output_scanline) * picture.width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return {};
}

std::string decodeJpeg(std::string_view bytes, Picture& out) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegFail;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    Picture picture;
    std::string why = decodeJpegInto(info, error, picture);
    jpeg_destroy_decompress(&info);
    if (why.empty()) out = std::move(picture);
    return why;
}

std::string encodeJpegInto(jpeg_compress_struct& info, JpegError& error, const Picture& picture,
                           const PictureSaveOptions& options) {
    if (setjmp(error.jump)) return std::string("JPEG: ") + error.message;
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(options.jpegQuality, 1, 100), TRUE);
    if (options.jpegProgressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(
            picture.pixels.data() + static_cast<std::size_t>(info.next_scanline) * picture.width));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return {};
}

std::string encodeJpeg(const Picture& picture, const PictureSaveOptions& options,
                       std::string& out) {
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegFail;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    std::string why = encodeJpegInto(info, error, picture, options);
    jpeg_destroy_compress(&info);
    if (why.empty() && buffer) out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return why;
}

// ---- BMP ---------------------------------------------------------------------------

std::uint32_t le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}
void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

// Uncompressed BMPs of 8, 24 and 32 bits per pixel (what pictures saved by
// paint programs are); other kinds are refused by name.
std::string decodeBmp(std::string_view b, Picture& out) {
    if (b.size() < 54) return "the BMP file is damaged: too short";
    const std::uint32_t offset = le32(b, 10), header = le32(b, 14);
    if (header < 40) return "the BMP file is of an old kind this program does not read";
    const long long width = static_cast<std::int32_t>(le32(b, 18));
    const long long rawHeight = static_cast<std::int32_t>(le32(b, 22));
    const int bits = le16(b, 28);
    const std::uint32_t compression = le32(b, 30);
    const long long height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (std::string why = sizeProblem(width, height); !why.empty()) return why;
    if (compression != 0 && !(compression == 3 && bits == 32))
        return "compressed BMP files are not read";
    if (bits != 8 && bits != 24 && bits != 32)
        return "BMP files of " + std::to_string(bits) + " bits per pixel are not read";
    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (offset > b.size() || rowBytes * static_cast<std::size_t>(height) > b.size() - offset)
        return "the BMP file is damaged: it ends before its pixels do";
    const std::size_t palette = 14 + header;
    Picture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (long long y = 0; y < height; ++y) {
        const long long fileRow = rawHeight < 0 ? y : height - 1 - y;
        const std::size_t row = offset + static_cast<std::size_t>(fileRow) * rowBytes;
        for (long long x = 0; x < width; ++x) {
            std::uint32_t v;
            if (bits == 8) {
                const std::size_t at = palette + 4 * static_cast<unsigned char>(b[row + x]);
                v = at + 4 <= offset ? le32(b, at) : 0;
            } else if (bits == 24) {
                const std::size_t at = row + 3 * static_cast<std::size_t>(x);
                v = static_cast<std::uint32_t>(le16(b, at)) |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16;
            } else {
                v = le32(b, row + 4 * x);
            }
            picture.pixels[static_cast<std::size_t>(y) * width + x] = 0xFF000000u | (v & 0xFFFFFF);
        }
    }
    out = std::move(picture);
    return {};
}

std::string encodeBmp(const Picture& p, std::string& out) {
    const std::size_t rowBytes = ((static_cast<std::size_t>(p.width) * 24 + 31) / 32) * 4;
    const std::size_t size = 54 + rowBytes * p.height;
    out.clear();
    out.reserve(size);
    out += "BM";
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(p.width));
    put32(out, static_cast<std::uint32_t>(p.height));
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i)
        put32(out, i == 1 ? static_cast<std::uint32_t>(rowBytes * p.height) : 0);
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v = p.pixels[static_cast<std::size_t>(y) * p.width + x];
            out.push_back(static_cast<char>(v & 0xFF));
            out.push_back(static_cast<char>((v >> 8) & 0xFF));
            out.push_back(static_cast<char>((v >> 16) & 0xFF));
        }
        out.append(rowBytes - 3 * static_cast<std::size_t>(p.width), '\0');
    }
    return {};
}

}  // namespace

namespace picture_formats {

std::string sizeProblem(long long width, long long height) {
    if (width <= 0 || height <= 0) return "the picture has no pixels";
    if (width > PictureCodec::kMaxSide || height > PictureCodec::kMaxSide ||
        width * height > PictureCodec::kMaxPixels)
        return "the picture is too large (" + std::to_string(width) + " x " +
               std::to_string(height) + " pixels; at most " +
               std::to_string(PictureCodec::kMaxSide) + " on a side)";
    return {};
}

}  // namespace picture_formats

std::string StandardPictureCodec::decode(std::string_view bytes, Picture& out) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n")) return decodePng(bytes, out);
    if (startsWith(bytes, "\xFF\xD8\xFF")) return decodeJpeg(bytes, out);
    if (startsWith(bytes, "BM")) return decodeBmp(bytes, out);
    if (startsWith(bytes, "GIF8")) return picture_formats::decodeGif(bytes, out);
    if (startsWith(bytes, std::string_view("\0\0\1\0", 4)) ||
        startsWith(bytes, std::string_view("\0\0\2\0", 4)))
        return picture_formats::decodeIco(bytes, out, decodePng);
    return "not a picture file of a known format (PNG, JPEG, BMP, GIF or ICO)";
}

std::string StandardPictureCodec::encode(PictureFormat format, const Picture& picture,
                                         const PictureSaveOptions& options, std::string& out) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
        return "there is no picture to save";
    switch (format) {
        case PictureFormat::Png:
            return encodePng(picture, out);
        case PictureFormat::Jpeg:
            return encodeJpeg(picture, options, out);
        case PictureFormat::Bmp:
            return encodeBmp(picture, out);
        default:
            return "unknown picture format (use .png, .jpg, .bmp or .svg)";
    }
}

}  // namespace qel
