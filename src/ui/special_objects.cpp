#include "ui/special_objects.h"

#include "core/engine.h"
#include "ui/dialogs.h"
#include "ui/kinds.h"
#include "ui/menus.h"
#include "ui/objects.h"
#include "ui/tray.h"

namespace qel::ui {

namespace {

// "メニューのファイルの開くのチェック": the entry's path is everything between
// the object and the last "の", the property what follows it.
std::optional<Text> menuProperty(Engine& engine, ObjectModel& model, TextView rest,
                                 const Text* value) {
    std::size_t last = rest.rfind(u'の');
    TextView path = last == TextView::npos ? TextView() : rest.substr(0, last);
    TextView property = last == TextView::npos ? rest : rest.substr(last + 1);
    return Menus(model).MenuProperty(engine, *model.currentWindow(engine), path, property, value);
}

// The program that embeds the engine answers for 呼び出し元: reads ask it
// for the value, writes hand it the value (evaluated, as a number and as
// written). A property it does not know is the script's error, as it would
// be on any object; with no program behind the engine, every one is unknown.
std::optional<Text> callerProperty(Engine& engine, TextView property, const TextView* written) {
    property = text::trimBlanks(property);
    if (!written) return engine.RaiseHostEvent(0, property, {});
    if (engine.RaiseHostEvent(1, property, text::trimBlanks(*written)) != u"True")
        engine.Report(ErrorId::NoSuchSetting, u"「呼び出し元」に「" + Text(property) + u"」");
    return Text();
}

}  // namespace

std::optional<Text> SpecialObjectProperty(Engine& engine, ObjectModel& model, TextView target,
                                          const TextView* written) {
    target = text::trimBlanks(target);
    std::size_t of = target.find(u'の');
    if (of == TextView::npos || of == 0) return std::nullopt;
    const char16_t first = target.front();
    // Most targets are controls: look no further unless the name could be one of these.
    if (first != u'メ' && first != u'ﾒ' && first != u'選' && first != u'タ' && first != u'ﾀ' &&
        first != u'呼')
        return std::nullopt;
    const Text owner = nameKey(target.substr(0, of));
    if (owner == nameKey(u"呼び出し元"))
        return callerProperty(engine, target.substr(of + 1), written);
    if (owner == nameKey(u"選択ウィンドウ")) {
        Text value = written ? engine.EvalText(text::trimBlanks(*written)) : Text();
        return DialogProperty(engine, DialogOf(model), target.substr(of + 1),
                              written ? &value : nullptr);
    }
    if (owner == nameKey(u"タスクトレイ")) {
        Text value = written ? engine.EvalText(text::trimBlanks(*written)) : Text();
        return TrayProperty(engine, model, target.substr(of + 1), written ? &value : nullptr);
    }
    if (owner == nameKey(u"メニュー")) {
        if (!ObjectModel::available(engine)) {
            engine.Report(ErrorId::NotBuiltYet, u"メニュー");
            return Text();
        }
        Text value = written ? engine.EvalText(text::trimBlanks(*written)) : Text();
        return menuProperty(engine, model, target.substr(of + 1), written ? &value : nullptr);
    }
    return std::nullopt;
}

}  // namespace qel::ui
