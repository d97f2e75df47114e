// Pictures onto drawing places: 画像コピー, 合成, 透過処理, グラデーション and
// the stamps. The picture is a window or picture box named without 「」 or a
// picture file; where it goes is the "へ"/"に" argument (see targetOf).
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "graphics/picture_io.h"
#include "library/graphics/picture_sources.h"
#include "library/registry/arguments.h"
#include "ui/objects.h"

namespace qel {

namespace {

// The "で" rectangle "x,y,width,height" of the source, in its pixels; the
// whole source when none is written.
std::optional<graphics::Rect> sourceRect(StatementRecord& record, Engine& engine,
                                         const Picture& source) {
    const Text raw = AskParticle(record, u"で");
    if (text::trimBlanks(raw).empty()) return graphics::Rect{0, 0, source.width, source.height};
    std::vector<double> n = draw::numbersOf(engine, raw, 4);
    if (n.empty()) {
        engine.Report(ErrorId::ValueNotRight, engine.EvalText(raw));
        return std::nullopt;
    }
    auto whole = [](double v) { return static_cast<int>(std::clamp(std::floor(v), -1e9, 1e9)); };
    return graphics::Rect{whole(n[0]), whole(n[1]), whole(n[2]), whole(n[3])};
}

// The picture the "を" argument names; error 36 when there is no argument.
std::optional<Picture> pictureArgument(StatementRecord& record, Engine& engine) {
    const Text& raw = Args(record).woArg;
    if (text::trimBlanks(raw).empty()) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return std::nullopt;
    }
    return draw::pictureOf(engine, raw);
}

// The surface the "を" argument names, or the current one; none (after a
// report) when it names something that is not a drawing place.
draw::Surface subjectSurface(StatementRecord& record, Engine& engine) {
    const TextView raw = text::trimBlanks(Args(record).woArg);
    if (raw.empty()) return draw::currentSurface(engine);
    auto object = draw::drawingObjectNamed(engine, raw);
    if (!object) {
        engine.Report(ErrorId::ObjectNotFound, Text(raw));
        return {};
    }
    return draw::surfaceOf(engine, object);
}

// A stamp's value names a picture file when it has a picture file's
// extension or is the name of a file that is there; otherwise it is text.
bool namesPictureFile(Engine& engine, const Text& value) {
    const std::string path = text::toUtf8(value);
    return pictureFormatOfName(path) != PictureFormat::Unknown || engine.files().fileExists(path);
}

void stampText(const draw::Target& at, Text content, std::uint32_t colour, double enlarge) {
    std::erase(content, u'\n');
    std::erase(content, u'\r');
    TextStyle style;
    style.colour = colour;
    style.fontSize = 9 * enlarge;
    auto [w, h] = at.surface.canvas->measureText(content, style);
    at.surface.canvas->drawText(at.x - w / 2, at.y - h / 2, content, style);
}

// スタンプ: the picture (or text) centred on the position, by default the
// drawing point, which stays where it is. The large form doubles it. With
// nothing named the turtle leaves a print of itself: the picture it shows.
void stamp(StatementRecord& record, Engine& engine, int factor) {
    const Text& raw = Args(record).woArg;
    const bool ownPicture = text::trimBlanks(raw).empty();
    const Text turtlePicture = ownPicture ? draw::turtlePictureFile(engine) : Text();
    if (ownPicture && turtlePicture.empty()) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    const Text where = Args(record).heArg;
    std::optional<draw::Target> at = draw::targetOf(engine, where);
    if (!at) return;
    if (text::trimBlanks(where).empty()) {
        auto [x, y] = draw::point(engine, at->surface);
        at->x = static_cast<int>(std::clamp(std::floor(x * at->surface.scale + 0.5), -1e9, 1e9));
        at->y = static_cast<int>(std::clamp(std::floor(y * at->surface.scale + 0.5), -1e9, 1e9));
    }
    // The value is worked out once: it may call functions.
    std::optional<Picture> picture;
    if (ownPicture) {
        picture = draw::pictureFromFile(engine, turtlePicture);
    } else if (draw::drawingObjectNamed(engine, raw)) {
        picture = draw::pictureOf(engine, raw);
    } else if (Text value = engine.EvalText(raw); namesPictureFile(engine, value)) {
        picture = draw::pictureFromFile(engine, value);
    } else {
        if (at->surface.canvas)
            stampText(*at, std::move(value), graphicsState(engine).penColour, factor);
        draw::drawn(at->surface);
        return;
    }
    if (!picture || !at->surface.canvas) return;
    if (factor != 1) *picture = graphics::enlarged(picture->view(), factor);
    graphics::copyRect(picture->view(), {0, 0, picture->width, picture->height},
                       draw::seenPart(*at->surface.canvas), at->x - picture->width / 2,
                       at->y - picture->height / 2);
    draw::drawn(at->surface);
}

}  // namespace

