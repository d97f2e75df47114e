// Image effects on a window or picture box: 「ピクチャー1を白黒」 changes the
// pixels of the box's surface; without an object the current drawing place
// is changed. クリア empties the current drawing place.
#include <algorithm>

#include "core/engine.h"
#include "core/parser.h"
#include "graphics/effects.h"
#include "library/graphics/drawing.h"
#include "library/objects/objects.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel {

namespace {

// The surface the statement names, or the current one when it names none;
// a canvas of none (after a report) when the name is not a drawing place.
draw::Surface namedSurface(StatementRecord& record, Engine& engine) {
    const TextView name = text::trimBlanks(Args(record).woArg);
    if (name.empty() || !ui::ObjectModel::available(engine)) return draw::currentSurface(engine);
    auto object = objectModel(engine).findRegistered(engine, name);
    const bool draws =
        object && (object->isWindow() || (object->type == ui::ObjectType::Control && object->kind &&
                                          object->kind->id == ui::KindId::Picture));
    if (!draws) {
        engine.Report(ErrorId::ObjectNotFound, Text(name));
        return {};
    }
    return draw::surfaceOf(engine, object);
}

// Effects change what is seen, not the parts of a surface kept beyond the
// client area of a window made smaller.
PixelView seenPart(Canvas& canvas) {
    PixelView v = canvas.pixels();
    v.width = std::min(v.width, canvas.visibleWidth());
    v.height = std::min(v.height, canvas.visibleHeight());
    return v;
}

void apply(StatementRecord& record, Engine& engine, graphics::Effect effect) {
    draw::Surface surface = namedSurface(record, engine);
    if (!surface.canvas) return;
    graphics::applyEffect(seenPart(*surface.canvas), effect);
    draw::drawn(surface);
}

}  // namespace

void cmdInvertColours(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Invert);
}
void cmdGreyscale(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Grey);
}
void cmdSepia(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Sepia);
}
void cmdMosaic(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Mosaic);
}
void cmdBlur(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Blur);
}
void cmdSharpen(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Sharpen);
}
void cmdEmboss(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Emboss);
}
void cmdContrast(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Contrast);
}
void cmdSolarize(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Solarize);
}
void cmdTurnPictureRight(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::TurnRight);
}
void cmdMirrorPicture(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Mirror);
}
void cmdFlipPicture(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::Flip);
}
void cmdTurnPicture(StatementRecord& r, Engine& e) {
    apply(r, e, graphics::Effect::HalfTurn);
}

// クリア: the current drawing place back to its background colour (the
// place's 背景, white when it has none).
void cmdClearSurface(StatementRecord&, Engine& engine) {
    draw::Surface surface = draw::currentSurface(engine);
    if (!surface.canvas) return;
    PixelView v = surface.canvas->pixels();
    std::uint32_t background = 0xFFFFFFFF;
    if (WidgetPort* port = engine.platform.widgets.get(); port && surface.object) {
        auto value = port->get(surface.object->widget, WidgetValue::BackColour);
        if (const double* n = value ? std::get_if<double>(&*value) : nullptr)
            background = 0xFF000000u | (std::uint32_t(*n) & 0xFFFFFF);
    }
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) v.at(x, y) = background;
    draw::drawn(surface);
}

}  // namespace qel
