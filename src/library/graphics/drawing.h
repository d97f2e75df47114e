// What the drawing verbs share: the surface they draw on, its drawing point
// and pen, the turtle icon, and reading their numbers.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "library/graphics/graphics.h"
#include "text/text.h"

namespace qel {
namespace ui {
struct ScriptObject;
}

namespace draw {

// The drawing place as the verbs see it. `canvas` is none when the place
// cannot draw (a frame, the printer on a host without one): drawing there is
// silently nothing.
struct Surface {
    std::shared_ptr<ui::ScriptObject> object;
    Canvas* canvas = nullptr;
    double scale = 1;  // pixels per coordinate unit (座標)
    PixelView pixels() const;
};

Surface currentSurface(Engine& engine);
// The surface of a named object (a window or picture box); reports nothing.
Surface surfaceOf(Engine& engine, const std::shared_ptr<ui::ScriptObject>& object);

// The drawing point, in the surface's units.
std::pair<double, double> point(Engine& engine, const Surface& surface);
void setPoint(Engine& engine, const Surface& surface, double x, double y);

// The pen of the surface (太さ, 描画スタイル, 描画モード) in `colour`.
graphics::Pen penOf(Engine& engine, const Surface& surface, std::uint32_t colour);
// The surface's fill (塗りつぶしスタイル, 塗りつぶし色).
graphics::Fill fillOf(Engine& engine, const Surface& surface);
// Sets the surface's fill style (the shapes switch it as they go).
void setFillStyle(Engine& engine, const Surface& surface, graphics::FillStyle style);
void setFillColour(Engine& engine, const Surface& surface, std::uint32_t rgb);

// The host shows what was drawn when its events next run.
void drawn(const Surface& surface);

// The turtle: moves its icon's centre to the point (x, y) of `surface` (only
// windows carry the icon), and shows the icon for the heading.
void placeIcon(Engine& engine, const Surface& surface, double x, double y);
void refreshIcon(Engine& engine);
// Shows icon resource `resource` (101, 2015 … 2345) on the current turtle.
void showIconPicture(Engine& engine, int resource);
// The picture file the current turtle shows (its own 絵, else the icon for
// its heading); empty when there is no turtle.
Text turtlePictureFile(Engine& engine);

// Lets the host's events run, as the turtle does after each step.
void letEventsRun(Engine& engine);

// A number argument: evaluated, then read leniently; NaN and infinities
// (which arithmetic faults can produce) count as 0.
double numberOf(Engine& engine, TextView argument);
// `count` numbers separated by "," or "、" (outer （） dropped), each
// evaluated, or the value of the whole split so; empty when the count differs.
std::vector<double> numbersOf(Engine& engine, TextView argument, std::size_t count);
// "x,y" (outer （） dropped), each evaluated; nothing when not two parts.
std::optional<std::pair<double, double>> pairOf(Engine& engine, TextView argument);
// A position text: an optional object name and "の" (that object becomes the
// drawing place), then x and y. Nothing when it holds no pair.
std::optional<std::pair<double, double>> positionOf(Engine& engine, TextView argument);
// A colour argument; nothing (after a report) when it is no colour.
std::optional<std::uint32_t> colourOf(Engine& engine, TextView argument);

}  // namespace draw
}  // namespace qel
