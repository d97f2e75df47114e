// The way in to the properties: splitting a target into object and property,
// converting the value, choosing the object's handler (cached), and the
// shared value helpers of the families.
#include <array>
#include <cmath>
#include <unordered_map>

#include "text/brackets.h"
#include "ui/plugin_objects.h"
#include "ui/property_support.h"
#include "ui/rich.h"
#include "ui/special_objects.h"

namespace qel::ui {

namespace {

// Objects whose properties belong to parts of the runtime that are not here
// yet; they say so rather than being taken for variables.
// (The media objects are answered by the library before it comes here.)
constexpr TextView kSpecialObjects[] = {u"メニュー", u"タスクトレイ", u"呼び出し元"};

bool isSpecialObject(TextView name) {
    for (TextView special : kSpecialObjects) {
        if (nameKey(name) == nameKey(special)) return true;
    }
    return false;
}

// The object part of a target that names nothing: the text before its last の.
TextView objectPart(TextView target) {
    std::size_t of = target.rfind(u'の');
    return of == TextView::npos ? target : target.substr(0, of);
}

// A plug-in's own properties come first. A name it does not know goes on to
// the picture that hosts a control plug-in; a plug-in without a control has
// nothing else to offer.
bool setPluginProperty(Engine& engine, ObjectModel& model, QelObj& plugin, const Text& name,
                       const Text& value) {
    PluginAnswer answer = plugin.SetData(name, value);
    if (answer.status == PluginStatus::Handled) return true;
    if (answer.status == PluginStatus::Failed) {
        ReportPluginFailure(engine, answer.text);
        return true;
    }
    if (plugin.widget != kNoWidget) return false;
    engine.Report(ErrorId::NoSuchSetting,
                  u"「" + model.NameOfObject(plugin) + u"」に「" + name + u"」");
    return true;
}

// A read with arguments asks the plug-in's function first; "True" from it
// means "not mine", as a handled call never answers that.
std::optional<Text> pluginProperty(Engine& engine, ObjectModel& model, QelObj& plugin,
                                   const Text& name, TextView arguments) {
    Text full = name;
    if (!arguments.empty()) {
        PluginAnswer answer = plugin.RunFunc(name, arguments);
        if (answer.status == PluginStatus::Handled && answer.text != u"True") return answer.text;
        if (answer.status == PluginStatus::Failed) {
            ReportPluginFailure(engine, answer.text);
            return Text();
        }
        full += u"（" + Text(arguments) + u"）";
    }
    PluginAnswer answer = plugin.GetData(full);
    if (answer.status == PluginStatus::Handled) return answer.text;
    if (answer.status == PluginStatus::Failed) {
        ReportPluginFailure(engine, answer.text);
        return Text();
    }
    if (plugin.widget != kNoWidget) return std::nullopt;
    engine.Report(ErrorId::NoSuchSetting,
                  u"「" + model.NameOfObject(plugin) + u"」に「" + full + u"」");
    return Text();
}

const PropertyHandler* handlerByType(const ScriptObject& object) {
    static const std::array kWindow{&kWindowProperties, &kCommonProperties};
    static const std::array kButton{&kButtonProperties, &kCommonProperties};
    static const std::array kText{&kCommonProperties, &kTextProperties};
    static const std::array kRichText{&kCommonProperties, &kRichTextProperties, &kTextProperties};
    static const std::array kPicture{&kCommonProperties, &kPictureProperties};
    static const std::array kList{&kCommonProperties, &kListProperties};
    static const std::array kScroll{&kCommonProperties, &kScrollProperties};
    static const std::array kCheck{&kCommonProperties, &kCheckProperties};
    static const std::array kImage{&kCommonProperties, &kImageProperties};
    static const std::array kTimer{&kTimerProperties, &kCommonProperties};
    static const std::array kLabel{&kCommonProperties, &kLabelProperties};
    static const std::array kFrame{&kCommonProperties};
    static const std::array kShape{&kShapeProperties, &kCommonProperties};
    static const std::array kFolder{&kCommonProperties, &kFolderListProperties};
    static const std::array kDrive{&kCommonProperties, &kDriveListProperties};
    static const std::array kPrinter{&kPrinterProperties};
    static const std::array kDriveObject{&kDriveProperties};
    static const PropertyHandler window{kWindow}, button{kButton}, text{kText}, picture{kPicture},
        list{kList}, scroll{kScroll}, check{kCheck}, image{kImage}, timer{kTimer}, label{kLabel},
        frame{kFrame}, shape{kShape}, richText{kRichText}, folder{kFolder}, drive{kDrive},
        printer{kPrinter}, driveObject{kDriveObject};
    switch (object.type) {
        case ObjectType::Window:
            return &window;
        case ObjectType::Printer:
            return &printer;
        case ObjectType::Drive:
            return &driveObject;
        case ObjectType::Control:
            break;
    }
    switch (object.kind->id) {
        case KindId::Button:
            return &button;
        case KindId::TextBox:
        case KindId::MultiLineText:
            return &text;
        case KindId::RichText:
            return &richText;
        case KindId::Picture:
            return &picture;
        case KindId::ListBox:
        case KindId::DropDownList:
        case KindId::DropDownCombo:
            return &list;
        case KindId::VScrollBar:
        case KindId::HScrollBar:
            return &scroll;
        case KindId::Check:
        case KindId::Option:
            return &check;
        case KindId::Image:
            return &image;
        case KindId::Timer:
            return &timer;
        case KindId::Label:
            return &label;
        case KindId::Frame:
        case KindId::Turtle:
            return &frame;
        case KindId::Shape:
        case KindId::Line:
            return &shape;
        case KindId::FolderList:
            return &folder;
        case KindId::DriveList:
            return &drive;
        case KindId::ListView:
        case KindId::TreeView:
        case KindId::Grid:
        case KindId::TabStrip:
        case KindId::ToolBar:
        case KindId::StatusBar:
        case KindId::Slider:
        case KindId::ProgressBar:
            // Their own names are asked first (richProperty); the rest are common.
            return &frame;
        default:
            return nullptr;
    }
}

// Value conversion: outer （） go; a value with a separator outside brackets
// stays a list for the handler; anything else is evaluated.
PropertyRequest requestFor(Engine& engine, TextView name, TextView value) {
    PropertyRequest request;
    request.name = Text(name);
    request.source = Text(value);
    TextView v = text::trimBlanks(value);
    if (v.size() >= 2 && v.front() == u'（' && v.back() == u'）') v = v.substr(1, v.size() - 2);
    if (text::findAnyOutside(v, u",、，", text::kArgumentBrackets) != TextView::npos) {
        request.text = Text(v);
        request.isList = true;
    } else {
        request.text = engine.EvalText(v);
    }
    if (auto n = number::parse(request.text)) {
        request.number = *n;
    } else {
        request.number = number::leadingNumber(text::toHalfWidth(request.text));
    }
    return request;
}

// A name the property words do not know may be a member of the widget
// itself: an ASCII name (full-width letters allowed) of letters, digits and
// "_", not starting with a digit. Empty for any other name.
std::string memberName(TextView name) {
    Text narrow = text::toHalfWidth(name);
    std::string member;
    for (char16_t c : narrow) {
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && !member.empty())) return {};
        member += char(c);
    }
    return member;
}

