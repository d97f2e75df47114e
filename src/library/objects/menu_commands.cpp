// ポップアップメニュー: a menu of the current window shown as a pop-up menu, at
// the mouse or at the point given with で (「編集」を「10,20」でポップアップメニュー).
#include "core/parser.h"
#include "library/objects/objects.h"
#include "text/brackets.h"
#include "text/number.h"
#include "ui/dialogs.h"
#include "ui/menus.h"

namespace qel {

namespace {

// The title as written: quoted or computed titles are evaluated, a bare
// word is the title itself, and 「」 around it go either way.
Text popupTitle(Engine& engine, TextView written) {
    TextView t = text::trimBlanks(written);
    if (t.empty()) return {};
    if (t.front() == u'「' || t.find(u'＆') != TextView::npos || t.find(u'［') != TextView::npos ||
        engine.FindVariable(t))
        return engine.EvalText(t);
    return Text(t);
}

// "X,Y" in window pixels; nothing when the text is not two numbers.
std::optional<std::pair<int, int>> pointOf(Engine& engine, TextView written) {
    Text value = text::toHalfWidth(engine.EvalText(text::trimBlanks(written)));
    std::size_t comma = value.find_first_of(u",、");
    if (comma == Text::npos) return std::nullopt;
    auto x = number::parse(TextView(value).substr(0, comma));
    auto y = number::parse(TextView(value).substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return std::pair{int(*x), int(*y)};
}

}  // namespace

void cmdPopupMenu(StatementRecord& record, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) {
        engine.Report(ErrorId::NotBuiltYet, u"ポップアップメニュー");
        return;
    }
    ui::ObjectModel& model = objectModel(engine);
    Text title = popupTitle(engine, Args(record).woArg);
    if (title.empty()) {
        engine.Report(ErrorId::MenuItemRequired);
        return;
    }
    auto window = model.currentWindow(engine);
    std::optional<std::pair<int, int>> at;
    Text where = AskParticle(record, u"で");
    if (where.empty()) where = Text(Args(record).heArg);
    if (!text::trimBlanks(where).empty()) {
        auto point = pointOf(engine, where);
        if (!point) {
            engine.Report(ErrorId::ValueNotRight, where);
            return;
        }
        at = point;
    }
    ui::Menus(model).Popup(engine, *window, title, at);
}

}  // namespace qel

namespace qel {

// 選択: 「開くファイル」を選択 shows that dialog of 選択ウィンドウ.
void cmdChooseDialog(StatementRecord& record, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) {
        engine.Report(ErrorId::NotBuiltYet, u"選択");
        return;
    }
    Text word = popupTitle(engine, Args(record).woArg);
    ui::ChooseDialog(engine, objectModel(engine), word);
}

}  // namespace qel
