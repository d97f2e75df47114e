#include "library/graphics/graphics.h"
#include "library/objects/objects.h"

#include "core/parser.h"
#include "library/registry/standard_library.h"
#include "text/number.h"
#include "ui/events.h"
#include "ui/find_replace.h"
#include "ui/plugin_objects.h"
#include "ui/properties.h"
#include "ui/rich.h"
#include "ui/tray.h"

namespace qel {

namespace {

// An argument as the name it gives: a quoted or computed text is evaluated,
// a bare word is the name itself (ボタン1を消す).
Text nameArgument(Engine& engine, TextView written) {
    TextView t = text::trimBlanks(written);
    if (t.empty()) return {};
    if (t.front() == u'「' || t.find(u'＆') != TextView::npos || t.find(u'［') != TextView::npos)
        return engine.EvalText(t);
    if (engine.FindVariable(t)) return engine.EvalText(t);
    return Text(t);
}

bool widgetsReady(Engine& engine) {
    if (ui::ObjectModel::available(engine)) return true;
    engine.Report(ErrorId::NotBuiltYet, u"ウィンドウ");
    return false;
}

std::shared_ptr<ui::ScriptObject> resolve(Engine& engine, TextView written, bool quiet) {
    if (!widgetsReady(engine)) return nullptr;
    return objectModel(engine).ResolveObject(engine, nameArgument(engine, written), quiet);
}

// The object a command names, or the current window when it names none.
std::shared_ptr<ui::ScriptObject> namedOrCurrent(Engine& engine, TextView written) {
    if (!widgetsReady(engine)) return nullptr;
    if (text::trimBlanks(written).empty()) return objectModel(engine).currentWindow(engine);
    return resolve(engine, written, false);
}

WidgetPort& widgets(Engine& engine) {
    return ui::ObjectModel::widgets(engine);
}

bool isListKind(const ui::ScriptObject& o) {
    if (o.type != ui::ObjectType::Control) return false;
    auto id = o.kind->id;
    return id == ui::KindId::ListBox || id == ui::KindId::DropDownList ||
           id == ui::KindId::DropDownCombo;
}

void showObject(Engine& engine, ui::ScriptObject& object, const ShowOptions& options) {
    WidgetPort& port = widgets(engine);
    if (object.isWindow()) {
        port.show(object.widget, options);
        engine.ui().pumpEvents();
    } else {
        port.set(object.widget, WidgetValue::Visible, 1.0);
    }
}

}  // namespace

ui::ObjectModel& objectModel(Engine& engine) {
    return libraryOf(engine).objects();
}

// 作れ for every name that is not a file operation.
void cmdCreateObject(StatementRecord& record, Engine& engine) {
    if (!widgetsReady(engine)) return;
    Text name = nameArgument(engine, Args(record).woArg);
    Text alias = engine.EvalText(AskParticle(record, u"として"));
    bool notPlugin = true;
    if (ui::LooksLikePluginName(objectModel(engine), name))
        objectModel(engine).UsePlugin(engine, name, alias, notPlugin);
    if (!notPlugin) return;
    auto object = objectModel(engine).CreateObject(engine, name, alias, true);
    if (ui::QelObj* plugin = ui::AsPlugin(object.get()); plugin && !alias.empty())
        plugin->QelObName = alias;
}

void cmdUse(StatementRecord& record, Engine& engine) {
    if (!widgetsReady(engine)) return;
    Text name = nameArgument(engine, Args(record).woArg);
    ui::ObjectModel& model = objectModel(engine);
    if (model.ResolveObject(engine, name, true)) return;  // it is LastObject now
    Text alias = engine.EvalText(AskParticle(record, u"として"));
    bool notPlugin = true;
    if (ui::LooksLikePluginName(model, name)) model.UsePlugin(engine, name, alias, notPlugin);
    if (!notPlugin) return;
    model.CreateObject(engine, name, alias, false);
}

void cmdClose(StatementRecord& record, Engine& engine) {
    auto object = namedOrCurrent(engine, Args(record).woArg);
    if (!object) return;
    if (!object->isWindow()) {
        engine.Report(ErrorId::WindowNotFound, objectModel(engine).NameOfObject(*object));
        return;
    }
    // The window's "を閉じる" runs first; 閉じない there cannot keep it open.
    ui::Events(engine, objectModel(engine))
        .closeWindow(std::static_pointer_cast<ui::QelWindow>(object), false);
    engine.ui().pumpEvents();
}

// Inside a window's close event the script may keep the window open; the
// flag is read when the event dispatch closes a window the user closed.
void cmdRefuseClose(StatementRecord&, Engine& engine) {
    if (!widgetsReady(engine)) return;
    objectModel(engine).currentWindow(engine)->closeRefused = true;
}

void cmdFocus(StatementRecord& record, Engine& engine) {
    if (auto object = resolve(engine, Args(record).woArg, false))
        widgets(engine).focus(object->widget);
}

void cmdBringToFront(StatementRecord& record, Engine& engine) {
    if (auto object = resolve(engine, Args(record).woArg, true))
        widgets(engine).raise(object->widget);
}

// 「ウィンドウ２」をアクティブ: the window comes to the front and takes the
// keyboard; a control named brings its window and takes the keyboard itself.
void cmdActivate(StatementRecord& record, Engine& engine) {
    auto object = resolve(engine, Args(record).woArg, false);
    if (!object) return;
    const WidgetId window =
        object->isWindow() || !object->window ? object->widget : object->window->widget;
    widgets(engine).raise(window);
    widgets(engine).focus(object->widget);
    // The desktop activates a window by a message of its own: it is let run,
    // so the next statement reads the window as the active one.
    engine.ui().pumpEvents();
}

void cmdSendToBack(StatementRecord& record, Engine& engine) {
    if (auto object = resolve(engine, Args(record).woArg, true))
        widgets(engine).lower(object->widget);
}

void cmdRepaint(StatementRecord& record, Engine& engine) {
    if (auto object = namedOrCurrent(engine, Args(record).woArg))
        widgets(engine).repaint(object->widget);
}

void cmdAbout(StatementRecord& record, Engine& engine) {
    // 「ボタン1」について (the object before に) or 「ボタン1」をついて.
    TextView written = Args(record).heArg.empty() ? Args(record).woArg : Args(record).heArg;
    auto object = resolve(engine, written, false);
    if (!object) return;
    ui::ObjectModel& model = objectModel(engine);
    model.PreviousTopicObject = model.TopicObject;
    model.TopicObject = object;
    model.topicActive = true;
}

void cmdAboutEnd(StatementRecord&, Engine& engine) {
    if (!widgetsReady(engine)) return;
    ui::ObjectModel& model = objectModel(engine);
    if (!model.topicActive) {
        engine.Report(ErrorId::TopicNotInUse);
        return;
    }
    model.TopicObject = model.PreviousTopicObject;
    model.PreviousTopicObject.reset();
    model.topicActive = !model.TopicObject.expired();
}

void cmdStartMove(StatementRecord& record, Engine& engine) {
    auto object = namedOrCurrent(engine, Args(record).woArg);
    if (object && object->isWindow()) widgets(engine).startMove(object->widget);
}

// 「X」を常に手前 and 「X」を常に手前にしない.
void cmdStayOnTop(StatementRecord& record, Engine& engine) {
    const bool off = text::contains(Args(record).head, u"しない");
    TextView where = text::trimBlanks(Args(record).heArg);
    if (!text::startsWith(where, u"常") && !text::startsWith(where, u"つね")) {
        engine.Report(ErrorId::UnknownCommand, record.source);
        return;
    }
    auto object = namedOrCurrent(engine, Args(record).woArg);
    if (!object) return;
    if (!object->isWindow()) {
        engine.Report(ErrorId::WindowNotFound, objectModel(engine).NameOfObject(*object));
        return;
    }
    widgets(engine).set(object->widget, WidgetValue::StayOnTop, off ? 0.0 : 1.0);
    static_cast<ui::QelWindow&>(*object).SetProp(u"最前面", off ? u"0" : u"1");
}

// 「テキスト1」を元に戻す: the text box's (or rich text box's) last edit is undone.
void cmdUndo(StatementRecord& record, Engine& engine) {
    // 「ブラウザ1」を戻る: the page before.
    if (BrowseBackNamed(engine, Args(record).woArg)) return;
    if (text::trimBlanks(Args(record).heArg) != u"元") {
        engine.Report(ErrorId::UnknownCommand, record.source);
        return;
    }
    auto object = resolve(engine, Args(record).woArg, false);
    if (!object) return;
    if (object->type == ui::ObjectType::Control &&
        (object->kind->id == ui::KindId::TextBox || object->kind->id == ui::KindId::MultiLineText ||
         object->kind->id == ui::KindId::RichText)) {
        widgets(engine).undo(object->widget);
        return;
    }
    engine.Report(ErrorId::NotBuiltYet, Args(record).head);
}

// 「リスト1」に「項目」を追加.
void cmdAddItem(StatementRecord& record, Engine& engine) {
    Text where = nameArgument(engine, Args(record).heArg);
    if (ui::nameKey(where) == ui::nameKey(u"タスクトレイ")) {
        if (!ui::ObjectModel::available(engine)) {
            engine.Report(ErrorId::NotBuiltYet, u"タスクトレイ");
            return;
        }
        ui::AddTrayIcon(engine, objectModel(engine));
        return;
    }
    std::size_t at = 0;
    auto object = objectModel(engine).ResolveObject(engine, where, false, &at);
    if (!object) return;
    if (ui::isRich(*object)) {
        TextView rest = TextView(where).substr(std::min(at, where.size()));
        ui::addRichItem(engine, *object, rest, Args(record).woArg);
        return;
    }
    if (!isListKind(*object)) {
        engine.Report(ErrorId::NotBuiltYet,
                      objectModel(engine).NameOfObject(*object) + u"への追加");
        return;
    }
    widgets(engine).addItem(object->widget, engine.EvalText(Args(record).woArg));
}

// 「ボタン1の幅」を「100」に変える.
void cmdChange(StatementRecord& record, Engine& engine) {
    if (!widgetsReady(engine)) return;
    Text target = nameArgument(engine, Args(record).woArg);
    ui::SetProperty(engine, objectModel(engine), target, Args(record).heArg, false);
}

// 出て, 隠れ, 上げ, 下げ name an object, or act on the turtle.
void cmdShowObject(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) return TurtleShow(engine, true);
    if (auto object = resolve(engine, Args(record).woArg, false)) showObject(engine, *object, {});
}

