// What a script reads of the turtle: where it stands (カメの横, カメの縦) and
// the colour it draws in (カメの色, and 色, the reading of the setting word).
#include <cmath>

#include "core/engine.h"
#include "library/graphics/drawing.h"
#include "library/graphics/graphics.h"
#include "library/registry/function_support.h"
#include "text/number.h"
#include "ui/properties.h"

namespace qel {

namespace {

// The turtle stands on the current surface's drawing point. It is read in
// whole units, as the icon stands on it: the turns' 3.14159 factor leaves
// traces such as 49.99999 after a square is walked.
void turtlePlace(Text& result, Engine& engine, bool across) {
    const draw::Surface surface = draw::currentSurface(engine);
    if (!surface.object) return;
    const auto [x, y] = draw::point(engine, surface);
    result = number::format(std::round(across ? x : y));
}

}  // namespace

void fnTurtleX(Text& result, Text&, Engine& engine) {
    turtlePlace(result, engine, true);
}

void fnTurtleY(Text& result, Text&, Engine& engine) {
    turtlePlace(result, engine, false);
}

// 色(): the pen colour, as colour properties read (the language's colour
// value). 色(赤): the colour value of a colour text, for scripts that
// compare or compute colours.
void fnPenColour(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    if (!a.given(0)) {
        result = number::format(double(ui::fromRgb(graphicsState(engine).penColour)));
        return;
    }
    auto colour = ui::ColourValue(engine, a.text(0));
    if (!colour) {
        engine.Report(ErrorId::ColourUnreadable, a.text(0));
        return;
    }
    result = number::format(double(*colour));
}

}  // namespace qel
