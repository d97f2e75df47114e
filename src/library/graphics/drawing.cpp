#include "library/graphics/drawing.h"

#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "library/objects/objects.h"
#include "library/registry/arguments.h"
#include "resources/turtle_icons.h"
#include "text/brackets.h"
#include "text/number.h"
#include "ui/kinds.h"
#include "ui/objects.h"
#include "ui/properties.h"

namespace qel::draw {

namespace {

WidgetPort* widgetsOf(Engine& engine) {
    return engine.platform.widgets.get();
}

double widgetNumber(Engine& engine, const Surface& s, WidgetValue value, double fallback) {
    WidgetPort* port = widgetsOf(engine);
    if (!port || !s.object) return fallback;
    auto data = port->get(s.object->widget, value);
    const double* n = data ? std::get_if<double>(&*data) : nullptr;
    return n && std::isfinite(*n) ? *n : fallback;
}

// Pixels per unit of the window's 座標.
double scaleOf(Engine& engine, const ui::ScriptObject& object) {
    if (!object.window) return 1;
    const Text unit = object.window->Prop(u"座標");
    const double dpi = widgetsOf(engine) ? widgetsOf(engine)->screenDpi() : 96.0;
    if (unit == u"印刷用") return dpi / 72;
    if (unit == u"ミリメートル") return dpi / 25.4;
    if (unit == u"センチメートル") return dpi / 2.54;
    return 1;
}

// The turtle whose icon moves: the one the script named last, else the
// current window's own (element 0 of its turtles).
std::shared_ptr<ui::ScriptObject> currentTurtle(Engine& engine) {
    ui::ObjectModel& model = objectModel(engine);
    GraphicsState& state = graphicsState(engine);
    if (auto last = model.LastObject.lock();
        last && last->kind && last->kind->id == ui::KindId::Turtle && !last->unloaded)
        state.turtle = last;
    if (auto named = state.turtle.lock(); named && !named->unloaded) return named;
    auto window = model.currentWindow(engine);
    if (!window) return nullptr;
    return model.GetNullObj(engine, *window, ui::kindRow(ui::KindId::Turtle));
}

Text iconPicture(int resource) {
    return resources::turtleIconName(resource);
}

}  // namespace

PixelView Surface::pixels() const {
    return canvas ? canvas->pixels() : PixelView{};
}

Surface surfaceOf(Engine& engine, const std::shared_ptr<ui::ScriptObject>& object) {
    Surface s;
    s.object = object;
    WidgetPort* port = widgetsOf(engine);
    if (!object || !port) return s;
    s.canvas = port->canvas(object->widget);
    s.scale = scaleOf(engine, *object);
    return s;
}

Surface currentSurface(Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return {};
    ui::ObjectModel& model = objectModel(engine);
    auto place = model.CurrentContainer.lock();
    if (!place || place->unloaded) place = model.currentWindow(engine);
    return surfaceOf(engine, place);
}

std::pair<double, double> point(Engine& engine, const Surface& surface) {
    if (!surface.object) return {0, 0};
    if (surface.object->isWindow()) {
        auto& w = static_cast<ui::QelWindow&>(*surface.object);
        return {w.currentX, w.currentY};
    }
    auto& points = graphicsState(engine).points;
    auto it = points.find(surface.object.get());
    return it == points.end() ? std::pair<double, double>{0, 0} : it->second;
}

void setPoint(Engine& engine, const Surface& surface, double x, double y) {
    if (!surface.object) return;
    if (surface.object->isWindow()) {
        auto& w = static_cast<ui::QelWindow&>(*surface.object);
        w.currentX = x;
        w.currentY = y;
        return;
    }
    graphicsState(engine).points[surface.object.get()] = {x, y};
}

graphics::Pen penOf(Engine& engine, const Surface& surface, std::uint32_t colour) {
    graphics::Pen pen;
    pen.colour = colour & 0xFFFFFF;
    auto& widths = graphicsState(engine).lineWidths;
    auto it = widths.find(surface.object.get());
    pen.width = it == widths.end() ? 1 : it->second;
    pen.style = static_cast<graphics::LineStyle>(
        std::clamp(int(widgetNumber(engine, surface, WidgetValue::DrawStyle, 0)), 0, 4));
    pen.mode = std::clamp(int(widgetNumber(engine, surface, WidgetValue::DrawMode, 13)), 1, 16);
    pen.smooth = surface.canvas && surface.canvas->antialiasing();
    return pen;
}

graphics::Fill fillOf(Engine& engine, const Surface& surface) {
    graphics::Fill fill;
    fill.colour =
        static_cast<std::uint32_t>(widgetNumber(engine, surface, WidgetValue::FillColour, 0)) &
        0xFFFFFF;
    fill.style = static_cast<graphics::FillStyle>(
        std::clamp(int(widgetNumber(engine, surface, WidgetValue::FillStyle, 1)), 0, 7));
    return fill;
}

void setFillStyle(Engine& engine, const Surface& surface, graphics::FillStyle style) {
    if (WidgetPort* port = widgetsOf(engine); port && surface.object)
        port->set(surface.object->widget, WidgetValue::FillStyle, double(int(style)));
}

void setFillColour(Engine& engine, const Surface& surface, std::uint32_t rgb) {
    if (WidgetPort* port = widgetsOf(engine); port && surface.object)
        port->set(surface.object->widget, WidgetValue::FillColour, double(rgb));
}

void drawn(const Surface& surface) {
    if (surface.canvas) surface.canvas->changed();
}

void placeIcon(Engine& engine, const Surface& surface, double x, double y) {
    if (!surface.object || !surface.object->isWindow()) return;
    auto turtle = currentTurtle(engine);
    WidgetPort* port = widgetsOf(engine);
    if (!turtle || !port) return;
    const double width = widgetNumber(engine, surfaceOf(engine, turtle), WidgetValue::Width, 32);
    const double height = widgetNumber(engine, surfaceOf(engine, turtle), WidgetValue::Height, 32);
    port->set(turtle->widget, WidgetValue::Left, std::floor(x * surface.scale - width / 2));
    port->set(turtle->widget, WidgetValue::Top, std::floor(y * surface.scale - height / 2));
}

void refreshIcon(Engine& engine) {
    GraphicsState& state = graphicsState(engine);
    if (!state.iconShown) return;
    showIconPicture(engine, graphics::iconResource(state.heading));
}

void showIconPicture(Engine& engine, int resource) {
    GraphicsState& state = graphicsState(engine);
    if (state.iconResource == resource && state.iconSet) return;
    state.iconResource = resource;
    auto turtle = currentTurtle(engine);
    if (!turtle || !widgetsOf(engine)) return;
    // The icon's picture is what its 絵 reads, as for any picture control.
    turtle->rareForWriting().pictureFile = iconPicture(resource);
    // A hidden icon only remembers its picture (出て shows it): loading a
    // picture at every turn would cost a long drawing more than its lines.
    if (state.iconHidden) {
        state.iconSet = false;
        return;
    }
    widgetsOf(engine)->set(turtle->widget, WidgetValue::PictureFile, turtle->rare().pictureFile);
    state.iconSet = true;
}

Text turtlePictureFile(Engine& engine) {
    auto turtle = currentTurtle(engine);
    if (!turtle) return {};
    const Text& own = turtle->rare().pictureFile;
    return own.empty() ? iconPicture(graphics::iconResource(graphicsState(engine).heading)) : own;
}

void letEventsRun(Engine& engine) {
    engine.ui().pumpEvents();
}

double numberOf(Engine& engine, TextView argument) {
    const double n = number::toNumber(engine.EvalText(argument));
    return std::isfinite(n) ? n : 0;
}

std::vector<double> numbersOf(Engine& engine, TextView argument, std::size_t count) {
    std::vector<Text> parts = SplitArgs(argument);
    std::vector<double> numbers;
    if (parts.size() == count) {
        for (const Text& part : parts) numbers.push_back(numberOf(engine, part));
        return numbers;
    }
    // 「100,50」 or a variable holding the list: the value is what splits.
    parts = SplitArgs(engine.EvalText(argument));
    if (parts.size() != count) return {};
    for (const Text& part : parts) {
        const double n = number::toNumber(part);
        numbers.push_back(std::isfinite(n) ? n : 0);
    }
    return numbers;
}

std::optional<std::pair<double, double>> pairOf(Engine& engine, TextView argument) {
    std::vector<double> xy = numbersOf(engine, argument, 2);
    if (xy.empty()) return std::nullopt;
    return std::pair{xy[0], xy[1]};
}

std::optional<std::pair<double, double>> positionOf(Engine& engine, TextView argument) {
    TextView rest = text::trimBlanks(argument);
    // The object name ends at the first の outside brackets.
    if (auto cut = text::findOutside(rest, u"の", text::kSyntaxBrackets, 1);
        cut != TextView::npos) {
        auto object = objectModel(engine).ResolveObject(engine, rest.substr(0, cut), true);
        if (object) {
            objectModel(engine).CurrentContainer = object;
            rest = rest.substr(cut + 1);
        }
    }
    return pairOf(engine, rest);
}

std::optional<std::uint32_t> colourOf(Engine& engine, TextView argument) {
    auto colour = ui::ColourValue(engine, argument);
    if (!colour) {
        engine.Report(ErrorId::ColourUnreadable, engine.EvalText(argument));
        return std::nullopt;
    }
    return ui::toRgb(*colour);
}

}  // namespace qel::draw
