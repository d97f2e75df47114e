#include "ui/events.h"

#include "core/engine.h"
#include "ui/events_rich.h"
#include "ui/find_replace.h"
#include "ui/menus.h"
#include "ui/replay.h"
#include "ui/tray.h"

namespace qel::ui {

// The candidate names of one (subject, suffix) pair, in the order they are
// tried, with what the last look-up found. Names change only when the
// window's or the control's name does, so they are composed once; the
// look-up result holds while the procedure table is unchanged.
struct EventDispatch::CachedNames {
    Text What;
    Text ObType;
    Text windowName, windowType, scriptName;  // what the names were made from
    std::vector<Text> candidates;             // as keys (nameKey)
    std::uint64_t generation = ~std::uint64_t(0);
    std::shared_ptr<xxCmdData> found;
};

EventDispatch::EventDispatch(Engine& engine, ObjectModel& model) : engine_(engine), model_(model) {}

// The widget set outlives the dispatch (the engine's bundle goes last): its
// windows still report while they close, and must find no sink then.
EventDispatch::~EventDispatch() {
    if (port_) port_->setEventSink(nullptr);
}

EventDispatch& Events(Engine& engine, ObjectModel& model) {
    if (!model.events) {
        model.events = std::make_shared<EventDispatch>(engine, model);
        if (ObjectModel::available(engine)) {
            model.events->port_ = &ObjectModel::widgets(engine);
            model.events->port_->setEventSink(model.events.get());
        }
    }
    return *model.events;
}

// ---- running a procedure ---------------------------------------------------------------

bool EventDispatch::runEntry(xxCmdData* entry, ScriptObject* subject) {
    if (!entry) return false;
    // An event can arrive while the script waits inside another statement:
    // that statement's place is put back when the procedure returns.
    Restore<int32_t> keepLine(engine_.currentLine);
    Restore<int32_t> keepLevel(engine_.currentLevel);
    Restore<const StatementRecord*> keepStatement(engine_.currentStatement);
    Restore<bool> keepJumped(engine_.lineJumped);
    Restore<std::weak_ptr<ScriptObject>> keepObject(eventObject);
    std::shared_ptr<ScriptObject> held;  // the subject lives until the procedure returns
    if (subject) {
        held = objectOf(subject->widget);
        if (held) eventObject = held;
        if (subject->isWindow() && held)
            model_.CurrentWindow = std::static_pointer_cast<QelWindow>(held);
    }
    try {
        engine_.RunProcedureEntry(entry);
    } catch (const Engine::Abandoned&) {
        // A runaway inside the procedure: the statement the script waits in
        // ends too, when control is back with it.
    }
    return true;
}

// Procedure names are compared without regard to width as well as case
// (ボタン１ is ボタン1): the table itself folds case only, so the
// dispatch keeps its own index of the names, rebuilt when the table changes.
std::shared_ptr<xxCmdData> EventDispatch::findProcedure(TextView key) {
    if (indexGeneration_ != engine_.procedures.generation()) {
        procedureIndex_.clear();
        for (const auto& [name, entry] : engine_.procedures.inOrder())
            procedureIndex_.emplace(nameKey(name), entry);
        indexGeneration_ = engine_.procedures.generation();
    }
    auto it = procedureIndex_.find(Text(key));
    return it == procedureIndex_.end() ? nullptr : it->second;
}

bool EventDispatch::hasProcedure(TextView name) {
    return findProcedure(nameKey(name)) != nullptr;
}

bool EventDispatch::runNamed(TextView name, ScriptObject* subject) {
    std::shared_ptr<xxCmdData> entry = findProcedure(nameKey(name));
    return runEntry(entry.get(), subject);
}

bool EventDispatch::runFirst(const CachedNames& constNames, ScriptObject& subject) {
    auto& names = const_cast<CachedNames&>(constNames);
    if (names.generation != engine_.procedures.generation()) {
        names.found.reset();
        for (const Text& key : names.candidates) {
            names.found = findProcedure(key);
            if (names.found) break;
        }
        names.generation = engine_.procedures.generation();
    }
    std::shared_ptr<xxCmdData> entry = names.found;  // held while it runs
    return runEntry(entry.get(), &subject);
}

const EventDispatch::CachedNames& EventDispatch::namesFor(ScriptObject& subject, TextView ObType,
                                                          int index, TextView What, bool dynamic) {
    QelWindow* w = subject.isWindow() ? static_cast<QelWindow*>(&subject) : subject.window;
    static const Text kNone;
    const Text& windowName = w ? w->WindowName : kNone;
    const Text& windowType = w ? w->WindowType : kNone;
    Text scriptName;
    if (!subject.isWindow() && index != 0) scriptName = model_.NameOfObject(subject);
    auto& list = names_[&subject];
    for (auto& cached : list) {
        if (cached->What == What && cached->ObType == ObType && cached->windowName == windowName &&
            cached->windowType == windowType && cached->scriptName == scriptName)
            return *cached;
    }
    auto names = std::make_unique<CachedNames>();
    names->What = Text(What);
    names->ObType = Text(ObType);
    names->windowName = windowName;
    names->windowType = windowType;
    names->scriptName = scriptName;
    if (subject.isWindow()) {
        if (!windowName.empty()) names->candidates.push_back(windowName + names->What);
        names->candidates.push_back(windowType + names->What);
    } else {
        const Text prefix = windowName.empty() ? Text() : windowName + u"の";
        if (index == 0) {
            names->candidates.push_back(prefix + names->ObType + names->What);
        } else {
            names->candidates.push_back(prefix + scriptName + names->What);
            if (!dynamic) names->candidates.push_back(prefix + names->ObType + names->What);
            // The main window has no kind word: "のボタン1をクリック" names nothing.
            if (!windowType.empty())
                names->candidates.push_back(windowType + u"の" + scriptName + names->What);
        }
    }
    for (Text& candidate : names->candidates) candidate = nameKey(candidate);
    list.push_back(std::move(names));
    return *list.back();
}

// ---- the three dispatchers -------------------------------------------------------------

bool EventDispatch::RunEvent(TextView ObType, int index, TextView What, ScriptObject& subject) {
    return runFirst(namesFor(subject, ObType, index, What, false), subject);
}

bool EventDispatch::RunEventEx(TextView ObType, TextView What, ScriptObject& subject) {
    return runFirst(namesFor(subject, ObType, -1, What, true), subject);
}

bool EventDispatch::RunWindowEvent(QelWindow& window, TextView What) {
    if (engine_.stopRequested) return false;
    return runFirst(namesFor(window, {}, 0, What, false), window);
}

// ---- from the widget set ----------------------------------------------------------------

std::shared_ptr<ScriptObject> EventDispatch::objectOf(WidgetId widget) {
    auto it = widgetObjects_.find(widget);
    if (it != widgetObjects_.end()) {
        auto object = it->second.lock();
        if (object && !object->unloaded && object->widget == widget) return object;
        widgetObjects_.erase(it);
    }
    auto object = model_.objectOfWidget(widget);
    if (!object) return nullptr;
    widgetObjects_[widget] = object;
    return object;
}

bool EventDispatch::widgetEvent(const WidgetEvent& event) {
    std::shared_ptr<ScriptObject> object = objectOf(event.widget);
    if (!object || object->unloaded) return true;
    if (event.type == WidgetEventType::MenuCommand) {
        if (object->isWindow() && model_.menus)
            model_.menus->MenuCommand(engine_, model_, static_cast<QelWindow&>(*object),
                                      event.command);
        return true;
    }
    if (event.type == WidgetEventType::FindRequest) {
        FindInBox(engine_, model_, *object, event);
        return true;
    }
    if (event.type == WidgetEventType::RichAction) {
        richWidgetAction(*this, engine_, *object, event);
        return true;
    }
    if (event.type == WidgetEventType::TrayMessage) {
        if (object->isWindow())
            TrayMessage(*this, engine_, model_, static_cast<QelWindow&>(*object),
                        int(event.command));
        return true;
    }
    // Menu shortcuts act when the key comes up, after the key's own events,
    // whichever control of the window has the focus, with the modifiers the
    // key went down with (Ctrl is often let go before the letter).
    int shortcutShift = event.shift;
    if (event.type == WidgetEventType::KeyDown) data.shiftWhenDown[event.keyCode] = event.shift;
    if (event.type == WidgetEventType::KeyUp) {
        if (auto down = data.shiftWhenDown.find(event.keyCode); down != data.shiftWhenDown.end()) {
            shortcutShift = down->second;
            data.shiftWhenDown.erase(down);
        }
    }
    std::shared_ptr<ScriptObject> window =
        object->isWindow() || !object->window ? object : objectOf(object->window->widget);
    bool result = true;
    if (object->isWindow()) {
        result = windowEvent(std::static_pointer_cast<QelWindow>(object), event);
    } else {
        controlEvent(*object, event);
    }
    if (event.type == WidgetEventType::KeyUp && model_.menus &&
        model_.menus->MenuWindowCount != 0 && window && window->isWindow() && !window->unloaded)
        model_.menus->MenuShortcut(engine_, model_, static_cast<QelWindow&>(*window), event.keyCode,
                                   shortcutShift);
    return result;
}

// ---- waits ---------------------------------------------------------------------------------

void EventDispatch::setReplay(std::unique_ptr<Replay> replay) {
    replay_ = std::move(replay);
}

bool EventDispatch::replayExhausted() const {
    // A drop still waiting for its pass is something that can still act.
    return replay_ && replay_->exhausted() && deferredDrops_.empty();
}

bool EventDispatch::replayPending() const {
    return (replay_ && !replay_->finished()) || !deferredDrops_.empty();
}

void EventDispatch::pump() {
    if (!ObjectModel::available(engine_)) return;
    runDeferredDrops();
    if (replay_ && !replay_->finished()) {
        // A replayed session decides when time passes (its wait lines), so
        // the same session always gives the same run.
        replay_->deliverNext(*this, model_, engine_);
        return;
    }
    ObjectModel::widgets(engine_).advanceTimers(engine_.clock().monotonicMs());
}

}  // namespace qel::ui