// ピクチャー1を「10,20」へ「0,0,50,40」で画像コピー: a rectangle of a window,
// picture box or picture file onto a drawing place.
void cmdCopyPicture(StatementRecord& record, Engine& engine) {
    std::optional<Picture> source = pictureArgument(record, engine);
    if (!source) return;
    std::optional<graphics::Rect> from = sourceRect(record, engine, *source);
    if (!from) return;
    std::optional<draw::Target> to = draw::targetOf(engine, Args(record).heArg);
    if (!to || !to->surface.canvas) return;
    graphics::copyRect(source->view(), *from, draw::seenPart(*to->surface.canvas), to->x, to->y);
    draw::drawn(to->surface);
}

// ピクチャー2をピクチャー1へ「30」で合成: the picture laid over the place, the
// given percent opaque (half by default).
void cmdBlendPicture(StatementRecord& record, Engine& engine) {
    std::optional<Picture> source = pictureArgument(record, engine);
    if (!source) return;
    const Text amount = AskParticle(record, u"で");
    double percent = 50;
    if (!text::trimBlanks(amount).empty()) {
        percent = draw::numberOf(engine, amount);
        if (percent < 0 || percent > 100) {
            engine.Report(ErrorId::ValueNotRight, engine.EvalText(amount));
            return;
        }
    }
    std::optional<draw::Target> to = draw::targetOf(engine, Args(record).heArg);
    if (!to || !to->surface.canvas) return;
    graphics::blend(source->view(), draw::seenPart(*to->surface.canvas), to->x, to->y,
                    static_cast<int>(std::lround(percent)));
    draw::drawn(to->surface);
}

// ピクチャー1を白で透過処理: that colour becomes see-through (by default the
// colour of the top-left pixel, the usual backdrop of a cut-out).
void cmdMakeTransparent(StatementRecord& record, Engine& engine) {
    const Text colourText = AskParticle(record, u"で");
    draw::Surface surface = subjectSurface(record, engine);
    if (!surface.canvas) return;
    PixelView seen = draw::seenPart(*surface.canvas);
    std::uint32_t rgb = 0;
    if (!text::trimBlanks(colourText).empty()) {
        auto colour = draw::colourOf(engine, colourText);
        if (!colour) return;
        rgb = *colour;
    } else if (seen.width > 0 && seen.height > 0) {
        rgb = seen.at(0, 0) & 0xFFFFFF;
    }
    graphics::makeTransparent(seen, rgb);
    draw::drawn(surface);
}

// ピクチャー1を「赤,青」で「0,0,100,50」にグラデーション: from the first colour
// at the top to the second at the bottom, or left to right with 「赤,青,横」;
// the whole seen surface when no rectangle is given.
void cmdGradient(StatementRecord& record, Engine& engine) {
    const Text raw = AskParticle(record, u"で");
    std::vector<Text> parts = SplitArgs(raw);
    if (parts.size() < 2) parts = SplitArgs(engine.EvalText(raw));
    if (text::trimBlanks(raw).empty() || parts.size() < 2 || parts.size() > 3) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    bool across = false;
    if (parts.size() == 3) {
        const Text way = engine.EvalText(parts[2]);
        if (way != u"横" && way != u"縦") {
            engine.Report(ErrorId::ValueNotRight, way);
            return;
        }
        across = way == u"横";
    }
    auto from = draw::colourOf(engine, parts[0]);
    if (!from) return;
    auto to = draw::colourOf(engine, parts[1]);
    if (!to) return;
    draw::Surface surface = subjectSurface(record, engine);
    if (!surface.canvas) return;
    PixelView seen = draw::seenPart(*surface.canvas);
    graphics::Rect rect{0, 0, seen.width, seen.height};
    if (const Text at = Args(record).heArg; !text::trimBlanks(at).empty()) {
        std::vector<double> n = draw::numbersOf(engine, at, 4);
        if (n.empty()) {
            engine.Report(ErrorId::ValueNotRight, engine.EvalText(at));
            return;
        }
        auto px = [&](double v) {
            return static_cast<int>(std::clamp(std::floor(v * surface.scale + 0.5), -1e9, 1e9));
        };
        rect = {px(n[0]), px(n[1]), px(n[2]), px(n[3])};
    }
    graphics::gradient(seen, rect, *from, *to, across);
    draw::drawn(surface);
}

void cmdStamp(StatementRecord& record, Engine& engine) {
    stamp(record, engine, 1);
}
void cmdLargeStamp(StatementRecord& record, Engine& engine) {
    stamp(record, engine, 2);
}

}  // namespace qel
