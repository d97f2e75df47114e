// Script objects: windows and their controls, the registry of their names,
// and how a name written in a script becomes an object again. Plain C++ over
// the widget port; what is shown is the widget set's business.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/ports/widgets.h"
#include "text/text.h"
#include "ui/kinds.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class QelWindow;
class QelObj;
class EventDispatch;
class MenuModel;
struct CommonDialog;
struct TrayIcon;
struct ResolvedTargets;

enum class ObjectType { Window, Control, Printer, Drive };

// One script object. Its identity is its address (written as decimal text
// where a text is needed); the registry holds it by shared pointer, and every
// remembered reference (それ, これ, the container) is weak, so an object that
// was destroyed is simply gone.
struct ScriptObject {
    virtual ~ScriptObject() = default;

    ObjectType type = ObjectType::Control;
    const KindRow* kind = nullptr;  // controls
    QelWindow* window = nullptr;    // the window holding it (itself for a window)
    int index = 0;                  // position in its kind's array; 0 = the template
    WidgetId widget = kNoWidget;
    WidgetKind widgetKind = WidgetKind::Button;  // changes when a twin replaces it
    std::weak_ptr<ScriptObject> container;       // a frame or picture holding it
    // The name it was first registered under (its events use it); empty
    // until then.
    Text registeredName;
    bool accessKey = true;  // labels: & marks an access key
    int printerIndex = 0;   // printers
    bool unloaded = false;
    // Rich controls: their items, columns, nodes or cells.
    std::shared_ptr<RichContent> rich;

    // Values the model keeps itself that few objects ever get: held out of
    // line, so that a control without them costs one pointer, not five texts.
    struct RareValues {
        Text info;         // 情報
        Text pictureFile;  // 絵
        Text pointerFile;  // マウスカーソル given as a file
        Text docking;      // 配置
        Text drivePath;    // drives: the mount point
    };
    const RareValues& rare() const;
    RareValues& rareForWriting();

    Text identity() const;
    bool isWindow() const { return type == ObjectType::Window; }

  private:
    std::unique_ptr<RareValues> rare_;
};

// One script window: its controls (one array per kind, element 0 the hidden
// template), their names, and the per-window value store.
class QelWindow : public ScriptObject {
  public:
    bool RgnFlag = false;
    Text WindowName;  // empty for the main window
    Text WindowType;
    std::uint64_t MenuhWnd = 0;  // set once the window has a script menu
    bool isMain = false;
    bool closeRefused = false;  // 閉じない inside the close event

    struct Entry {
        Text name;  // as stored: full-width
        std::shared_ptr<ScriptObject> object;
    };
    // Changed only by ObjectModel, which counts each change (namesGeneration).
    std::unordered_map<Text, Entry> CollObj;  // name key -> object
    std::map<KindId, std::vector<std::shared_ptr<ScriptObject>>> arrays;

    // The per-window store: reading a name never written gives "".
    Text Prop(TextView name) const;
    // The entry under a key nameKey made already (null when never written):
    // for names read on every property access.
    const Text* propAtKey(const Text& key) const;
    void SetProp(TextView name, TextView value);
    int counter(const KindRow& kind) const;

    // Where new controls are placed (the turtle's centre until drawing moves it).
    double currentX = 0, currentY = 0;

  private:
    std::unordered_map<Text, Text> props_;
};

class ObjectModel {
  public:
    explicit ObjectModel() = default;

    // ---- state ------------------------------------------------------------------
    std::shared_ptr<QelWindow> mainWindow;
    // name key -> window; changed only by ObjectModel's own functions, which
    // count each change (namesGeneration).
    std::unordered_map<Text, std::shared_ptr<QelWindow>> GlobalRegistry;
    std::vector<std::shared_ptr<QelWindow>> loadedWindows;
    std::weak_ptr<QelWindow> CurrentWindow;
    std::weak_ptr<ScriptObject> CurrentContainer;
    std::weak_ptr<ScriptObject> LastObject;
    std::weak_ptr<ScriptObject> TopicObject;
    std::weak_ptr<ScriptObject> PreviousTopicObject;
    bool topicActive = false;
    std::unordered_map<Text, Text> PluginKinds;  // kind word key -> class
    int WindowCount = 1;
    std::vector<std::shared_ptr<ScriptObject>> printers;
    int currentPrinter = 0;
    std::unordered_map<Text, std::shared_ptr<ScriptObject>> drives;

    // ---- life -----------------------------------------------------------------------
    // What every run starts from (the main window survives; other windows close).
    void reset(Engine& engine);
    // Whether the engine's bundle can show windows at all.
    static bool available(Engine& engine);

    // ---- creating -------------------------------------------------------------------
    std::shared_ptr<ScriptObject> NewObj(Engine& engine, QelWindow& w, Text& objName,
                                         TextView alias, Text& result);
    std::shared_ptr<ScriptObject> GetNullObj(Engine& engine, QelWindow& w, const KindRow& kind);
    std::shared_ptr<ScriptObject> CreateObject(Engine& engine, TextView name, TextView alias,
                                               bool makeVisible);
    std::shared_ptr<QelWindow> CreateWindow(Engine& engine, TextView name, TextView alias,
                                            bool show);
    std::shared_ptr<QelWindow> LookupWindow(Engine& engine, TextView name);
    void RegisterObject(QelWindow& w, const std::shared_ptr<ScriptObject>& object, TextView name);
    void RegisterWindow(const std::shared_ptr<QelWindow>& w, TextView name);

