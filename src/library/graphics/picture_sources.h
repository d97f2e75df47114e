// Where the picture commands take their pictures from and put them: a window
// or picture box named without 「」, or a picture file; a target given as an
// object name or a position text.
#pragma once

#include <memory>
#include <optional>

#include "graphics/compose.h"
#include "library/graphics/drawing.h"

namespace qel::draw {

// The window or picture box `raw` names (unevaluated), else none; reports
// nothing.
std::shared_ptr<ui::ScriptObject> drawingObjectNamed(Engine& engine, TextView raw);

// The seen part (client area) of a canvas.
PixelView seenPart(Canvas& canvas);

// The 透明色 of a window or picture box, when one was set.
std::optional<std::uint32_t> maskColourOf(Engine& engine, const ui::ScriptObject& object);

// A copy of the pixels, alpha and all.
Picture copyOf(PixelView pixels);

// The picture `raw` stands for: a window or picture box (what it shows), or
// else the file its value names. Nothing, after a report, when there is none.
std::optional<Picture> pictureOf(Engine& engine, TextView raw);
// The picture in a file (named by its value); nothing, after a report, when
// it cannot be read.
std::optional<Picture> pictureFromFile(Engine& engine, const Text& file);

// Where a picture goes: the "へ"/"に" argument `raw` names a window or picture
// box (its top-left corner), is a position text (which may name the drawing
// place, as for the shapes) or is empty (the current place's top-left corner).
// The position comes back in pixels. False, after a report, when `raw` is
// none of these.
struct Target {
    Surface surface;
    int x = 0, y = 0;
};
std::optional<Target> targetOf(Engine& engine, TextView raw);

// The colour a surface is emptied to (its 背景; white when it has none).
std::uint32_t backgroundOf(Engine& engine, const Surface& surface);

}  // namespace qel::draw
