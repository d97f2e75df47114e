// Pictures of drawing places: 保存 of a window or picture box as a picture
// file, and the JPEG setting words that saving reads.
#include <algorithm>

#include "core/engine.h"
#include "core/parser.h"
#include "graphics/picture_io.h"
#include "library/graphics/drawing.h"
#include "library/objects/objects.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel {

namespace {

bool draws(const ui::ScriptObject& object) {
    return object.isWindow() || (object.type == ui::ObjectType::Control && object.kind &&
                                 object.kind->id == ui::KindId::Picture);
}

}  // namespace

bool SavePictureOf(Engine& engine, TextView subject, TextView fileName) {
    if (!ui::ObjectModel::available(engine)) return false;
    const TextView name = text::trimBlanks(subject);
    if (name.empty() || name.front() == u'「') return false;
    auto object = objectModel(engine).findRegistered(engine, name);
    if (!object || !draws(*object)) return false;
    const Text file = engine.EvalText(fileName);
    draw::Surface surface = draw::surfaceOf(engine, object);
    std::string why = surface.canvas ? std::string() : "this host keeps no pictures of windows";
    if (why.empty())
        why = graphics::writePicture(engine, file, graphics::snapshot(*surface.canvas),
                                     graphicsState(engine).saving);
    if (!why.empty()) engine.Report(ErrorId::CannotSave, file + u"\n" + text::fromUtf8(why));
    return true;
}

// JPEGプログレッシブは1: JPEG pictures saved from now on load coarse to fine.
void setJpegProgressive(StatementRecord& record, Engine& engine) {
    graphicsState(engine).saving.jpegProgressive = draw::numberOf(engine, Args(record).woArg) != 0;
}

// JPEG圧縮率は90: the quality of JPEG pictures saved from now on, 1 … 100.
void setJpegQuality(StatementRecord& record, Engine& engine) {
    const double quality = draw::numberOf(engine, Args(record).woArg);
    if (quality < 1 || quality > 100) {
        engine.Report(ErrorId::ValueNotRight, u"JPEG圧縮率");
        return;
    }
    graphicsState(engine).saving.jpegQuality = static_cast<int>(quality);
}

}  // namespace qel
