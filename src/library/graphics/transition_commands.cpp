// The transitions: a drawing place changes from what it shows to another
// picture over about half a second, a frame at a time, while events run. The
// last frame is exactly the new picture, however the events went.
//
//   「b.png」をピクチャー1へフェードイン   the picture comes in over what is shown
//   ピクチャー1をフェードイン             what it shows comes in from its 背景
//   ピクチャー1を黒でフェードアウト       what it shows goes, leaving the colour
//                                          (its 背景 by default)
#include "core/engine.h"
#include "core/parser.h"
#include "library/graphics/picture_sources.h"
#include "library/registry/arguments.h"
#include "ui/objects.h"

namespace qel {

namespace {

using graphics::Transition;

Picture filled(int width, int height, std::uint32_t colour) {
    Picture p;
    p.width = width, p.height = height;
    p.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
    return p;
}

// Steps through the frames from `start` to `end` (both the size of the seen
// part when it began), one every kTransitionStepMs while events run, so the
// last one shows about half a second after the command began. Should the
// place go away or change size meanwhile, or the run be stopped, the
// animation ends at once on the last frame.
void animate(Engine& engine, draw::Surface surface, Picture start, Picture end, Transition how) {
    const int steps = graphics::kTransitionSteps;
    // Frames are due at fixed times from the start, so the time a large
    // surface takes to draw comes off the waits instead of adding to them.
    Clock& clock = engine.clock();
    const double begun = clock.monotonicMs();
    for (int step = 1; step <= steps; ++step) {
        draw::letEventsRun(engine);
        const double wait = begun + step * graphics::kTransitionStepMs - clock.monotonicMs();
        if (wait >= 1) engine.ui().sleepMs(static_cast<int>(wait));
        if (!surface.object || surface.object->unloaded) return;
        surface = draw::surfaceOf(engine, surface.object);
        if (!surface.canvas) return;
        PixelView seen = draw::seenPart(*surface.canvas);
        if (seen.width != start.width || seen.height != start.height) {
            graphics::copyRect(end.view(), {0, 0, end.width, end.height}, seen, 0, 0);
            draw::drawn(surface);
            return;
        }
        const int shown = engine.stopRequested ? steps : step;
        graphics::transitionFrame(start.view(), end.view(), seen, how, shown, steps);
        ++graphicsState(engine).transitionSteps;
        draw::drawn(surface);
        if (shown == steps) return;
    }
}

// The "in" transitions: the end picture is the one named coming in over the
// place (its top-left corner at the place's), or, when the "を" argument
// names the place itself, what the place shows coming in from its 背景.
void transitionIn(StatementRecord& record, Engine& engine, Transition how) {
    const Text& what = Args(record).woArg;
    const Text& where = Args(record).heArg;
    if (text::trimBlanks(what).empty()) {
        engine.Report(ErrorId::CommandNumberMissing, Args(record).head);
        return;
    }
    draw::Surface surface;
    std::optional<Picture> incoming;
    if (auto object = draw::drawingObjectNamed(engine, what);
        object && text::trimBlanks(where).empty()) {
        surface = draw::surfaceOf(engine, object);
    } else {
        incoming = draw::pictureOf(engine, what);
        if (!incoming) return;
        std::optional<draw::Target> target = draw::targetOf(engine, where);
        if (!target) return;
        surface = target->surface;
    }
    if (!surface.canvas) return;
    const Picture shown = draw::copyOf(draw::seenPart(*surface.canvas));
    Picture start = shown, end = shown;
    if (incoming) {
        graphics::copyRect(incoming->view(), {0, 0, incoming->width, incoming->height}, end.view(),
                           0, 0);
    } else {
        start = filled(shown.width, shown.height, draw::backgroundOf(engine, surface));
    }
    animate(engine, surface, std::move(start), std::move(end), how);
}

// The "out" transitions: what the place shows goes, leaving the "で" colour
// or the place's 背景.
void transitionOut(StatementRecord& record, Engine& engine, Transition how) {
    const TextView name = text::trimBlanks(Args(record).woArg);
    draw::Surface surface = draw::currentSurface(engine);
    if (!name.empty()) {
        auto object = draw::drawingObjectNamed(engine, name);
        if (!object) {
            engine.Report(ErrorId::ObjectNotFound, Text(name));
            return;
        }
        surface = draw::surfaceOf(engine, object);
    }
    std::uint32_t colour = draw::backgroundOf(engine, surface);
    if (const Text with = AskParticle(record, u"で"); !text::trimBlanks(with).empty()) {
        auto rgb = draw::colourOf(engine, with);
        if (!rgb) return;
        colour = 0xFF000000u | *rgb;
    }
    if (!surface.canvas) return;
    const Picture start = draw::copyOf(draw::seenPart(*surface.canvas));
    animate(engine, surface, start, filled(start.width, start.height, colour), how);
}

}  // namespace

void cmdFadeIn(StatementRecord& r, Engine& e) {
    transitionIn(r, e, Transition::Fade);
}
void cmdFadeOut(StatementRecord& r, Engine& e) {
    transitionOut(r, e, Transition::Fade);
}
void cmdStripeIn(StatementRecord& r, Engine& e) {
    transitionIn(r, e, Transition::Stripes);
}
void cmdStripeOut(StatementRecord& r, Engine& e) {
    transitionOut(r, e, Transition::Stripes);
}
void cmdSlideIn(StatementRecord& r, Engine& e) {
    transitionIn(r, e, Transition::SlideIn);
}
void cmdSlideOut(StatementRecord& r, Engine& e) {
    transitionOut(r, e, Transition::SlideOut);
}
void cmdRandomLines(StatementRecord& r, Engine& e) {
    transitionIn(r, e, Transition::RandomLine);
}
void cmdRandomDots(StatementRecord& r, Engine& e) {
    transitionIn(r, e, Transition::RandomDot);
}

}  // namespace qel
