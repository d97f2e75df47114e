// How large a label's text or a picture file is, for 自動調整 on the console.
// There is no font here, so text is measured with a fixed metric that comes
// close to a Japanese UI font: a full-width character is one em wide, a
// half-width one (ASCII, half-width katakana) half an em, and a line is
// 1.25 em high, where one em is the font size in pixels (points × dpi / 72).
#pragma once

#include <optional>
#include <string>

#include "text/text.h"

namespace qel::headless {

struct Extent {
    double width = 0;
    double height = 0;
};

// The text's extent; with wrapWidth > 0 lines are broken (at any character,
// as Japanese text is) so that none is wider than wrapWidth, and the extent's
// width is wrapWidth. Lines are separated by CR LF, CR or LF.
Extent textExtent(TextView text, double pointSize, double dpi, double wrapWidth = 0);

// The size in pixels of a PNG, GIF, BMP or JPEG file, read from its header;
// nothing for a file that cannot be read or is none of these.
std::optional<Extent> pictureExtent(const std::string& path);

}  // namespace qel::headless
