// Shapes on the drawing place: 線, 点, 書け, 円, 四角形 and the flood fill 塗れ.
// They draw in the turtle's pen colour from the drawing point.
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "library/graphics/drawing.h"
#include "library/registry/arguments.h"
#include "text/brackets.h"
#include "ui/objects.h"

namespace qel {

namespace {

// The "から" argument of a shape, when given, moves the drawing point (and
// may name the drawing place). Returns false after a report when it is
// given but holds no position.
bool startPoint(StatementRecord& record, Engine& engine) {
    const Text from = AskParticle(record, u"から");
    if (text::trimBlanks(from).empty()) return true;
    auto xy = draw::positionOf(engine, from);
    if (!xy) {
        engine.Report(ErrorId::ValueNotRight, u"から");
        return false;
    }
    draw::setPoint(engine, draw::currentSurface(engine), xy->first, xy->second);
    return true;
}

// The "して" argument says 塗りつぶ (filled) or nothing.
bool filledAsked(StatementRecord& record, Engine& engine) {
    const Text how = AskParticle(record, u"して");
    const TextView raw = text::trimBlanks(how);
    return raw == u"塗りつぶ" || (!raw.empty() && engine.EvalText(raw) == u"塗りつぶ");
}

// Places the turtle as the setting word 位置 does.
bool placeAt(Engine& engine, TextView argument) {
    auto xy = draw::positionOf(engine, argument);
    if (!xy) {
        engine.Report(ErrorId::ValueNotRight, u"位置");
        return false;
    }
    draw::Surface surface = draw::currentSurface(engine);
    draw::placeIcon(engine, surface, xy->first, xy->second);
    draw::setPoint(engine, surface, xy->first, xy->second);
    return true;
}

bool setPenFrom(Engine& engine, TextView argument) {
    if (text::trimBlanks(argument).empty()) return true;
    auto colour = draw::colourOf(engine, argument);
    if (colour) graphicsState(engine).penColour = *colour;
    return colour.has_value();
}

TextStyle textStyleOf(Engine& engine, const draw::Surface& surface, std::uint32_t colour) {
    TextStyle style;
    style.colour = colour;
    WidgetPort* port = engine.platform.widgets.get();
    if (!port || !surface.object) return style;
    const WidgetId id = surface.object->widget;
    if (auto v = port->get(id, WidgetValue::FontName); v && std::holds_alternative<Text>(*v))
        style.fontName = std::get<Text>(*v);
    auto number = [&](WidgetValue value, double fallback) {
        auto v = port->get(id, value);
        const double* d = v ? std::get_if<double>(&*v) : nullptr;
        return d ? *d : fallback;
    };
    style.fontSize = number(WidgetValue::FontSize, 9);
    style.bold = number(WidgetValue::Bold, 0) != 0;
    style.italic = number(WidgetValue::Italic, 0) != 0;
    return style;
}

}  // namespace

// 「200,100」で線 (from the drawing point), or 「0,0」から「200,100」で線.
void cmdLine(StatementRecord& record, Engine& engine) {
    if (!startPoint(record, engine)) return;
    auto to = draw::pairOf(engine, AskParticle(record, u"で"));
    if (!to) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    draw::Surface surface = draw::currentSurface(engine);
    auto [x, y] = draw::point(engine, surface);
    if (surface.canvas) {
        graphics::line(surface.pixels(), x * surface.scale, y * surface.scale,
                       to->first * surface.scale, to->second * surface.scale,
                       draw::penOf(engine, surface, graphicsState(engine).penColour));
        draw::drawn(surface);
    }
    draw::setPoint(engine, surface, to->first, to->second);
}

void cmdPoint(StatementRecord& record, Engine& engine) {
    const Text with = AskParticle(record, u"で");
    const Text at = Args(record).heArg;
    if (!text::trimBlanks(at).empty()) {
        if (!setPenFrom(engine, with) || !placeAt(engine, at)) return;
    } else if (!text::trimBlanks(with).empty() && !placeAt(engine, with)) {
        return;
    }
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.canvas) return;
    auto [x, y] = draw::point(engine, surface);
    graphics::Pen pen = draw::penOf(engine, surface, graphicsState(engine).penColour);
    graphics::plot(surface.pixels(), static_cast<int>(std::floor(x * surface.scale + 0.5)),
                   static_cast<int>(std::floor(y * surface.scale + 0.5)), pen);
    draw::drawn(surface);
}