void cmdHideObject(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) return TurtleShow(engine, false);
    if (auto object = resolve(engine, Args(record).woArg, false))
        widgets(engine).set(object->widget, WidgetValue::Visible, 0.0);
}

void cmdRaiseObject(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) return TurtlePenUp(engine);
    if (auto object = resolve(engine, Args(record).woArg, false))
        widgets(engine).raise(object->widget);
}

void cmdLowerObject(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) return TurtlePenDown(engine);
    if (auto object = resolve(engine, Args(record).woArg, false))
        widgets(engine).lower(object->widget);
}

// 場所は、ピクチャー1: where new controls (and drawing) go.
void setContainer(StatementRecord& record, Engine& engine) {
    auto object = resolve(engine, Args(record).woArg, false);
    if (!object) return;
    const bool holds =
        object->isWindow() || object->type == ui::ObjectType::Printer ||
        (object->type == ui::ObjectType::Control &&
         (object->kind->id == ui::KindId::Frame || object->kind->id == ui::KindId::Picture));
    if (!holds) {
        engine.Report(ErrorId::ValueNotRight,
                      u"場所（" + objectModel(engine).NameOfObject(*object) + u"）");
        return;
    }
    objectModel(engine).CurrentContainer = object;
}

bool ShowObjectNamed(Engine& engine, TextView subject, TextView style, TextView where) {
    if (!ui::ObjectModel::available(engine)) return false;
    TextView t = text::trimBlanks(subject);
    // A literal names an object only when it is one registered name (or a
    // window): 「ボタン」を表示 still shows the word.
    if (t.size() >= 2 && t.front() == u'「' && t.back() == u'」' &&
        t.find(u'［') == TextView::npos && t.find(u'「', 1) == TextView::npos) {
        t = t.substr(1, t.size() - 2);
    } else if (!t.empty() && t.front() == u'「') {
        return false;
    }
    ui::ObjectModel& model = objectModel(engine);
    auto object = model.findRegistered(engine, t);
    if (!object) return false;
    ShowOptions options;
    Text styleWord = engine.EvalText(style);
    options.modal = styleWord == u"モーダル";
    options.dialog = styleWord == u"ダイアログ";
    options.onTop = text::trimBlanks(where) == u"常に手前";
    showObject(engine, *object, options);
    return true;
}

