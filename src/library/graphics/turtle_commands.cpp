// The turtle: turning, moving and drawing along its heading, the tree of 枝,
// its pen and icon, and the setting words that place and point it.
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "library/graphics/drawing.h"
#include "library/objects/objects.h"
#include "library/registry/arguments.h"
#include "text/number.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel {

namespace {

// The icon appears with the first turtle command, unless 隠れ hid it.
void showIconOnUse(Engine& engine) {
    GraphicsState& state = graphicsState(engine);
    if (state.iconHidden || !engine.platform.widgets) return;
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.object || !surface.object->isWindow()) return;
    auto window = std::static_pointer_cast<ui::QelWindow>(surface.object);
    auto own = objectModel(engine).GetNullObj(engine, *window, ui::kindRow(ui::KindId::Turtle));
    if (own && state.turtle.expired()) state.turtle = own;
    if (auto turtle = state.turtle.lock())
        engine.platform.widgets->set(turtle->widget, WidgetValue::Visible, 1.0);
    if (!state.iconSet) draw::showIconPicture(engine, state.iconResource);
}

// With the icon hidden nothing on the screen moves between steps, so events
// (and with them the repaint that shows the drawing) run only every this many
// steps: a drawing of many short segments is not slowed by a repaint each.
// Counting steps rather than time keeps runs repeatable.
constexpr int kStepsBetweenEvents = 64;

void stepTaken(Engine& engine) {
    GraphicsState& state = graphicsState(engine);
    if (state.iconHidden && ++state.quietSteps < kStepsBetweenEvents) return;
    state.quietSteps = 0;
    draw::letEventsRun(engine);
}

void turnTurtle(Engine& engine, double delta) {
    GraphicsState& state = graphicsState(engine);
    state.heading = graphics::turnHeading(state.heading, delta);
    draw::refreshIcon(engine);
}

void moveTurtle(Engine& engine, double distance) {
    GraphicsState& state = graphicsState(engine);
    draw::Surface surface = draw::currentSurface(engine);
    auto [x, y] = draw::point(engine, surface);
    auto [dx, dy] = graphics::stepAlong(state.heading, distance);
    if (state.penDown && surface.canvas) {
        graphics::line(surface.pixels(), x * surface.scale, y * surface.scale,
                       (x + dx) * surface.scale, (y + dy) * surface.scale,
                       draw::penOf(engine, surface, state.penColour));
        draw::drawn(surface);
        ++state.segments;
    }
    draw::setPoint(engine, surface, x + dx, y + dy);
    draw::placeIcon(engine, surface, x + dx, y + dy);
    stepTaken(engine);
}

void placeTurtle(Engine& engine, double x, double y) {
    draw::Surface surface = draw::currentSurface(engine);
    draw::placeIcon(engine, surface, x, y);
    draw::setPoint(engine, surface, x, y);
    stepTaken(engine);
}

void drawBranch(Engine& engine, double length, int depth, double angle) {
    draw::Surface surface = draw::currentSurface(engine);
    const auto start = draw::point(engine, surface);
    const float heading = graphicsState(engine).heading;
    moveTurtle(engine, length * 2 / 3);
    if (depth > 0 && !engine.stopRequested) {
        turnTurtle(engine, angle / 2);
        drawBranch(engine, length * 2 / 3, depth - 1, angle);
        turnTurtle(engine, -angle);
        drawBranch(engine, length * 2 / 3, depth - 1, angle);
    }
    // Back where it started, without drawing; the icon keeps its picture.
    draw::setPoint(engine, surface, start.first, start.second);
    draw::placeIcon(engine, surface, start.first, start.second);
    graphicsState(engine).heading = heading;
}

// 右へ, 左へ, 前へ, 後ろへ need their number.
bool turtleNumber(StatementRecord& record, Engine& engine, double& n) {
    const Text value = engine.EvalText(Args(record).woArg);
    if (text::trimBlanks(value).empty()) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return false;
    }
    n = number::toNumber(value);
    if (!std::isfinite(n)) n = 0;
    showIconOnUse(engine);
    return true;
}

}  // namespace

void cmdTurnRight(StatementRecord& record, Engine& engine) {
    if (double n; turtleNumber(record, engine, n)) turnTurtle(engine, -n);
}

void cmdTurnLeft(StatementRecord& record, Engine& engine) {
    if (double n; turtleNumber(record, engine, n)) turnTurtle(engine, n);
}

void cmdForward(StatementRecord& record, Engine& engine) {
    if (double n; turtleNumber(record, engine, n)) moveTurtle(engine, n);
}

void cmdBackward(StatementRecord& record, Engine& engine) {
    if (double n; turtleNumber(record, engine, n)) moveTurtle(engine, -n);
}

