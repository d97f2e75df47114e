#include "library/registry/standard_library.h"

#include "library/media/media.h"
#include "library/textio/message_channel.h"
#include "ui/properties.h"

namespace qel {

namespace {

// "ＣＤの状態": the media objects are no script objects; their properties go
// to the media layer. Most property names start with no media object's
// first character, so the test is nearly free for them.
bool mediaTarget(TextView target, TextView& object, TextView& property) {
    if (target.empty()) return false;
    switch (target[0]) {
        case u'C':
        case u'c':
        case u'Ｃ':
        case u'ｃ':
        case u'M':
        case u'm':
        case u'Ｍ':
        case u'ｍ':
        case u'ビ':
        case u'動':
        case u'メ':
            break;
        default:
            return false;
    }
    std::size_t of = target.find(u'の');
    if (of == TextView::npos) return false;
    object = target.substr(0, of);
    property = target.substr(of + 1);
    return IsMediaObject(object);
}

}  // namespace

void StandardLibrary::repeatCheck(Engine& engine) {
    MediaRepeatCheck(engine);
}

// Property reads inside expressions: a name that is no property of an
// existing object is left to the next meanings (a procedure, or itself).
bool StandardLibrary::readProperty(TextView name, TextView arg, Text& result, Engine& engine) {
    if (TextView object, property; mediaTarget(name, object, property)) {
        result = MediaPropertyGet(engine, object, property);
        return true;
    }
    if (name.find(u'の') == TextView::npos || !ui::ObjectModel::available(engine)) return false;
    auto value = ui::GetProperty(engine, objects_, name, arg, true);
    if (!value) return false;
    result = std::move(*value);
    return true;
}

// A property assignment statement: when the object exists and has the
// property, it is set, whether or not the property can be read (追加, 削除
// can only be set); otherwise the statement stores a variable.
bool StandardLibrary::writeProperty(TextView target, TextView rawValue, Engine& engine) {
    if (TextView object, property; mediaTarget(target, object, property)) {
        MediaPropertySet(engine, object, property, rawValue);
        return true;
    }
    if (!ui::ObjectModel::available(engine)) return false;
    return ui::SetProperty(engine, objects_, target, rawValue, true) == ui::SetOutcome::Done;
}

bool StandardLibrary::objectExists(TextView name, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return false;
    return objects_.ResolveObject(engine, name, true) != nullptr;
}

void StandardLibrary::resetRun(Engine& engine) {
    state_.resetRun();
    objects_.reset(engine);
    MediaStartOfRun(engine);
}

LibraryState& libraryState(Engine& engine) {
    return libraryOf(engine).state();
}
const LibraryState& libraryState(const Engine& engine) {
    return static_cast<StandardLibrary&>(engine.library).state();
}

void StandardLibrary::teardownRun(Engine& engine) {
    objects_.ReleasePlugins(engine);
    state_.native.reset();
    EndMessageChannel(engine);
    MediaEndOfRun(engine);
    engine.ui().endPrintJob();
}

}  // namespace qel
