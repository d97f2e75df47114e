// Events: what the user does to a window or control becomes a call of the
// script procedure whose name describes it (ボタン1をクリック). There is no
// registration: candidate names are composed from the object's script name,
// its kind word and a suffix, and the first procedure that exists runs with
// the object as the event's subject. Details of the event (mouse, keys,
// dropped files) are kept here for the functions that read them.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/ports/widgets.h"
#include "text/text.h"
#include "ui/objects.h"

namespace qel {
class Engine;
struct xxCmdData;
}  // namespace qel

namespace qel::ui {

class Replay;

// Engine-wide event data: overwritten by each event of its type.
struct EventData {
    int EventButton = 0;
    int EventMouseX = 0, EventMouseY = 0;
    Text EventKeyName;
    int EventKeyCode = 0;
    int EventShift = 0;
    Text DroppedFiles;
    std::set<int> keysDown;  // for キー状態
    // The modifiers each key went down with: a menu shortcut acts when its
    // key comes up, and the user may let go of Ctrl or Shift first.
    std::map<int, int> shiftWhenDown;
    int screenX = 0, screenY = 0;
};

// The name of a key from its code and shift state, with the modifier
// prefixes (コントロール＋シフト＋A).
Text KeyName(int keyCode, int shift);
// The name of the key alone, without modifiers ("A", "Enter", "F5", "186").
Text BareKeyName(int keyCode);

class EventDispatch : public WidgetEventSink {
  public:
    friend EventDispatch& Events(Engine& engine, ObjectModel& model);
    EventDispatch(Engine& engine, ObjectModel& model);
    ~EventDispatch() override;

    // ---- from the widget set ------------------------------------------------------
    bool widgetEvent(const WidgetEvent& event) override;

    // ---- the three dispatchers ---------------------------------------------------
    // A control of the form's arrays: kind word, array index (0 for timers,
    // whose kind word then carries the index), suffix.
    bool RunEvent(TextView ObType, int index, TextView What, ScriptObject& subject);
    // A dynamic control: always named by its script name.
    bool RunEventEx(TextView ObType, TextView What, ScriptObject& subject);
    bool RunWindowEvent(QelWindow& window, TextView What);

    // ---- closing ---------------------------------------------------------------------
    // Runs the window's "を閉じる" and closes it, unless the user asked
    // (`byUser`) and the script refused with 閉じない. True when it closed.
    bool closeWindow(const std::shared_ptr<QelWindow>& window, bool byUser);

    // ---- waits -----------------------------------------------------------------------
    // Called on every pass of a wait: timers tick on hosts that do not tick
    // them themselves, and a replayed session delivers its next action.
    void pump();
    // Whether a wait should end because nothing can act any more: a replayed
    // session has delivered everything (running timers then do not count).
    bool replayExhausted() const;
    // Whether something queued can still act: replayed lines not delivered
    // yet, or a drop waiting for its pass.
    bool replayPending() const;
    // Work queued for the next pass of events (drops on rich text boxes).
    bool hasDeferredWork() const { return !deferredDrops_.empty(); }
    void setReplay(std::unique_ptr<Replay> replay);
    // The replayed session, when the run plays one.
    Replay* replay() { return replay_.get(); }

    EventData data;
    // The object of the event whose procedure runs (restored after it).
    std::weak_ptr<ScriptObject> eventObject;

    // Runs a procedure by its name with the subject as sender; false when
    // no such procedure exists.
    bool runNamed(TextView name, ScriptObject* subject);
    bool hasProcedure(TextView name);
    ObjectModel& model() { return model_; }

  private:
    struct CachedNames;
    bool runFirst(const CachedNames& names, ScriptObject& subject);
    bool runEntry(xxCmdData* entry, ScriptObject* subject);
    std::shared_ptr<xxCmdData> findProcedure(TextView key);
    const CachedNames& namesFor(ScriptObject& subject, TextView ObType, int index, TextView What,
                                bool dynamic);
    std::shared_ptr<ScriptObject> objectOf(WidgetId widget);

    // Families (events_controls.cpp, events_window.cpp).
    void controlEvent(ScriptObject& control, const WidgetEvent& event);
    void controlMouse(ScriptObject& control, const WidgetEvent& event, TextView kind);
    void controlKey(ScriptObject& control, const WidgetEvent& event, TextView kind);
    void timerTick(ScriptObject& timer);
    bool windowEvent(const std::shared_ptr<QelWindow>& window, const WidgetEvent& event);
    void windowMouse(QelWindow& window, const WidgetEvent& event);
    void windowKey(QelWindow& window, const WidgetEvent& event);
    void windowDrop(QelWindow& window, const WidgetEvent& event);
    bool control(ScriptObject& subject, TextView What);
    void storeMouse(const ScriptObject& object, const WidgetEvent& event);
    void storeKey(const WidgetEvent& event);
    // Drops on rich text boxes wait for the next pass of events, so that the
    // box has finished taking the drop itself before the procedure looks.
    void runDeferredDrops();
    struct DeferredDrop {
        std::weak_ptr<ScriptObject> box;
        std::vector<Text> files;
    };
    std::vector<DeferredDrop> deferredDrops_;

    Engine& engine_;
    ObjectModel& model_;
    WidgetPort* port_ = nullptr;  // the set this dispatch listens to
    std::unordered_map<const ScriptObject*, std::vector<std::unique_ptr<CachedNames>>> names_;
    std::unordered_map<WidgetId, std::weak_ptr<ScriptObject>> widgetObjects_;
    // Re-entrancy guards: a window whose mouse-move procedure runs, and the
    // timers (window, index) whose tick procedure runs.
    std::set<const QelWindow*> mouseMoving_;
    std::set<std::pair<const QelWindow*, int>> ticking_;
    std::unique_ptr<Replay> replay_;
    std::unordered_map<Text, std::shared_ptr<xxCmdData>> procedureIndex_;
    std::uint64_t indexGeneration_ = ~std::uint64_t(0);
};

// The dispatcher of the model, made (and connected to the widget set) on first use.
EventDispatch& Events(Engine& engine, ObjectModel& model);

}  // namespace qel::ui