bool OpenFindNamed(Engine& engine, TextView subject, bool replace) {
    if (!ui::ObjectModel::available(engine) || text::trimBlanks(subject).empty()) return false;
    ui::ObjectModel& model = objectModel(engine);
    auto object = model.ResolveObject(engine, nameArgument(engine, subject), true);
    if (!object || object->unloaded || !ui::TakesFindDialog(*object, replace)) return false;
    ui::OpenFindDialog(engine, model, *object, replace);
    return true;
}

namespace {

// A rich text box prints with its looks; the box's own font stands for the
// characters that follow it, as on the screen.
std::string printRichBox(Engine& engine, WidgetId widget, bool onNewPage) {
    WidgetPort& set = widgets(engine);
    auto document = set.richText(widget);
    auto font = set.get(widget, WidgetValue::FontName);
    auto size = set.get(widget, WidgetValue::FontSize);
    const Text* fontName = font ? std::get_if<Text>(&*font) : nullptr;
    const double* points = size ? std::get_if<double>(&*size) : nullptr;
    if (!document) {
        auto text = set.get(widget, WidgetValue::Text);
        const Text* content = text ? std::get_if<Text>(&*text) : nullptr;
        return engine.ui().printText(content ? *content : Text(), onNewPage);
    }
    return engine.ui().printRichText(*document, fontName ? TextView(*fontName) : TextView(),
                                     points ? *points : 0, onNewPage);
}

}  // namespace