// The member a name reaches on this object, or empty.
std::string passedMember(Engine& engine, const ScriptObject& object, TextView name) {
    if (object.widget == kNoWidget) return {};
    std::string member = memberName(name);
    if (member.empty() || !ObjectModel::widgets(engine).hasMember(object.widget, member)) return {};
    return member;
}

// What a property target such as "ボタン1の幅" resolved to, for the next
// access of the same target: a statement in a loop resolves its object once.
// Only a control found by a registered name is remembered (no special name,
// no kind word with a number to evaluate, no window in the chain, which
// would change the current window), and only while the names and the current
// window are as they were; its life is checked on every access.
struct ResolvedTarget {
    Text target;  // as written
    std::uint64_t generation = 0;
    std::weak_ptr<QelWindow> window;  // the current window then
    std::weak_ptr<ScriptObject> object;
    Text property;  // the name after the owner, trimmed
    const PropertyFamily* family = nullptr;
    int id = 0;
};

}  // namespace

// A few targets are in use at a time; each is found by the address of the
// text it is written in (a statement's or an expression's, which stay put),
// and compared whole, so a text at an address used before is never mistaken.
struct ResolvedTargets {
    std::array<ResolvedTarget, 64> slots;

    ResolvedTarget& slotFor(TextView target) {
        const auto address = reinterpret_cast<std::uintptr_t>(target.data());
        return slots[((address >> 4) ^ (address >> 10)) % slots.size()];
    }
};

