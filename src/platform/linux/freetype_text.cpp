#include "platform/linux/freetype_text.h"

#include <dlfcn.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace qel {

namespace {

constexpr int kCellHeight = 16;

#define QEL_FREETYPE_FUNCTIONS(X) \
    X(FT_Init_FreeType)           \
    X(FT_Done_FreeType)           \
    X(FT_New_Face)                \
    X(FT_Done_Face)               \
    X(FT_Set_Pixel_Sizes)         \
    X(FT_Load_Char)

struct FreeTypeApi {
#define QEL_FREETYPE_MEMBER(name) decltype(&::name) name = nullptr;
    QEL_FREETYPE_FUNCTIONS(QEL_FREETYPE_MEMBER)
#undef QEL_FREETYPE_MEMBER
    bool ok = false;
};

// Loaded once and kept for the rest of the process.
const FreeTypeApi& freeType() {
    static const FreeTypeApi api = [] {
        FreeTypeApi a;
        void* handle = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return a;
#define QEL_FREETYPE_BIND(name)                                         \
    a.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
    if (!a.name) return a;
        QEL_FREETYPE_FUNCTIONS(QEL_FREETYPE_BIND)
#undef QEL_FREETYPE_BIND
        a.ok = true;
        return a;
    }();
    return api;
}

// The cell width the console measures a character with.
int cellWidth(char16_t c) {
    return (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? 8 : 16;
}

}  // namespace

struct FreeTypeText::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int ascent = 14;
    ~Face() {
        const FreeTypeApi& ft = freeType();
        if (face) ft.FT_Done_Face(face);
        if (library) ft.FT_Done_FreeType(library);
    }
};

std::vector<std::string> FreeTypeText::defaultFontFiles() {
    return {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
            "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
            "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"};
}

FreeTypeText::FreeTypeText(std::vector<std::string> fontFiles) : files_(std::move(fontFiles)) {}
FreeTypeText::~FreeTypeText() = default;

bool FreeTypeText::open() {
    if (tried_) return face_ != nullptr;
    tried_ = true;
    const FreeTypeApi& ft = freeType();
    if (!ft.ok) return false;
    auto face = std::make_unique<Face>();
    if (ft.FT_Init_FreeType(&face->library) != 0) return false;
    for (const std::string& file : files_) {
        if (ft.FT_New_Face(face->library, file.c_str(), 0, &face->face) != 0) {
            face->face = nullptr;
            continue;
        }
        if (ft.FT_Set_Pixel_Sizes(face->face, 0, kCellHeight) == 0) break;
        ft.FT_Done_Face(face->face);
        face->face = nullptr;
    }
    if (!face->face) return false;
    // The baseline sits the font's ascent down the cell (never outside it).
    face->ascent =
        std::clamp(static_cast<int>(face->face->size->metrics.ascender >> 6), 1, kCellHeight);
    face_ = std::move(face);
    return true;
}

bool FreeTypeText::render(TextView text, bool smooth, TextMask& out) {
    if (!open()) return false;
    const FreeTypeApi& ft = freeType();
    int width = 0;
    for (char16_t c : text) width += cellWidth(c);
    out.width = width;
    out.height = kCellHeight;
    out.coverage.assign(static_cast<std::size_t>(width) * kCellHeight, 0);
    const FT_Int32 flags = FT_LOAD_RENDER | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    int left = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int cell = cellWidth(text[i]);
        char32_t code = text[i];
        // A surrogate pair is one character drawn in the first of its two cells.
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        }
        if (code >= 0xDC00 && code <= 0xDFFF) {
            left += cell;
            continue;
        }
        if (ft.FT_Load_Char(face_->face, code, flags) == 0) {
            const FT_GlyphSlot g = face_->face->glyph;
            const FT_Bitmap& b = g->bitmap;
            // A glyph narrower than its cell is centred in it.
            const int advance = static_cast<int>(g->advance.x >> 6);
            const int x0 = left + std::max(0, (cell - advance) / 2) + g->bitmap_left;
            const int y0 = face_->ascent - g->bitmap_top;
            for (unsigned row = 0; row < b.rows; ++row) {
                const int y = y0 + static_cast<int>(row);
                if (y < 0 || y >= kCellHeight) continue;
                const unsigned char* line = b.buffer + static_cast<std::ptrdiff_t>(row) * b.pitch;
                for (unsigned col = 0; col < b.width; ++col) {
                    const int x = x0 + static_cast<int>(col);
                    if (x < 0 || x >= width) continue;
                    unsigned a = 0;
                    if (b.pixel_mode == FT_PIXEL_MODE_MONO)
                        a = (line[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
                    else if (b.pixel_mode == FT_PIXEL_MODE_GRAY)
                        a = line[col] * 255u / std::max(1u, unsigned(b.num_grays) - 1);
                    std::uint8_t& c = out.coverage[static_cast<std::size_t>(y) * width + x];
                    c = static_cast<std::uint8_t>(std::max<unsigned>(c, a));
                }
            }
        }
        left += cell;
    }
    return true;
}

}  // namespace qel
