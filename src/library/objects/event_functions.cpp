#include "library/objects/event_functions.h"

#include "library/objects/objects.h"
#include "library/registry/function_support.h"
#include "text/number.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/replay.h"

namespace qel {

namespace {

ui::EventData* eventData(Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return nullptr;
    return &ui::Events(engine, objectModel(engine)).data;
}

Text numberText(int n) {
    return number::format(double(n));
}

// A key named as 押したキー names it ("A", "Enter", "F5"), or its code.
int keyCodeOf(TextView written) {
    int code = 0, shift = 0;
    if (ui::Replay::ParseKey(written, code, shift)) return code;
    return -1;
}

}  // namespace

void fnPressedButton(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine)) result = numberText(d->EventButton);
}

void fnMouseX(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine)) result = numberText(d->EventMouseX);
}

void fnMouseY(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine)) result = numberText(d->EventMouseY);
}

// Where the pointer is now, when the widget set can tell; else where it was
// at the last mouse event.
void fnScreenMouseX(Text& result, Text&, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return;
    auto at = ui::ObjectModel::widgets(engine).pointerOnScreen();
    result = numberText(at ? at->first : 0);
}

void fnScreenMouseY(Text& result, Text&, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return;
    auto at = ui::ObjectModel::widgets(engine).pointerOnScreen();
    result = numberText(at ? at->second : 0);
}

void fnPressedKey(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine)) result = d->EventKeyName;
}

void fnPressedKeyCode(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine))
        result = numberText(d->EventKeyCode) + u"," + numberText(d->EventShift);
}

void fnDroppedFiles(Text& result, Text&, Engine& engine) {
    if (auto* d = eventData(engine)) result = d->DroppedFiles;
}

// 1 while the key is held down (as far as the script's windows saw it), else 0.
void fnKeyState(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    const Text& key = a.text(0);
    int code = number::readsAsNumber(key) ? int(number::toNumber(key)) : keyCodeOf(key);
    auto* d = eventData(engine);
    result = d && d->keysDown.count(code) ? u"1" : u"0";
}

// The file (files, folder) the user chose in the last file dialog; empty
// before any and after a cancelled one.
void fnChosenFile(Text& result, Text&, Engine& engine) {
    if (ui::ObjectModel::available(engine)) result = ui::DialogOf(objectModel(engine)).chosenFile;
}

void fnActiveWindowName(Text& result, Text&, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return;
    ui::ObjectModel& model = objectModel(engine);
    auto active = model.objectOfWidget(ui::ObjectModel::widgets(engine).activeWindow());
    if (active && active->isWindow()) result = model.NameOfObject(*active);
}

void EventsPump(Engine& engine) {
    if (ui::ObjectModel::available(engine)) ui::Events(engine, objectModel(engine)).pump();
}

bool EventsReplayExhausted(Engine& engine) {
    return ui::ObjectModel::available(engine) &&
           ui::Events(engine, objectModel(engine)).replayExhausted();
}

bool EventsReplayPending(Engine& engine) {
    return ui::ObjectModel::available(engine) &&
           ui::Events(engine, objectModel(engine)).replayPending();
}

}  // namespace qel
