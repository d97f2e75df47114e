#include "library/graphics/picture_sources.h"

#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "graphics/picture_io.h"
#include "library/objects/objects.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel::draw {

std::shared_ptr<ui::ScriptObject> drawingObjectNamed(Engine& engine, TextView raw) {
    const TextView name = text::trimBlanks(raw);
    if (name.empty() || name.front() == u'「' || !ui::ObjectModel::available(engine)) return {};
    auto object = objectModel(engine).findRegistered(engine, name);
    const bool draws =
        object && (object->isWindow() || (object->type == ui::ObjectType::Control && object->kind &&
                                          object->kind->id == ui::KindId::Picture));
    return draws ? object : nullptr;
}

PixelView seenPart(Canvas& canvas) {
    PixelView v = canvas.pixels();
    v.width = std::min(v.width, canvas.visibleWidth());
    v.height = std::min(v.height, canvas.visibleHeight());
    return v;
}

Picture copyOf(PixelView v) {
    Picture p;
    p.width = v.width, p.height = v.height;
    p.pixels.reserve(static_cast<std::size_t>(v.width) * static_cast<std::size_t>(v.height));
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) p.pixels.push_back(v.at(x, y));
    return p;
}

std::optional<std::uint32_t> maskColourOf(Engine& engine, const ui::ScriptObject& object) {
    WidgetPort* port = engine.platform.widgets.get();
    if (!port) return std::nullopt;
    auto number = [&](WidgetValue v) -> std::optional<double> {
        auto data = port->get(object.widget, v);
        const double* n = data ? std::get_if<double>(&*data) : nullptr;
        return n ? std::optional<double>(*n) : std::nullopt;
    };
    auto useMask = number(WidgetValue::UseMask);
    auto colour = number(WidgetValue::MaskColour);
    if (!useMask || *useMask == 0 || !colour) return std::nullopt;
    return static_cast<std::uint32_t>(*colour) & 0xFFFFFF;
}

std::optional<Picture> pictureOf(Engine& engine, TextView raw) {
    // Unlike a saved picture, the copy keeps see-through parts see-through,
    // and the pixels of the object's 透明色 (when it has one) are see-through
    // too: a figure drawn on a box of that colour pastes as a cut-out.
    if (auto object = drawingObjectNamed(engine, raw)) {
        Surface surface = surfaceOf(engine, object);
        if (!surface.canvas) return Picture{};
        Picture copy = copyOf(seenPart(*surface.canvas));
        if (auto mask = maskColourOf(engine, *object))
            graphics::makeTransparent(copy.view(), *mask);
        return copy;
    }
    return pictureFromFile(engine, engine.EvalText(raw));
}

std::optional<Picture> pictureFromFile(Engine& engine, const Text& file) {
    Picture picture;
    if (std::string why = graphics::readPicture(engine, file, picture); !why.empty()) {
        engine.Report(ErrorId::PictureUnreadable, file + u"\n" + text::fromUtf8(why));
        return std::nullopt;
    }
    return picture;
}

std::optional<Target> targetOf(Engine& engine, TextView raw) {
    Target target;
    if (text::trimBlanks(raw).empty()) {
        target.surface = currentSurface(engine);
        return target;
    }
    if (auto object = drawingObjectNamed(engine, raw)) {
        target.surface = surfaceOf(engine, object);
        return target;
    }
    auto xy = positionOf(engine, raw);
    if (!xy) {
        engine.Report(ErrorId::ValueNotRight, engine.EvalText(raw));
        return std::nullopt;
    }
    target.surface = currentSurface(engine);
    // Far-off positions are clipped by the pixel routines; the clamp only
    // keeps them in an int.
    auto pixel = [&](double v) {
        return static_cast<int>(std::clamp(std::floor(v * target.surface.scale + 0.5), -1e9, 1e9));
    };
    target.x = pixel(xy->first);
    target.y = pixel(xy->second);
    return target;
}

std::uint32_t backgroundOf(Engine& engine, const Surface& surface) {
    std::uint32_t background = 0xFFFFFFFF;
    if (WidgetPort* port = engine.platform.widgets.get(); port && surface.object) {
        auto value = port->get(surface.object->widget, WidgetValue::BackColour);
        if (const double* n = value ? std::get_if<double>(&*value) : nullptr)
            background = 0xFF000000u | (std::uint32_t(*n) & 0xFFFFFF);
    }
    return background;
}

}  // namespace qel::draw
