#include "ui/objects.h"

#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "text/number.h"
#include "ui/events.h"
#include "ui/menus.h"
#include "ui/plugin_objects.h"
#include "ui/properties.h"
#include "ui/rich.h"
#include "ui/tray.h"

namespace qel::ui {

namespace {

// The values a new array element takes over from its kind's template.
constexpr WidgetValue kTemplateValues[] = {
    WidgetValue::Width,        WidgetValue::Height,     WidgetValue::Caption,
    WidgetValue::ForeColour,   WidgetValue::BackColour, WidgetValue::FillColour,
    WidgetValue::BorderColour, WidgetValue::FontName,   WidgetValue::FontSize,
    WidgetValue::FontCharset,  WidgetValue::Bold,       WidgetValue::Italic,
    WidgetValue::Underline,    WidgetValue::StrikeOut,  WidgetValue::Enabled,
    WidgetValue::ToolTip,      WidgetValue::Pointer,    WidgetValue::Alignment,
    WidgetValue::Transparent,  WidgetValue::AutoSize,   WidgetValue::WordWrap,
    WidgetValue::Border,       WidgetValue::Shape,      WidgetValue::LineWidth,
    WidgetValue::LineStyle,    WidgetValue::FillStyle,  WidgetValue::Stretch,
    WidgetValue::Minimum,      WidgetValue::Maximum,    WidgetValue::SmallChange,
    WidgetValue::LargeChange,  WidgetValue::Interval,   WidgetValue::MaxLength,
    WidgetValue::PasswordChar, WidgetValue::ReadOnly,   WidgetValue::Sorted,
    WidgetValue::MultiSelect,  WidgetValue::TabStop,    WidgetValue::AcceptsDrops,
};

constexpr WidgetValue kFontValues[] = {
    WidgetValue::FontName, WidgetValue::FontSize,  WidgetValue::FontCharset, WidgetValue::Bold,
    WidgetValue::Italic,   WidgetValue::Underline, WidgetValue::StrikeOut};

void copyValues(WidgetPort& port, WidgetId from, WidgetId to, std::span<const WidgetValue> which) {
    for (WidgetValue v : which) {
        if (auto value = port.get(from, v)) port.set(to, v, *value);
    }
}

double numberOf(const std::optional<WidgetData>& data) {
    if (!data) return 0;
    if (const double* d = std::get_if<double>(&*data)) return *d;
    return 0;
}

// The trailing digits of a name (ASCII or full-width) and what comes before.
std::pair<Text, Text> splitTrailingNumber(TextView name) {
    std::size_t end = name.size();
    while (end > 0) {
        char16_t c = name[end - 1];
        if (!((c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'))) break;
        --end;
    }
    return {Text(name.substr(0, end)), Text(name.substr(end))};
}

}  // namespace

Text fullWidthNumber(int n) {
    return text::toFullWidth(number::format(double(n)));
}

const ScriptObject::RareValues& ScriptObject::rare() const {
    static const RareValues none;
    return rare_ ? *rare_ : none;
}

ScriptObject::RareValues& ScriptObject::rareForWriting() {
    if (!rare_) rare_ = std::make_unique<RareValues>();
    return *rare_;
}

Text ScriptObject::identity() const {
    return number::format(double(reinterpret_cast<std::uintptr_t>(this)));
}

Text QelWindow::Prop(TextView name) const {
    auto it = props_.find(nameKey(name));
    return it == props_.end() ? Text() : it->second;
}

const Text* QelWindow::propAtKey(const Text& key) const {
    auto it = props_.find(key);
    return it == props_.end() ? nullptr : &it->second;
}

void QelWindow::SetProp(TextView name, TextView value) {
    props_[nameKey(name)] = Text(value);
}

int QelWindow::counter(const KindRow& kind) const {
    return int(number::toNumber(Prop(kind.word)));
}

// ---- life -------------------------------------------------------------------------------

bool ObjectModel::available(Engine& engine) {
    return engine.platform.widgets != nullptr;
}

WidgetPort& ObjectModel::widgets(Engine& engine) {
    return *engine.platform.widgets;
}

std::shared_ptr<QelWindow> ObjectModel::makeWindow(Engine& engine, WindowStyle style) {
    Events(engine, *this);  // connected before anything can be clicked
    auto w = std::make_shared<QelWindow>();
    w->type = ObjectType::Window;
    w->window = w.get();
    WidgetPort& port = widgets(engine);
    w->widget = port.createWindow(style);
    w->SetProp(u"種類", number::format(double(int(style))));
    // New controls start at the centre of the window, where the turtle is.
    w->currentX = std::floor(numberOf(port.get(w->widget, WidgetValue::ClientWidth)) / 2);
    w->currentY = std::floor(numberOf(port.get(w->widget, WidgetValue::ClientHeight)) / 2);
    loadedWindows.push_back(w);
    return w;
}

void ObjectModel::ensureMainWindow(Engine& engine) {
    if (mainWindow || !available(engine)) return;
    mainWindow = makeWindow(engine, WindowStyle::Normal);
    mainWindow->isMain = true;
    widgets(engine).nameWidget(mainWindow->widget, NameOfObject(*mainWindow));
}

void ObjectModel::reset(Engine& engine) {
    if (menus) menus->reset(engine, *this);
    RemoveTrayIcon(engine, *this);
    // Windows of an earlier run are unreachable after the reset; they close.
    for (auto& w : std::vector<std::shared_ptr<QelWindow>>(loadedWindows)) {
        if (!w->isMain) releaseWindow(engine, *w);
    }
    ensureMainWindow(engine);
    CurrentWindow = mainWindow;
    CurrentContainer = mainWindow;
    WindowCount = 1;
    LastObject.reset();
    TopicObject.reset();
    PreviousTopicObject.reset();
    topicActive = false;
    GlobalRegistry.clear();
    namesChanged();
    handlerCache.clear();
    // The widget set reports the user's input from the first window on.
    if (available(engine)) Events(engine, *this).data = EventData();
}

std::shared_ptr<QelWindow> ObjectModel::currentWindow(Engine& engine) {
    if (auto w = CurrentWindow.lock(); w && !w->unloaded) return w;
    ensureMainWindow(engine);
    CurrentWindow = mainWindow;
    return mainWindow;
}

bool ObjectModel::alive(const ScriptObject& object, Engine& engine) const {
    if (object.unloaded) return false;
    if (object.type == ObjectType::Printer || object.type == ObjectType::Drive) return true;
    // A plug-in object without a control lives as long as its plug-in does.
    if (object.widget == kNoWidget) {
        const auto* plugin = dynamic_cast<const QelObj*>(&object);
        return plugin && plugin->plugin;
    }
    return available(engine) && widgets(engine).exists(object.widget);
}

// ---- creating ---------------------------------------------------------------------------

std::shared_ptr<ScriptObject> ObjectModel::loadElement(Engine& engine, QelWindow& w,
                                                       const KindRow& kind, int index) {
    WidgetPort& port = widgets(engine);
    auto object = std::make_shared<ScriptObject>();
    object->type = ObjectType::Control;
    object->kind = &kind;
    object->window = &w;
    object->index = index;
    object->widgetKind = kind.widget;
    object->widget = port.createControl(kind.widget, w.widget);
    if (kind.dynamic) initRich(engine, *object);
    auto& array = w.arrays[kind.id];
    if (array.size() <= std::size_t(index)) array.resize(std::size_t(index) + 1);
    array[std::size_t(index)] = object;
    return object;
}

std::shared_ptr<ScriptObject> ObjectModel::GetNullObj(Engine& engine, QelWindow& w,
                                                      const KindRow& kind) {
    if (kind.dynamic && !richKindBuilt(kind.id)) return nullptr;
    auto& array = w.arrays[kind.id];
    if (!array.empty() && array[0]) return array[0];
    auto templ = loadElement(engine, w, kind, 0);
    // A dynamic kind's template is made on first request and answers to the
    // kind word alone.
    if (kind.dynamic) RegisterObject(w, templ, kind.word);
    return templ;
}

std::shared_ptr<ScriptObject> ObjectModel::NewObj(Engine& engine, QelWindow& w, Text& objName,
                                                  TextView alias, Text& result) {
    const KindRow* kind = kindOfName(objName);
    if (!kind) {
        // Not a kind of ours: a plug-in kind declared by the script, or nothing.
        auto [word, digits] = splitTrailingNumber(objName);
        if (digits.empty() || !PluginKinds.count(nameKey(word))) {
            engine.Report(ErrorId::NoSuchObjectKind, objName);
            return nullptr;
        }
        objName = Text(word) + text::toFullWidth(digits);
        return NewPluginControl(engine, w, objName, alias, result, PluginKinds[nameKey(word)]);
    }
    if (kind->dynamic && !richKindBuilt(kind->id)) {
        engine.Report(ErrorId::NotBuiltYet, kind->word);
        return nullptr;
    }
    std::size_t wordLength = *matchPrefix(objName, kind->word);
    TextView rest = TextView(objName).substr(wordLength);
    Text evaluated = text::trimBlanks(rest).empty() ? Text() : engine.EvalText(rest);
    // A name without number or alias would be registered under nothing; it
    // is refused before anything is made.
    if (text::trimBlanks(evaluated).empty() && alias.empty()) {
        engine.Report(ErrorId::ObjectNumberOrAliasRequired);
        return nullptr;
    }
    if (kind->id == KindId::Timer) {
        evaluated = number::format(std::trunc(number::toNumber(evaluated)));
    }
    objName = Text(kind->word) + evaluated;

    std::shared_ptr<ScriptObject> object = findByName(&w, objName);
    if (object && object->window != &w) object = nullptr;
    if (!object) {
        auto templ = GetNullObj(engine, w, *kind);
        int index = w.counter(*kind) + 1;
        object = loadElement(engine, w, *kind, index);
        WidgetPort& port = widgets(engine);
        copyValues(port, templ->widget, object->widget, kTemplateValues);
        port.set(object->widget, WidgetValue::Visible, 0.0);
        w.SetProp(kind->word, number::format(double(index)));
        if (kind->id == KindId::Timer) port.set(object->widget, WidgetValue::Enabled, 1.0);
        if (kind->id == KindId::FolderList) {
            port.set(object->widget, WidgetValue::Folder,
                     text::fromUtf8(engine.files().currentFolder()));
        }
        fillFileList(engine, *object);
    }
    WidgetPort& port = widgets(engine);
    port.set(object->widget, WidgetValue::Left, w.currentX);
    port.set(object->widget, WidgetValue::Top, w.currentY);
    copyValues(port, w.widget, object->widget, kFontValues);
    if (kind->id == KindId::Picture) {
        if (auto back = port.get(w.widget, WidgetValue::BackColour))
            port.set(object->widget, WidgetValue::BackColour, *back);
    }
    LastObject = object;
    result = alias.empty() ? objName : Text(alias);
    return object;
}

std::shared_ptr<ScriptObject> ObjectModel::CreateObject(Engine& engine, TextView name,
                                                        TextView alias, bool makeVisible) {
    if (!available(engine)) {
        engine.Report(ErrorId::NotBuiltYet, u"ウィンドウ");
        return nullptr;
    }
    Text written(text::trimBlanks(name));
    if (written.empty()) {
        engine.Report(ErrorId::ObjectRequired);
        return nullptr;
    }
    if (windowKindOfName(written)) {
        auto w = CreateWindow(engine, written, alias, makeVisible);
        if (w) CurrentWindow = w;
        return w;
    }
    if (auto used = matchPrefix(written, u"メニュー")) {
        Menus(*this).AddMenu(engine, *currentWindow(engine), TextView(written).substr(*used));
        return nullptr;
    }
    if (auto used = matchPrefix(written, u"サブメニュー")) {
        Menus(*this).AddSubMenuEntry(engine, *currentWindow(engine),
                                     TextView(written).substr(*used));
        return nullptr;
    }
    auto w = currentWindow(engine);
    Text result;
    auto object = NewObj(engine, *w, written, alias, result);
    if (!object) return nullptr;
    LastObject = object;
    RegisterObject(*w, object, result);
    WidgetPort& port = widgets(engine);
    // Screen readers and UI-test tools find the control by its script name.
    port.nameWidget(object->widget, NameOfObject(*object));
    if (makeVisible) {
        port.set(object->widget, WidgetValue::Visible, 1.0);
        if (object->kind->windowBackColour && !engine.hostedWindowMode) {
            if (auto back = port.get(w->widget, WidgetValue::BackColour))
                port.set(object->widget, WidgetValue::BackColour, *back);
        }
    }
    auto container = CurrentContainer.lock();
    if (container && !container->isWindow() && container->window == w.get() &&
        container.get() != object.get() && alive(*container, engine)) {
        if (port.setParent(object->widget, container->widget)) {
            object->container = container;
            port.set(object->widget, WidgetValue::Left, 0.0);
            port.set(object->widget, WidgetValue::Top, 0.0);
        }
    }
    return object;
}

std::shared_ptr<QelWindow> ObjectModel::LookupWindow(Engine& engine, TextView name) {
    const WindowKindRow* kind = windowKindOfName(name);
    if (!kind) return nullptr;
    TextView rest = name.substr(*matchPrefix(name, kind->word));
    Text numberText;
    if (!text::trimBlanks(rest).empty()) {
        Text value = engine.EvalText(rest);
        if (auto n = number::parse(text::toHalfWidth(value)))
            numberText = number::format(std::trunc(*n));
    }
    auto it = GlobalRegistry.find(nameKey(Text(kind->word) + numberText));
    if (it == GlobalRegistry.end() || it->second->unloaded) return nullptr;
    if (!engine.hostedWindowMode) CurrentWindow = it->second;
    LastObject = it->second;
    return it->second;
}

std::shared_ptr<QelWindow> ObjectModel::CreateWindow(Engine& engine, TextView name, TextView alias,
                                                     bool show) {
    if (engine.hostedWindowMode) return currentWindow(engine);
    if (auto existing = LookupWindow(engine, name)) return existing;
    if (!alias.empty()) {
        auto it = GlobalRegistry.find(nameKey(alias));
        if (it != GlobalRegistry.end() && !it->second->unloaded) {
            CurrentWindow = it->second;
            LastObject = it->second;
            return it->second;
        }
    }
    const WindowKindRow* kind = windowKindOfName(name);
    auto w = makeWindow(engine, kind->style);
    ++WindowCount;
    TextView rest = name.substr(*matchPrefix(name, kind->word));
    Text numberText;
    if (!text::trimBlanks(rest).empty()) {
        Text value = engine.EvalText(rest);
        if (auto n = number::parse(text::toHalfWidth(value)))
            numberText = number::format(std::trunc(*n));
    }
    w->WindowName = alias.empty() ? Text(kind->word) + text::toFullWidth(numberText) : Text(alias);
    w->WindowType = Text(kind->word);
    RegisterWindow(w, w->WindowName);
    widgets(engine).nameWidget(w->widget, w->WindowName);
    if (show) {
        WidgetPort& port = widgets(engine);
        ShowOptions options;
        Text initial = w->Prop(u"初期状態");
        if (initial == u"最大化") port.set(w->widget, WidgetValue::WindowState, 2.0);
        if (initial == u"最小化") port.set(w->widget, WidgetValue::WindowState, 1.0);
        port.show(w->widget, options);
    }
    engine.ui().pumpEvents();
    CurrentWindow = w;
    CurrentContainer = w;
    LastObject = w;
    return w;
}

void ObjectModel::RegisterObject(QelWindow& w, const std::shared_ptr<ScriptObject>& object,
                                 TextView name) {
    Text stored = text::toFullWidth(name);
    Text key = nameKey(stored);
    namesChanged();
    if (!object) {
        w.CollObj.erase(key);
        return;
    }
    w.CollObj[key] = QelWindow::Entry{stored, object};
    // An object keeps the name it was first registered under: its events use it.
    if (object->registeredName.empty()) object->registeredName = stored;
}

void ObjectModel::RegisterWindow(const std::shared_ptr<QelWindow>& w, TextView name) {
    Text key = nameKey(name);
    GlobalRegistry.erase(key);
    GlobalRegistry.emplace(key, w);
    namesChanged();
}

// ---- finding ----------------------------------------------------------------------------

std::shared_ptr<ScriptObject> ObjectModel::findByName(QelWindow* w, TextView name) const {
    if (name.empty()) return nullptr;
    Text key = nameKey(name);
    auto global = GlobalRegistry.find(key);
    if (global != GlobalRegistry.end() && !global->second->unloaded) return global->second;
    if (!w) return nullptr;
    auto local = w->CollObj.find(key);
    if (local != w->CollObj.end() && !local->second.object->unloaded) return local->second.object;
    return nullptr;
}

std::shared_ptr<ScriptObject> ObjectModel::findRegistered(Engine& engine, TextView name) {
    if (name.empty()) return nullptr;
    if (nameKey(name) == nameKey(u"ウィンドウ０")) {
        ensureMainWindow(engine);
        return mainWindow;
    }
    auto w = currentWindow(engine);
    if (auto found = findByName(w.get(), name)) return found;
    if (windowKindOfName(name)) return LookupWindow(engine, name);
    return nullptr;
}

std::shared_ptr<ScriptObject> ObjectModel::objectOfWidget(WidgetId widget) const {
    if (widget == kNoWidget) return nullptr;
    for (const auto& w : loadedWindows) {
        if (w->widget == widget) return w;
        for (const auto& [kind, array] : w->arrays) {
            for (const auto& object : array) {
                if (object && object->index > 0 && object->widget == widget) return object;
            }
        }
    }
    return nullptr;
}

std::shared_ptr<ScriptObject> ObjectModel::findForHost(Engine& engine, TextView written) {
    TextView text = text::trimBlanks(written);
    if (text.empty() || !available(engine)) return nullptr;
    std::shared_ptr<ScriptObject> found;
    if (auto handle = number::parse(text);
        handle && *handle >= 1 && *handle == std::trunc(*handle) && *handle < 9.0e15) {
        found = objectOfWidget(WidgetId(*handle));
    }
    if (!found && nameKey(text) == nameKey(u"ウィンドウ０")) {
        found = mainWindow;
    } else if (!found) {
        auto w = CurrentWindow.lock();
        if (!w || w->unloaded) w = mainWindow;
        found = findByName(w.get(), text);
        // The host stands outside every window: a control of another window
        // than the current one is found by its name too (the first window
        // loaded that has it).
        for (std::size_t i = 0; !found && i < loadedWindows.size(); ++i)
            found = findByName(loadedWindows[i].get(), text);
        // "window の name": the owner is a window known by name, and names
        // may hold の themselves, so every cut is tried.
        for (std::size_t cut = text.find(u'の'); !found && cut != TextView::npos;
             cut = text.find(u'の', cut + 1)) {
            auto owner = findByName(w.get(), text.substr(0, cut));
            if (!owner && nameKey(text.substr(0, cut)) == nameKey(u"ウィンドウ０"))
                owner = mainWindow;
            if (!owner || !owner->isWindow()) continue;
            const auto& names = static_cast<QelWindow&>(*owner).CollObj;
            auto it = names.find(nameKey(text.substr(cut + 1)));
            if (it != names.end()) found = it->second.object;
        }
    }
    if (!found || (!found->isWindow() && !alive(*found, engine)) || found->unloaded) return nullptr;
    return found;
}

std::shared_ptr<ScriptObject> ObjectModel::printer(Engine& engine, int index) {
    const int count = int(widgets(engine).printers().size());
    if (index < 0 || index >= count) return nullptr;
    if (printers.size() < std::size_t(count)) printers.resize(std::size_t(count));
    auto& slot = printers[std::size_t(index)];
    if (!slot) {
        slot = std::make_shared<ScriptObject>();
        slot->type = ObjectType::Printer;
        slot->printerIndex = index;
    }
    return slot;
}

std::shared_ptr<ScriptObject> ObjectModel::drive(Engine& engine, TextView path) {
    (void)engine;
    Text narrow = text::toHalfWidth(path);
    Text key = nameKey(narrow);
    auto& slot = drives[key];
    if (!slot) {
        slot = std::make_shared<ScriptObject>();
        slot->type = ObjectType::Drive;
        slot->rareForWriting().drivePath = narrow;
    }
    return slot;
}

// Special names and the kind-word forms (ボタン01 is ボタン1, ボタン alone the template).
std::shared_ptr<ScriptObject> ObjectModel::NormaliseObjectName(Engine& engine, QelWindow& w,
                                                               TextView text, bool quiet) {
    WidgetPort& port = widgets(engine);
    if (nameKey(text) == nameKey(u"アクティブ")) return objectOfWidget(port.focused());
    if (nameKey(text) == nameKey(u"アクティブウィンドウ"))
        return objectOfWidget(port.activeWindow());
    if (nameKey(text) == nameKey(u"ウィンドウ０")) {
        ensureMainWindow(engine);
        return mainWindow;
    }
    if (nameKey(text) == nameKey(u"選択ウィンドウ")) {
        if (!quiet) engine.Report(ErrorId::NotBuiltYet, u"選択ウィンドウ");
        return nullptr;
    }
    if (windowKindOfName(text)) return LookupWindow(engine, text);
    if (auto used = matchPrefix(text, u"プリンタ")) {
        TextView rest = text.substr(*used);
        if (text::trimBlanks(rest).empty()) return printer(engine, currentPrinter);
        auto n = number::parse(text::toHalfWidth(engine.EvalText(rest)));
        auto found = n ? printer(engine, int(*n) - 1) : nullptr;
        if (!found) {
            if (!quiet) engine.Report(ErrorId::BadPrinterNumber);
            return nullptr;
        }
        currentPrinter = found->printerIndex;
        port.selectPrinter(currentPrinter);
        return found;
    }
    if (auto used = matchPrefix(text, u"ドライブ"); used && !kindOfName(text)) {
        TextView rest = text::trimBlanks(text.substr(*used));
        if (!rest.empty()) return drive(engine, rest);
    }
    Text name(text);
    if (auto used = matchPrefix(name, u"シェイプ")) name = Text(u"形") + name.substr(*used);
    const KindRow* kind = kindOfName(name);
    if (!kind || (kind->dynamic && !richKindBuilt(kind->id))) return nullptr;
    TextView rest = TextView(name).substr(*matchPrefix(name, kind->word));
    double n = 0;
    if (!text::trimBlanks(rest).empty()) {
        Text value = engine.EvalText(rest);
        n = kind->id == KindId::Timer ? number::toNumber(text::toHalfWidth(value))
                                      : std::trunc(number::toNumber(text::toHalfWidth(value)));
    }
    if (n != 0) {
        // Looked up in the window as well as among the windows, whatever the
        // number of windows: a name means the same whether or not a second
        // window was ever made.
        Text normalised = Text(kind->word) + number::format(n);
        if (auto found = findByName(&w, normalised)) return found;
        return nullptr;
    }
    return GetNullObj(engine, w, *kind);
}

std::shared_ptr<ScriptObject> ObjectModel::special(Engine& engine, TextView text, bool quiet,
                                                   bool& reported) {
    const bool that = text == u"それ" || text == u"その";
    const bool self = text == u"これ" || text == u"この";
    if (!that && !self) return nullptr;
    auto found = (that ? LastObject : TopicObject).lock();
    if (found && !alive(*found, engine)) found = nullptr;
    if (!found) {
        if (!quiet) engine.Report(that ? ErrorId::ThatUnknown : ErrorId::ThisUnknown);
        reported = true;
    }
    return found;
}

std::shared_ptr<ScriptObject> ObjectModel::ResolveObject(Engine& engine, TextView written,
                                                         bool quiet, std::size_t* propertyAt,
                                                         bool* byName) {
    if (propertyAt) *propertyAt = written.size();
    if (byName) *byName = false;
    if (!available(engine)) return nullptr;
    TextView text = text::trimBlanks(written);
    const std::size_t lead = std::size_t(text.data() - written.data());
    if (text.empty()) {
        if (!quiet) engine.Report(ErrorId::ObjectRequired);
        return nullptr;
    }
    auto w = currentWindow(engine);
    bool reported = false;
    bool ownerByName = false;
    std::shared_ptr<ScriptObject> found = special(engine, text, quiet, reported);
    if (reported) return nullptr;

    if (!found && text.find(u'の') != TextView::npos) {
        // その幅 and それの幅: the object before, then its property.
        for (TextView word :
             {TextView(u"それの"), TextView(u"その"), TextView(u"これの"), TextView(u"この")}) {
            if (!text::startsWith(text, word)) continue;
            found = special(engine,
                            word.substr(0, 2) == u"それ" || word == u"その" ? TextView(u"それ")
                                                                            : TextView(u"これ"),
                            quiet, reported);
            if (reported) return nullptr;
            if (found && propertyAt) *propertyAt = lead + word.size();
            if (found) {
                LastObject = found;
                return found;
            }
        }
        // The owner is the text before a の; names may hold の themselves, so
        // the owner grows の by の until something answers.
        std::size_t end = text.find(u'の');
        std::shared_ptr<ScriptObject> owner;
        while (end != TextView::npos) {
            TextView part = text.substr(0, end);
            if (!part.empty()) owner = findByName(w.get(), part);
            if (owner) break;
            end = text.find(u'の', end + 1);
        }
        ownerByName = owner && !owner->isWindow();
        if (!owner) {
            // The whole text may be one name with の in it.
            owner = findByName(w.get(), text);
            if (owner) end = text.size();
        }
        if (!owner) {
            for (end = text.find(u'の'); end != TextView::npos; end = text.find(u'の', end + 1)) {
                TextView part = text.substr(0, end);
                if (part.empty()) continue;
                owner = NormaliseObjectName(engine, *w, part, true);
                if (owner) break;
            }
        }
        if (owner) {
            std::size_t after = std::min(end + 1, text.size());
            if (owner->isWindow()) {
                // The rest of the chain is looked for inside that window.
                auto* inWindow = static_cast<QelWindow*>(owner.get());
                found = owner;
                std::size_t from = after;
                while (from < text.size()) {
                    std::size_t cut = text.find(u'の', from);
                    std::shared_ptr<ScriptObject> inner;
                    while (true) {
                        TextView part =
                            text.substr(from, cut == TextView::npos ? TextView::npos : cut - from);
                        auto it = inWindow->CollObj.find(nameKey(part));
                        if (it != inWindow->CollObj.end() && !it->second.object->unloaded) {
                            inner = it->second.object;
                            break;
                        }
                        if (cut == TextView::npos) break;
                        cut = text.find(u'の', cut + 1);
                    }
                    if (!inner) break;
                    found = inner;
                    if (cut == TextView::npos) {
                        after = text.size();
                        break;
                    }
                    after = cut + 1;
                    from = after;
                }
                if (found != owner) LastObject = owner;
                if (!engine.hostedWindowMode)
                    CurrentWindow = std::static_pointer_cast<QelWindow>(owner);
            } else {
                found = owner;
            }
            if (propertyAt) *propertyAt = lead + std::min(after, text.size());
        }
    } else if (!found) {
        found = findByName(w.get(), text);
        if (!found) found = NormaliseObjectName(engine, *w, text, quiet);
    }
    if (found && !found->isWindow() && !alive(*found, engine)) found = nullptr;
    if (!found) {
        if (!quiet) engine.Report(ErrorId::ObjectNotFound, text);
        return nullptr;
    }
    if (found->isWindow() && !engine.hostedWindowMode)
        CurrentWindow = std::static_pointer_cast<QelWindow>(found);
    LastObject = found;
    if (byName) *byName = ownerByName;
    return found;
}

Text ObjectModel::NameOfObject(const ScriptObject& object) const {
    switch (object.type) {
        case ObjectType::Window: {
            const auto& w = static_cast<const QelWindow&>(object);
            if (w.isMain) return u"ウィンドウ０";
            return w.WindowName.empty() ? w.WindowType : w.WindowName;
        }
        case ObjectType::Printer:
            return u"プリンタ" + fullWidthNumber(object.printerIndex + 1);
        case ObjectType::Drive:
            return u"ドライブ" + object.rare().drivePath;
        case ObjectType::Control:
            break;
    }
    if (!object.registeredName.empty()) return object.registeredName;
    return Text(nameWordOf(*object.kind)) + fullWidthNumber(object.index);
}

// ---- ending -----------------------------------------------------------------------------

void ObjectModel::DestroyObject(Engine& engine, const std::shared_ptr<ScriptObject>& object) {
    if (!object || object->unloaded) return;
    if (object->isWindow()) {
        CloseWindow(engine, std::static_pointer_cast<QelWindow>(object));
        return;
    }
    if (object->type != ObjectType::Control || !object->window) return;
    QelWindow& w = *object->window;
    Text name = NameOfObject(*object);
    WidgetPort& port = widgets(engine);
    port.set(object->widget, WidgetValue::Visible, 0.0);
    RegisterObject(w, nullptr, name);
    // Any other name it was known by goes too (an alias registered later).
    for (auto it = w.CollObj.begin(); it != w.CollObj.end();) {
        it = it->second.object == object ? w.CollObj.erase(it) : std::next(it);
    }
    handlerCache.erase(object.get());
    // A control plug-in goes before the picture that hosts its widget.
    if (QelObj* plugin = AsPlugin(object.get())) plugin->plugin.reset();
    port.destroy(object->widget);
    object->unloaded = true;
    namesChanged();
    // The element's slot stays used: indices are never given out twice.
    auto& array = w.arrays[object->kind->id];
    if (std::size_t(object->index) < array.size()) array[std::size_t(object->index)] = nullptr;
}

void ObjectModel::releaseWindow(Engine& engine, QelWindow& w) {
    namesChanged();
    if (menus) menus->forgetWindow(engine, w);
    ForgetTrayWindow(engine, *this, w);
    // Plug-ins first, while the widgets they live in still exist; their
    // names go with the window's names below.
    for (auto& [key, entry] : w.CollObj) {
        (void)key;
        if (QelObj* plugin = AsPlugin(entry.object.get())) plugin->plugin.reset();
    }
    for (auto& [kind, array] : w.arrays) {
        for (auto& object : array) {
            if (object) {
                object->unloaded = true;
                handlerCache.erase(object.get());
            }
        }
    }
    if (available(engine)) widgets(engine).destroy(w.widget);
    w.arrays.clear();
    w.CollObj.clear();
    w.unloaded = true;
    namesChanged();
    handlerCache.erase(&w);
    loadedWindows.erase(std::remove_if(loadedWindows.begin(), loadedWindows.end(),
                                       [&](const auto& p) { return p.get() == &w; }),
                        loadedWindows.end());
}

void ObjectModel::CloseWindow(Engine& engine, const std::shared_ptr<QelWindow>& w) {
    if (!w || w->unloaded) return;
    // Closing the last script window (only the main window stays loaded)
    // ends the run, as closing the application's window would.
    const bool last = loadedWindows.size() <= 2;
    if (last && engine.engineStatus != EngineStatus::Idle) engine.stopRequested = true;
    if (w->isMain) {
        // The main window is the engine's own: it is hidden, not unloaded, so
        // that its controls' names stay valid for the rest of the run.
        widgets(engine).set(w->widget, WidgetValue::Visible, 0.0);
        return;
    }
    auto it = GlobalRegistry.find(nameKey(w->WindowName.empty() ? w->WindowType : w->WindowName));
    if (it != GlobalRegistry.end() && it->second == w) GlobalRegistry.erase(it);
    namesChanged();
    releaseWindow(engine, *w);
    if (CurrentWindow.lock() == nullptr || CurrentWindow.lock() == w) CurrentWindow = mainWindow;
    auto container = CurrentContainer.lock();
    if (!container || container->unloaded || container->window == w.get())
        CurrentContainer = CurrentWindow;
}

void ObjectModel::swapWidget(Engine& engine, ScriptObject& object, WidgetKind to) {
    if (object.widgetKind == to || !object.window) return;
    WidgetPort& port = widgets(engine);
    WidgetId parent = port.parentOf(object.widget);
    WidgetId fresh = port.createControl(to, parent == kNoWidget ? object.window->widget : parent);
    if (fresh == kNoWidget) return;
    static constexpr WidgetValue kKept[] = {
        WidgetValue::Left,      WidgetValue::Top,        WidgetValue::Width,
        WidgetValue::Height,    WidgetValue::Caption,    WidgetValue::Text,
        WidgetValue::ToolTip,   WidgetValue::BackColour, WidgetValue::ForeColour,
        WidgetValue::FontName,  WidgetValue::FontSize,   WidgetValue::FontCharset,
        WidgetValue::Bold,      WidgetValue::Italic,     WidgetValue::Underline,
        WidgetValue::StrikeOut, WidgetValue::Visible,    WidgetValue::Enabled,
        WidgetValue::MaxLength, WidgetValue::ReadOnly,   WidgetValue::Default,
        WidgetValue::Cancel,    WidgetValue::TabIndex,   WidgetValue::Pointer,
    };
    copyValues(port, object.widget, fresh, kKept);
    port.nameWidget(fresh, NameOfObject(object));
    port.destroy(object.widget);
    object.widget = fresh;
    object.widgetKind = to;
}

}  // namespace qel::ui
