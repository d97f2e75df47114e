// Image effects on the seen part of a surface: colour filters, neighbourhood
// filters and mirror turns. Each works on 0xAARRGGBB pixels in place and keeps
// every pixel's alpha, so a picture box's see-through parts stay so.
#pragma once

#include "platform/ports/canvas.h"

namespace qel::graphics {

enum class Effect {
    Invert,     // 色反転, ネガポジ: every channel c becomes 255 - c
    Grey,       // 白黒: the luma 0.299 R + 0.587 G + 0.114 B in every channel
    Sepia,      // セピア: the luma tinted brown
    Mosaic,     // モザイク: 8 × 8 blocks of their mean colour
    Blur,       // ぼかし: the mean of each 3 × 3 neighbourhood
    Sharpen,    // 鮮明化: 5 × the pixel less its four neighbours
    Emboss,     // エンボス: grey relief from the difference across the diagonal
    Contrast,   // コントラスト: channels spread 1.5 × away from 128
    Solarize,   // ソラリゼーション: channels above 127 inverted
    TurnRight,  // 右回転: a quarter turn clockwise (square part only)
    Mirror,     // 左右回転: left and right swapped
    Flip,       // 上下回転: top and bottom swapped
    HalfTurn,   // 回転: a half turn
};

inline constexpr int kMosaicBlock = 8;

void applyEffect(PixelView pixels, Effect effect);

}  // namespace qel::graphics