// 「こんにちは」を書け: text at the drawing point, which then moves to its end.
void cmdWrite(StatementRecord& record, Engine& engine) {
    if (!setPenFrom(engine, AskParticle(record, u"で"))) return;
    if (!text::trimBlanks(Args(record).heArg).empty() && !placeAt(engine, Args(record).heArg))
        return;
    Text content = engine.EvalText(Args(record).woArg);
    std::erase(content, u'\n');
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.canvas) return;
    auto [x, y] = draw::point(engine, surface);
    const TextStyle style = textStyleOf(engine, surface, graphicsState(engine).penColour);
    const int left = static_cast<int>(std::floor(x * surface.scale + 0.5));
    int top = static_cast<int>(std::floor(y * surface.scale + 0.5));
    std::size_t start = 0;
    int lastWidth = 0;
    for (;;) {
        const std::size_t cr = content.find(u'\r', start);
        TextView lineText =
            TextView(content).substr(start, cr == Text::npos ? Text::npos : cr - start);
        auto [width, height] = surface.canvas->drawText(left, top, lineText, style);
        lastWidth = width;
        if (cr == Text::npos) break;
        top += height;
        start = cr + 1;
    }
    draw::drawn(surface);
    if (content.find(u'\r') == Text::npos)
        draw::setPoint(engine, surface, x + lastWidth / surface.scale, y);
    else
        draw::setPoint(engine, surface, x, top / surface.scale);
}

void cmdCircle(StatementRecord& record, Engine& engine) {
    if (!startPoint(record, engine)) return;
    auto size = draw::pairOf(engine, AskParticle(record, u"で"));
    if (!size) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    const bool filled = filledAsked(record, engine);
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.canvas) return;
    const std::uint32_t colour = graphicsState(engine).penColour;
    draw::setFillStyle(engine, surface,
                       filled ? graphics::FillStyle::Solid : graphics::FillStyle::Transparent);
    if (filled) draw::setFillColour(engine, surface, colour);
    auto [x, y] = draw::point(engine, surface);
    const double s = surface.scale;
    graphics::ellipse(surface.pixels(), x * s, y * s, (x + size->first) * s, (y + size->second) * s,
                      draw::penOf(engine, surface, colour), draw::fillOf(engine, surface));
    draw::drawn(surface);
}

void cmdRectangle(StatementRecord& record, Engine& engine) {
    if (!startPoint(record, engine)) return;
    const Text size = AskParticle(record, u"で");
    std::optional<std::pair<double, double>> corner;
    draw::Surface surface = draw::currentSurface(engine);
    auto [x, y] = draw::point(engine, surface);
    if (!text::trimBlanks(Args(record).heArg).empty()) {
        corner = draw::positionOf(engine, Args(record).heArg);
        surface = draw::currentSurface(engine);
    } else if (auto wh = draw::pairOf(engine, size)) {
        corner = std::pair{x + wh->first, y + wh->second};
    }
    if (!corner) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    if (!surface.canvas) return;
    const std::uint32_t colour = graphicsState(engine).penColour;
    graphics::Fill fill{colour, filledAsked(record, engine) ? graphics::FillStyle::Solid
                                                            : graphics::FillStyle::Transparent};
    const double s = surface.scale;
    graphics::rectangle(surface.pixels(), x * s, y * s, corner->first * s, corner->second * s,
                        draw::penOf(engine, surface, colour), fill);
    draw::drawn(surface);
}

// 赤で塗れ / 「10,10」へ赤で塗れ: fills the area of the start point's colour.
void cmdFill(StatementRecord& record, Engine& engine) {
    const Text with = AskParticle(record, u"で");
    std::uint32_t colour = graphicsState(engine).penColour;
    if (!text::trimBlanks(with).empty()) {
        auto c = draw::colourOf(engine, with);
        if (!c) return;
        colour = *c;
    }
    std::optional<std::pair<double, double>> start;
    if (!text::trimBlanks(Args(record).heArg).empty()) {
        start = draw::positionOf(engine, Args(record).heArg);
        if (!start) {
            engine.Report(ErrorId::ValueNotRight, u"位置");
            return;
        }
    }
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.canvas) return;
    if (!start) start = draw::point(engine, surface);
    draw::setFillColour(engine, surface, colour);
    graphics::floodFill(surface.pixels(),
                        static_cast<int>(std::floor(start->first * surface.scale)),
                        static_cast<int>(std::floor(start->second * surface.scale)), colour);
    draw::setFillStyle(engine, surface, graphics::FillStyle::Transparent);
    draw::drawn(surface);
}

}  // namespace qel