    // ---- plug-ins (plugin_objects.cpp) ------------------------------------------
    // Asked before a plug-in object is made (the protection check); unset: allowed.
    std::function<bool(Engine&)> pluginAllowed;
    // 使う and 作れ with a plug-in name: declares the kind words of its control
    // classes and makes an object of its first other class, registered under
    // the alias (or the class name).
    // `notPlugin` is set (and nothing reported) when a name without "." or
    // "/" names no plug-in: it is then an ordinary object name.
    std::shared_ptr<ScriptObject> UsePlugin(Engine& engine, TextView name, TextView alias,
                                            bool& notPlugin);
    // NewObj for a kind word a plug-in declared: its control on window `w`.
    std::shared_ptr<ScriptObject> NewPluginControl(Engine& engine, QelWindow& w,
                                                   const Text& objName, TextView alias,
                                                   Text& result, const Text& classId);
    // The plug-in object registered under that name; no side effects.
    std::shared_ptr<QelObj> findPlugin(Engine& engine, TextView name);
    // The end of a run: every plug-in object is destroyed.
    void ReleasePlugins(Engine& engine);

    // ---- finding --------------------------------------------------------------------
    // The object a reference names; `propertyAt` receives where the text after
    // the owner chain begins (text.size() when nothing follows).
    // `byName` is set when the object is a control found by a name it is
    // registered under, before a の: nothing but the registries and the
    // current window decided it (see namesGeneration).
    std::shared_ptr<ScriptObject> ResolveObject(Engine& engine, TextView text, bool quiet,
                                                std::size_t* propertyAt = nullptr,
                                                bool* byName = nullptr);
    std::shared_ptr<ScriptObject> NormaliseObjectName(Engine& engine, QelWindow& w, TextView text,
                                                      bool quiet);
    // Only registered names, windows and ウィンドウ０: no template, no special name.
    std::shared_ptr<ScriptObject> findRegistered(Engine& engine, TextView name);
    Text NameOfObject(const ScriptObject& object) const;
    std::shared_ptr<QelWindow> currentWindow(Engine& engine);
    // The loaded control or window shown by `widget`, if any.
    std::shared_ptr<ScriptObject> objectOfWidget(WidgetId widget) const;
    // The loaded window or control another program names: by its handle
    // (the number ハンドル reads), its name, or "window の name". Unlike
    // ResolveObject it never changes the current window, the last object or
    // the printer, loads nothing and reports nothing: the asking program is
    // not the script.
    std::shared_ptr<ScriptObject> findForHost(Engine& engine, TextView written);

    // ---- ending ---------------------------------------------------------------------
    void DestroyObject(Engine& engine, const std::shared_ptr<ScriptObject>& object);
    // Closes a window as the program asks (閉じる, 消せ); the last script window
    // closing asks the run to stop.
    void CloseWindow(Engine& engine, const std::shared_ptr<QelWindow>& w);

    // ---- helpers for the properties and commands ------------------------------------
    static WidgetPort& widgets(Engine& engine);
    bool alive(const ScriptObject& object, Engine& engine) const;
    std::shared_ptr<ScriptObject> printer(Engine& engine, int index);
    std::shared_ptr<ScriptObject> drive(Engine& engine, TextView path);
    // Replaces a control by a new one of the twin widget kind (picture button,
    // wrapping text box), keeping its name, place and the values listed.
    void swapWidget(Engine& engine, ScriptObject& object, WidgetKind to);

    // The event dispatch (events.h), made on first use; kept across runs.
    std::shared_ptr<EventDispatch> events;
    // The script menus of the windows (menus.h), made on first use.
    std::shared_ptr<MenuModel> menus;
    // The one dialog object "選択ウィンドウ" (dialogs.h), made on first use.
    std::shared_ptr<CommonDialog> dialog;
    // The program's tray icon (tray.h), made on first use.
    std::shared_ptr<TrayIcon> tray;

    // The property handlers chosen per object (see properties.h); cleared by reset.
    std::unordered_map<const ScriptObject*, const void*> handlerCache;

    // Counts the changes to what a registered name resolves to: a name
    // registered or dropped, an object or window unloaded, a reset. Whatever
    // remembers a resolution by name holds it only while this count (and the
    // current window) is what it was.
    std::uint64_t namesGeneration() const { return namesGeneration_; }
    // Property targets as they last resolved (property_access.cpp).
    std::shared_ptr<ResolvedTargets> resolvedTargets;

  private:
    void namesChanged() { ++namesGeneration_; }
    std::uint64_t namesGeneration_ = 1;
    std::shared_ptr<ScriptObject> findByName(QelWindow* w, TextView name) const;
    std::shared_ptr<ScriptObject> loadElement(Engine& engine, QelWindow& w, const KindRow& kind,
                                              int index);
    void ensureMainWindow(Engine& engine);
    std::shared_ptr<QelWindow> makeWindow(Engine& engine, WindowStyle style);
    void releaseWindow(Engine& engine, QelWindow& w);
    std::shared_ptr<ScriptObject> special(Engine& engine, TextView text, bool quiet,
                                          bool& reported);
};

// Numbers as the language writes them (full-width digits), for names.
Text fullWidthNumber(int n);

}  // namespace qel::ui