// 「90,5,40」で枝: length, depth and angle. A depth below 0 draws as 0; a
// depth past the limit would draw millions of segments and is refused.
void cmdTreeBranch(StatementRecord& record, Engine& engine) {
    std::vector<double> parts = draw::numbersOf(engine, AskParticle(record, u"で"), 3);
    if (parts.empty()) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    const double length = parts[0];
    const double depth = std::max(0.0, std::trunc(parts[1]));
    const double angle = parts[2];
    if (depth > graphics::kMaxBranchDepth) {
        engine.Report(ErrorId::BranchTooDeep, number::format(graphics::kMaxBranchDepth));
        return;
    }
    showIconOnUse(engine);
    drawBranch(engine, length, static_cast<int>(depth), angle);
    draw::refreshIcon(engine);
}

// X を N だけ D へ 進: moves an object along the turtle's heading.
void cmdAdvanceObject(StatementRecord& record, Engine& engine) {
    if (!engine.platform.widgets) return;
    // 「ブラウザ1」を進む: the page after.
    if (BrowseForwardNamed(engine, Args(record).woArg)) return;
    auto object = objectModel(engine).ResolveObject(engine, Args(record).woArg, false);
    if (!object) return;
    const double n = draw::numberOf(engine, AskParticle(record, u"だけ"));
    const Text direction = engine.EvalText(Args(record).heArg);
    double distance = 0;
    if (direction == u"右") {
        turnTurtle(engine, -90), distance = n;
    } else if (direction == u"左") {
        turnTurtle(engine, 90), distance = n;
    } else if (direction == u"前") {
        distance = n;
    } else if (direction == u"後ろ") {
        distance = -n;
    } else {
        return;
    }
    WidgetPort& port = *engine.platform.widgets;
    auto [dx, dy] = graphics::stepAlong(graphicsState(engine).heading, distance);
    auto at = [&](WidgetValue v) {
        auto data = port.get(object->widget, v);
        const double* d = data ? std::get_if<double>(&*data) : nullptr;
        return d ? *d : 0.0;
    };
    port.set(object->widget, WidgetValue::Left, at(WidgetValue::Left) + dx);
    port.set(object->widget, WidgetValue::Top, at(WidgetValue::Top) + dy);
    draw::letEventsRun(engine);
}

void TurtlePenUp(Engine& engine) {
    graphicsState(engine).penDown = false;
}

void TurtlePenDown(Engine& engine) {
    graphicsState(engine).penDown = true;
}

void TurtleShow(Engine& engine, bool shown) {
    GraphicsState& state = graphicsState(engine);
    state.iconHidden = !shown;
    if (shown) return showIconOnUse(engine);
    if (auto turtle = state.turtle.lock(); turtle && engine.platform.widgets)
        engine.platform.widgets->set(turtle->widget, WidgetValue::Visible, 0.0);
}

// ---- setting words ----------------------------------------------------------------

// 向きは45: a compass angle, clockwise from up.
void setHeading(StatementRecord& record, Engine& engine) {
    graphicsState(engine).heading =
        graphics::headingFromCompass(draw::numberOf(engine, Args(record).woArg));
    showIconOnUse(engine);
    draw::refreshIcon(engine);
}

// 位置は「100,50」 or 中央.
void setPosition(StatementRecord& record, Engine& engine) {
    const Text value = engine.EvalText(Args(record).woArg);
    showIconOnUse(engine);
    if (text::trimBlanks(value) == u"中央") {
        draw::Surface surface = draw::currentSurface(engine);
        if (!surface.canvas) return;
        return placeTurtle(engine, surface.canvas->visibleWidth() / surface.scale / 2,
                           surface.canvas->visibleHeight() / surface.scale / 2);
    }
    auto xy = draw::pairOf(engine, value);
    if (!xy) {
        engine.Report(ErrorId::ValueNotRight, u"位置");
        return;
    }
    placeTurtle(engine, xy->first, xy->second);
}

void setPenColour(StatementRecord& record, Engine& engine) {
    if (auto colour = draw::colourOf(engine, Args(record).woArg))
        graphicsState(engine).penColour = *colour;
}

// 形は亀: the icon shows the turtle and follows the heading; any other word
// leaves the icon as it is.
void setTurtleForm(StatementRecord& record, Engine& engine) {
    const Text value(text::trimBlanks(engine.EvalText(Args(record).woArg)));
    GraphicsState& state = graphicsState(engine);
    state.iconShown = value == u"かめ" || value == u"亀" || value == u"カメ";
    if (!state.iconShown) return;
    draw::showIconPicture(engine, 101);
}

void setLineWidth(StatementRecord& record, Engine& engine) {
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.object) return;
    const double width = draw::numberOf(engine, Args(record).woArg);
    graphicsState(engine).lineWidths[surface.object.get()] =
        static_cast<int>(std::clamp(std::round(width), 1.0, 1000.0));
}

}  // namespace qel