namespace {

bool sameObject(const std::weak_ptr<ScriptObject>& a, const std::shared_ptr<ScriptObject>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}
bool sameWindow(const std::weak_ptr<QelWindow>& a, const std::weak_ptr<QelWindow>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

// The remembered resolution of `target`, with ResolveObject's effect (the
// object becomes それ); null when there is none or it no longer holds.
const ResolvedTarget* rememberedTarget(Engine& engine, ObjectModel& model, TextView target,
                                       std::shared_ptr<ScriptObject>& object) {
    if (!model.resolvedTargets) return nullptr;
    const ResolvedTarget& slot = model.resolvedTargets->slotFor(target);
    if (slot.generation != model.namesGeneration() || TextView(slot.target) != target ||
        !sameWindow(slot.window, model.CurrentWindow) || slot.window.expired())
        return nullptr;
    object = slot.object.lock();
    // A rich control's own names come first: they take the ordinary way.
    if (!object || object->rich || !model.alive(*object, engine)) return nullptr;
    if (!sameObject(model.LastObject, object)) model.LastObject = object;
    return &slot;
}

void rememberTarget(ObjectModel& model, TextView target,
                    const std::shared_ptr<ScriptObject>& object, const Text& property,
                    const std::pair<const PropertyFamily*, int>& found) {
    if (!model.resolvedTargets) model.resolvedTargets = std::make_shared<ResolvedTargets>();
    ResolvedTarget& slot = model.resolvedTargets->slotFor(target);
    slot.target.assign(target);
    slot.generation = model.namesGeneration();
    slot.window = model.CurrentWindow;
    slot.object = object;
    slot.property = property;
    slot.family = found.first;
    slot.id = found.second;
}

}  // namespace

const PropertyHandler* handlerOf(ObjectModel& model, const ScriptObject& object) {
    auto it = model.handlerCache.find(&object);
    if (it != model.handlerCache.end()) return static_cast<const PropertyHandler*>(it->second);
    const PropertyHandler* handler = handlerByType(object);
    model.handlerCache.emplace(&object, handler);
    return handler;
}

std::optional<std::pair<const PropertyFamily*, int>> findProperty(const PropertyHandler& handler,
                                                                  TextView name) {
    // A name as written finds the same property every time: scripts write a
    // few spellings again and again, so those are remembered (up to a bound,
    // as a script could make up any number of names) and folded only once.
    using Found = std::pair<const PropertyFamily*, int>;
    static std::unordered_map<const PropertyHandler*, std::unordered_map<Text, Found>> spelled;
    auto& known = spelled[&handler];
    if (auto hit = known.find(Text(name)); hit != known.end()) return hit->second;
    // Each family's names are indexed once by their key.
    static std::unordered_map<const PropertyFamily*, std::unordered_map<Text, int>> indexes;
    Text key = nameKey(name);
    for (const PropertyFamily* family : handler.families) {
        auto& index = indexes[family];
        if (index.empty()) {
            for (const PropertyName& row : family->names) index.emplace(nameKey(row.name), row.id);
        }
        auto it = index.find(key);
        if (it != index.end()) {
            if (known.size() < 4096) known.emplace(Text(name), Found{family, it->second});
            return Found{family, it->second};
        }
    }
    return std::nullopt;
}

namespace {

SetOutcome setProperty(Engine& engine, ObjectModel& model, ScriptObject& object, const Text& name,
                       TextView value, const std::pair<const PropertyFamily*, int>& found) {
    PropertyRequest request = requestFor(engine, name, value);
    PropertyResult result;
    PropertyContext context{engine, model, object, PropertyMode::Set, request, result};
    found.first->apply(context, found.second);
    if (result.notWritable) engine.Report(ErrorId::ReadOnlyProperty, name);
    return SetOutcome::Done;
}

}  // namespace

SetOutcome SetProperty(Engine& engine, ObjectModel& model, TextView target, TextView value,
                       bool quiet) {
    std::shared_ptr<ScriptObject> object;
    if (const ResolvedTarget* known = rememberedTarget(engine, model, target, object)) {
        // Copied: the value's evaluation may run script code that reuses the slot.
        const Text name = known->property;
        return setProperty(engine, model, *object, name, value, {known->family, known->id});
    }
    if (SpecialObjectProperty(engine, model, target, &value)) return SetOutcome::Done;
    std::size_t at = 0;
    bool byName = false;
    object = model.ResolveObject(engine, target, true, &at, &byName);
    if (!object) {
        TextView part = text::trimBlanks(objectPart(target));
        if (isSpecialObject(part)) {
            engine.Report(ErrorId::NotBuiltYet, part);
            return SetOutcome::Done;
        }
        if (quiet) return SetOutcome::NotAProperty;
        engine.Report(ErrorId::ObjectNotFound, part.empty() ? target : part);
        return SetOutcome::Done;
    }
    Text name(text::trimBlanks(target.substr(std::min(at, target.size()))));
    if (name.empty()) {
        if (quiet) return SetOutcome::NotAProperty;
        engine.Report(ErrorId::NoSuchSetting, u"「" + model.NameOfObject(*object) + u"」に「」");
        return SetOutcome::Done;
    }
    std::optional<PropertyRequest> evaluated;
    if (QelObj* plugin = AsPlugin(object.get())) {
        evaluated = requestFor(engine, name, value);
        if (setPluginProperty(engine, model, *plugin, name, evaluated->text))
            return SetOutcome::Done;
    }
    if (object->rich && model.alive(*object, engine)) {
        // A rich control's own names (and its sub-item chains) come first.
        evaluated = requestFor(engine, name, value);
        PropertyResult result;
        PropertyContext context{engine, model, *object, PropertyMode::Set, *evaluated, result};
        if (richProperty(context)) {
            if (result.notWritable) engine.Report(ErrorId::ReadOnlyProperty, name);
            return SetOutcome::Done;
        }
    }
    const PropertyHandler* handler = handlerOf(model, *object);
    auto found = handler ? findProperty(*handler, name) : std::nullopt;
    if (!found) {
        if (std::string member = passedMember(engine, *object, name); !member.empty()) {
            PropertyRequest request = evaluated ? *evaluated : requestFor(engine, name, value);
            if (!ObjectModel::widgets(engine).setMember(object->widget, member, request.text))
                engine.Report(ErrorId::ValueNotRight, name + u"（" + request.text + u"）");
            return SetOutcome::Done;
        }
        if (quiet) return SetOutcome::NotAProperty;
        engine.Report(ErrorId::NoSuchSetting,
                      u"「" + model.NameOfObject(*object) + u"」に「" + name + u"」");
        return SetOutcome::Done;
    }
    if (!model.alive(*object, engine)) {
        engine.Report(ErrorId::ObjectNotFound, model.NameOfObject(*object));
        return SetOutcome::Done;
    }
    if (evaluated) {
        PropertyResult result;
        PropertyContext context{engine, model, *object, PropertyMode::Set, *evaluated, result};
        found->first->apply(context, found->second);
        if (result.notWritable) engine.Report(ErrorId::ReadOnlyProperty, name);
        return SetOutcome::Done;
    }
    if (byName && !object->rich) rememberTarget(model, target, object, name, *found);
    return setProperty(engine, model, *object, name, value, *found);
}

namespace {

std::optional<Text> getProperty(Engine& engine, ObjectModel& model, ScriptObject& object,
                                const Text& name,
                                const std::pair<const PropertyFamily*, int>& found) {
    PropertyRequest request;
    request.name = name;
    PropertyResult result;
    PropertyContext context{engine, model, object, PropertyMode::Get, request, result};
    found.first->apply(context, found.second);
    if (result.notReadable) {
        engine.Report(ErrorId::WriteOnlyProperty, name);
        return Text();
    }
    return std::move(result.value);
}

}  // namespace

std::optional<Text> GetProperty(Engine& engine, ObjectModel& model, TextView target,
                                TextView arguments, bool quiet) {
    std::shared_ptr<ScriptObject> object;
    if (arguments.empty()) {
        if (const ResolvedTarget* known = rememberedTarget(engine, model, target, object))
            return getProperty(engine, model, *object, known->property, {known->family, known->id});
    }
    if (auto special = SpecialObjectProperty(engine, model, target, nullptr)) return special;
    std::size_t at = 0;
    bool byName = false;
    object = model.ResolveObject(engine, target, true, &at, &byName);
    if (!object) {
        TextView part = text::trimBlanks(objectPart(target));
        if (part.size() < target.size() && isSpecialObject(part)) {
            engine.Report(ErrorId::NotBuiltYet, part);
            return Text();
        }
        if (!quiet) engine.Report(ErrorId::ObjectNotFound, part.empty() ? target : part);
        return std::nullopt;
    }
    Text name(text::trimBlanks(target.substr(std::min(at, target.size()))));
    if (name.empty()) return std::nullopt;
    if (QelObj* plugin = AsPlugin(object.get())) {
        if (auto value = pluginProperty(engine, model, *plugin, name, arguments)) return value;
    }
    if (!arguments.empty()) name += u"（" + Text(arguments) + u"）";
    if (object->rich && model.alive(*object, engine)) {
        PropertyRequest request;
        request.name = name;
        PropertyResult result;
        PropertyContext context{engine, model, *object, PropertyMode::Get, request, result};
        if (richProperty(context)) {
            if (result.notReadable) engine.Report(ErrorId::WriteOnlyProperty, name);
            return result.value;
        }
    }
    const PropertyHandler* handler = handlerOf(model, *object);
    auto found = handler ? findProperty(*handler, name) : std::nullopt;
    if (!found) {
        if (std::string member = passedMember(engine, *object, name); !member.empty()) {
            auto data = ObjectModel::widgets(engine).member(object->widget, member);
            if (!data) return Text();
            if (const Text* t = std::get_if<Text>(&*data)) return *t;
            return number::format(std::get<double>(*data));
        }
        if (quiet) return std::nullopt;
        engine.Report(ErrorId::NoSuchSetting,
                      u"「" + model.NameOfObject(*object) + u"」に「" + name + u"」");
        return Text();
    }
    if (!model.alive(*object, engine)) {
        engine.Report(ErrorId::ObjectNotFound, model.NameOfObject(*object));
        return Text();
    }
    if (byName && !object->rich && arguments.empty() && !AsPlugin(object.get()))
        rememberTarget(model, target, object, name, *found);
    return getProperty(engine, model, *object, name, *found);
}

// ---- shared helpers ---------------------------------------------------------------------

double widgetNumber(PropertyContext& c, WidgetValue value) {
    auto data = port(c).get(c.object.widget, value);
    if (!data) return 0;
    if (const double* d = std::get_if<double>(&*data)) return *d;
    return number::toNumber(std::get<Text>(*data));
}

Text widgetText(PropertyContext& c, WidgetValue value) {
    auto data = port(c).get(c.object.widget, value);
    if (!data) return {};
    if (const Text* t = std::get_if<Text>(&*data)) return *t;
    return number::format(std::get<double>(*data));
}

void reportBadValue(PropertyContext& c) {
    c.engine.Report(ErrorId::ValueNotRight, c.request.name + u"（" + c.request.text + u"）");
}

void numberValue(PropertyContext& c, WidgetValue value) {
    if (c.getting()) {
        c.result.value = number::format(widgetNumber(c, value));
    } else if (!port(c).set(c.object.widget, value, c.request.number)) {
        reportBadValue(c);
    }
}

void switchValue(PropertyContext& c, WidgetValue value) {
    if (c.getting()) {
        c.result.value = widgetNumber(c, value) != 0 ? u"1" : u"0";
    } else if (!port(c).set(c.object.widget, value, c.request.number != 0 ? 1.0 : 0.0)) {
        reportBadValue(c);
    }
}

void smoothingValue(PropertyContext& c) {
    Canvas* canvas = port(c).canvas(c.object.widget);
    if (c.getting()) {
        c.result.value = canvas && canvas->antialiasing() ? u"1" : u"0";
    } else if (canvas) {
        canvas->setAntialiasing(c.request.number != 0);
    }
}

void textValue(PropertyContext& c, WidgetValue value) {
    if (c.getting()) {
        c.result.value = widgetText(c, value);
    } else if (!port(c).set(c.object.widget, value, c.request.text)) {
        reportBadValue(c);
    }
}

void colourValue(PropertyContext& c, WidgetValue value) {
    if (c.getting()) {
        auto rgb = std::uint32_t(widgetNumber(c, value));
        c.result.value = number::format(double(fromRgb(rgb)));
        return;
    }
    auto colour = ColourValue(c.engine, c.request.text);
    if (!colour) {
        c.engine.Report(ErrorId::ColourUnreadable, c.request.text);
        return;
    }
    port(c).set(c.object.widget, value, double(toRgb(*colour)));
}

std::optional<int> wordNumber(PropertyContext& c, std::initializer_list<TextView> words) {
    int i = 0;
    Text key = nameKey(c.request.text);
    for (TextView word : words) {
        if (nameKey(word) == key) return i;
        ++i;
    }
    if (auto n = number::parse(text::toHalfWidth(c.request.text))) {
        if (*n >= 0 && *n < double(words.size()) && *n == std::floor(*n)) return int(*n);
    }
    reportBadValue(c);
    return std::nullopt;
}

void wordValue(PropertyContext& c, WidgetValue value, std::initializer_list<TextView> words) {
    if (c.getting()) {
        int n = int(widgetNumber(c, value));
        c.result.value =
            n >= 0 && n < int(words.size()) ? Text(words.begin()[n]) : number::format(double(n));
        return;
    }
    if (auto n = wordNumber(c, words)) port(c).set(c.object.widget, value, double(*n));
}

void readOnly(PropertyContext& c, const Text& value) {
    if (c.getting()) {
        c.result.value = value;
    } else {
        c.result.notWritable = true;
    }
}

void setOnly(PropertyContext& c) {
    c.result.notReadable = true;
}

std::vector<Text> listParts(PropertyContext& c) {
    std::vector<Text> parts;
    TextView all = c.request.text;
    std::size_t start = 0;
    while (true) {
        std::size_t cut =
            text::findAnyOutside(all.substr(start), u",、，", text::kArgumentBrackets);
        TextView part = text::trimBlanks(all.substr(start, cut));
        parts.push_back(c.request.isList ? c.engine.EvalText(part) : Text(part));
        if (cut == TextView::npos) break;
        start += cut + 1;
    }
    return parts;
}

double unitScale(PropertyContext& c, const ScriptObject& object) {
    if (!object.window || object.isWindow()) return 1;
    // Every position and size access asks: the key is made once, and the
    // screen is asked only for a unit that needs it.
    static const Text kUnitKey = nameKey(u"座標");
    const Text* unit = object.window->propAtKey(kUnitKey);
    if (!unit || unit->empty()) return 1;
    if (*unit == u"印刷用") return port(c).screenDpi() / 72;
    if (*unit == u"ミリメートル") return port(c).screenDpi() / 25.4;
    if (*unit == u"センチメートル") return port(c).screenDpi() / 2.54;
    return 1;
}

}  // namespace qel::ui
