// Text drawn on the console's surfaces with FreeType and a Japanese font
// from the system (IPA Gothic, whose half-width characters are exactly half
// as wide as the others, so the glyphs fill the console's fixed cells).
// FreeType is loaded by the first text drawn, not at start-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ports/canvas.h"

namespace qel {

class FreeTypeText : public TextRasterizer {
  public:
    // The font files tried in order; the first that opens is used.
    explicit FreeTypeText(std::vector<std::string> fontFiles = defaultFontFiles());
    ~FreeTypeText() override;
    FreeTypeText(const FreeTypeText&) = delete;
    FreeTypeText& operator=(const FreeTypeText&) = delete;

    bool render(TextView text, bool smooth, TextMask& out) override;

    static std::vector<std::string> defaultFontFiles();

  private:
    bool open();
    std::vector<std::string> files_;
    struct Face;
    std::unique_ptr<Face> face_;  // opened on first use
    bool tried_ = false;
};

}  // namespace qel