bool PrintObjectNamed(Engine& engine, TextView name, bool onNewPage) {
    if (!ui::ObjectModel::available(engine)) return false;
    auto object = objectModel(engine).ResolveObject(engine, nameArgument(engine, name), true);
    if (!object || object->unloaded) return false;
    std::string problem;
    const bool window = object->type == ui::ObjectType::Window;
    const ui::KindId kind = object->kind ? object->kind->id : ui::KindId{};
    if (!window && kind == ui::KindId::RichText) {
        problem = printRichBox(engine, object->widget, onNewPage);
    } else if (!window && (kind == ui::KindId::TextBox || kind == ui::KindId::MultiLineText)) {
        auto text = widgets(engine).get(object->widget, WidgetValue::Text);
        const Text* content = text ? std::get_if<Text>(&*text) : nullptr;
        problem = engine.ui().printText(content ? *content : Text(), onNewPage);
    } else if (window || kind == ui::KindId::Picture || kind == ui::KindId::Image) {
        auto picture = widgets(engine).render(object->widget);
        problem = picture ? engine.ui().printPicture(*picture, onNewPage)
                          : "the object cannot be shown for printing";
    } else {
        return false;
    }
    if (!problem.empty()) engine.Report(ErrorId::CannotPrint, text::fromUtf8(problem));
    return true;
}

bool EraseObjectNamed(Engine& engine, TextView subject) {
    if (!ui::ObjectModel::available(engine)) return false;
    Text name = nameArgument(engine, subject);
    if (ui::nameKey(name) == ui::nameKey(u"タスクトレイ")) {
        ui::RemoveTrayIcon(engine, objectModel(engine));
        return true;
    }
    ui::ObjectModel& model = objectModel(engine);
    std::size_t at = 0;
    auto object = model.ResolveObject(engine, name, true, &at);
    if (!object) return false;
    TextView item = text::trimBlanks(TextView(name).substr(std::min(at, name.size())));
    if (item.empty()) {
        model.DestroyObject(engine, object);
        return true;
    }
    if (ui::isRich(*object)) {
        ui::removeRichItem(engine, *object, item);
        return true;
    }
    if (!isListKind(*object)) return false;
    // 「リスト1の2」 removes item 2 counted from 0, as 番号 counts;
    // 「リスト1の3番目」 counts from 1.
    int index = 0;
    if (text::endsWith(item, u"番目")) {
        index = int(engine.EvalNumber(item.substr(0, item.size() - 2))) - 1;
    } else {
        index = int(engine.EvalNumber(item));
    }
    if (!widgets(engine).removeItem(object->widget, index))
        engine.Report(ErrorId::NoSuchItem, item);
    return true;
}

bool ObjectsCanAct(Engine& engine) {
    return ui::ObjectModel::available(engine) && widgets(engine).anyTimerRunning();
}

void ObjectsAtRest(Engine& engine) {
    if (ui::ObjectModel::available(engine)) widgets(engine).scriptAtRest();
}

}  // namespace qel
