#include "ui/plugin_objects.h"

#include "core/engine.h"
#include "text/number.h"

namespace qel::ui {

namespace {

PluginPort* portOf(Engine& engine) {
    return engine.platform.plugins.get();
}

// A plug-in name and the class it names: "library.class", or a library
// alone (its first class). The whole name is tried as a library first, so
// that "libsample.so" and "./tool.py" are libraries, not classes.
struct LoadedName {
    std::shared_ptr<PluginModule> module;
    Text className;
};

LoadedName loadNamed(Engine& engine, TextView written, PluginResult& result) {
    PluginPort* port = portOf(engine);
    if (!port) {
        result = {PluginFault::NotFound, {}};
        return {};
    }
    const std::string whole = text::toUtf8(written);
    if (auto module = port->load(whole, result)) return {module, {}};
    if (result.fault != PluginFault::NotFound) return {};
    std::size_t dot = written.rfind(u'.');
    if (dot == TextView::npos || dot == 0 || dot + 1 == written.size()) return {};
    PluginResult second;
    auto module = port->load(text::toUtf8(written.substr(0, dot)), second);
    if (!module) {
        if (second.fault != PluginFault::NotFound) result = second;
        return {};
    }
    result = {};
    return {module, Text(written.substr(dot + 1))};
}

// Reports why a plug-in name gave nothing: 606 not found, 607 not a plug-in,
// 603 no such class.
void reportLoadFailure(Engine& engine, TextView name, const PluginResult& result) {
    switch (result.fault) {
        case PluginFault::NotFound:
            engine.Report(ErrorId::PluginNotFound, name);
            break;
        case PluginFault::NotAPlugin:
            engine.Report(ErrorId::NotAPlugin, name);
            break;
        default:
            engine.Report(ErrorId::PluginUnavailable, name);
            break;
    }
}

const PluginClassInfo* findClass(const PluginModule& module, TextView className) {
    for (const PluginClassInfo& c : module.classes()) {
        if (className.empty() ? c.kindWord.empty() : text::equalsFolded(c.name, className))
            return &c;
    }
    return nullptr;
}

bool allowed(ObjectModel& model, Engine& engine) {
    return !model.pluginAllowed || model.pluginAllowed(engine);
}

Text classIdOf(TextView library, TextView className) {
    return Text(library) + u"." + Text(className);
}

}  // namespace

QelObj* AsPlugin(ScriptObject* object) {
    return dynamic_cast<QelObj*>(object);
}

bool LooksLikePluginName(const ObjectModel& model, TextView name) {
    TextView trimmed = text::trimBlanks(name);
    if (trimmed.empty() || kindOfName(trimmed) || windowKindOfName(trimmed)) return false;
    if (trimmed.starts_with(u"メニュー") || trimmed.starts_with(u"サブメニュー")) return false;
    std::size_t end = trimmed.size();
    while (end > 0 && ((trimmed[end - 1] >= u'0' && trimmed[end - 1] <= u'9') ||
                       (trimmed[end - 1] >= u'０' && trimmed[end - 1] <= u'９')))
        --end;
    return end == trimmed.size() || !model.PluginKinds.count(nameKey(trimmed.substr(0, end)));
}

void ReportPluginFailure(Engine& engine, TextView why) {
    engine.Report(ErrorId::PluginUnavailable, why);
}

bool QelObj::MakeControlObj(Engine& engine, QelWindow& w, TextView classIdentifier) {
    classId = Text(classIdentifier);
    PluginResult result;
    LoadedName loaded = loadNamed(engine, classIdentifier, result);
    if (!loaded.module) {
        reportLoadFailure(engine, classIdentifier, result);
        return false;
    }
    const PluginClassInfo* info = findClass(*loaded.module, loaded.className);
    if (!info) {
        engine.Report(ErrorId::PluginUnavailable, classIdentifier);
        return false;
    }
    if (info->kindWord.empty()) {
        engine.Report(ErrorId::PluginNotAControl);
        return false;
    }
    plugin = loaded.module->create(info->name, result);
    if (!plugin) {
        ReportPluginFailure(engine, classIdentifier);
        return false;
    }
    WidgetPort& port = ObjectModel::widgets(engine);
    widget = port.createControl(WidgetKind::Picture, w.widget);
    widgetKind = WidgetKind::Picture;
    const WidgetSize size = defaultWidgetSize(WidgetKind::Picture);
    // The script runs on the thread that owns the toolkit's widgets (the
    // desktop host makes its application there), so the plug-in may make its
    // widgets as children of the picture from this call.
    PluginAnswer made = plugin->makeControl(port.nativeToolkit(), port.nativeWidget(widget),
                                            size.width, size.height);
    if (made.status == PluginStatus::Failed) {
        ReportPluginFailure(engine, made.text);
        plugin.reset();
        port.destroy(widget);
        widget = kNoWidget;
        return false;
    }
    return true;
}

PluginAnswer QelObj::SetData(TextView name, TextView value) {
    return plugin ? plugin->setData(name, value) : PluginAnswer{};
}

PluginAnswer QelObj::RunCmd(TextView verb, TextView argument) {
    return plugin ? plugin->runCmd(verb, argument) : PluginAnswer{};
}

PluginAnswer QelObj::RunFunc(TextView name, TextView arguments) {
    return plugin ? plugin->runFunc(name, arguments) : PluginAnswer{};
}

PluginAnswer QelObj::GetData(TextView name) {
    return plugin ? plugin->getData(name) : PluginAnswer{};
}

std::shared_ptr<ScriptObject> ObjectModel::UsePlugin(Engine& engine, TextView name, TextView alias,
                                                     bool& notPlugin) {
    notPlugin = false;
    if (!allowed(*this, engine)) return nullptr;
    Text written(text::trimBlanks(name));
    PluginResult result;
    LoadedName loaded = loadNamed(engine, written, result);
    if (!loaded.module && result.fault == PluginFault::NotFound &&
        written.find_first_of(u"./") == Text::npos) {
        notPlugin = true;
        return nullptr;
    }
    if (!loaded.module) {
        reportLoadFailure(engine, written, result);
        return nullptr;
    }
    Text library = loaded.className.empty()
                       ? written
                       : written.substr(0, written.size() - loaded.className.size() - 1);
    // Every control class of the library can now be made by its kind word.
    for (const PluginClassInfo& c : loaded.module->classes()) {
        if (!c.kindWord.empty()) PluginKinds[nameKey(c.kindWord)] = classIdOf(library, c.name);
    }
    const PluginClassInfo* info = findClass(*loaded.module, loaded.className);
    if (!info) {
        if (!loaded.className.empty()) engine.Report(ErrorId::PluginUnavailable, written);
        return nullptr;
    }
    if (!info->kindWord.empty()) return nullptr;  // a control class: declared only
    // 使う again with the same alias reaches the object already made.
    if (auto same = findPlugin(engine, alias.empty() ? info->name : alias);
        same && same->classId == classIdOf(library, info->name)) {
        LastObject = same;
        return same;
    }
    auto object = std::make_shared<QelObj>();
    object->plugin = loaded.module->create(info->name, result);
    if (!object->plugin) {
        engine.Report(ErrorId::PluginUnavailable, written);
        return nullptr;
    }
    auto w = currentWindow(engine);
    object->type = ObjectType::Control;
    object->kind = &kindRow(KindId::Picture);
    object->window = w.get();
    object->index = -1;  // in no kind's array
    object->classId = classIdOf(library, info->name);
    object->QelObName = alias.empty() ? info->name : Text(alias);
    RegisterObject(*w, object, object->QelObName);
    LastObject = object;
    return object;
}

std::shared_ptr<ScriptObject> ObjectModel::NewPluginControl(Engine& engine, QelWindow& w,
                                                            const Text& objName, TextView alias,
                                                            Text& result, const Text& classId) {
    std::shared_ptr<ScriptObject> object = findByName(&w, objName);
    if (object && object->window != &w) object = nullptr;
    if (!object) {
        if (!allowed(*this, engine)) return nullptr;
        auto made = std::make_shared<QelObj>();
        made->type = ObjectType::Control;
        made->kind = &kindRow(KindId::Picture);
        made->window = &w;
        made->index = -1;  // in no kind's array
        made->QelObName = objName;
        if (!made->MakeControlObj(engine, w, classId)) return nullptr;
        object = made;
    }
    WidgetPort& port = widgets(engine);
    port.set(object->widget, WidgetValue::Left, w.currentX);
    port.set(object->widget, WidgetValue::Top, w.currentY);
    LastObject = object;
    result = alias.empty() ? objName : Text(alias);
    return object;
}

std::shared_ptr<QelObj> ObjectModel::findPlugin(Engine& engine, TextView name) {
    TextView trimmed = text::trimBlanks(name);
    if (trimmed.empty()) return nullptr;
    auto w = currentWindow(engine);
    auto found = findByName(w.get(), trimmed);
    if (!found || !AsPlugin(found.get())) return nullptr;
    return std::static_pointer_cast<QelObj>(found);
}

// The main window outlives the run, so the plug-in objects and controls on
// it are taken out of it here, names and all, as the kinds they declared.
void ObjectModel::ReleasePlugins(Engine& engine) {
    for (const auto& w : loadedWindows) {
        for (auto it = w->CollObj.begin(); it != w->CollObj.end();) {
            QelObj* p = AsPlugin(it->second.object.get());
            if (!p) {
                ++it;
                continue;
            }
            p->plugin.reset();
            if (p->widget != kNoWidget && available(engine)) widgets(engine).destroy(p->widget);
            p->unloaded = true;
            handlerCache.erase(p);
            it = w->CollObj.erase(it);
            namesChanged();
        }
    }
    PluginKinds.clear();
    if (PluginPort* port = portOf(engine)) port->release();
}

}  // namespace qel::ui
