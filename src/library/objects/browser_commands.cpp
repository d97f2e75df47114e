// The verbs that reach a browser: 戻る and 進む through the commands 戻 and
// 進, and 中止, 更新, 検索 and ホーム, which are no commands of their own and
// act when the statement names a browser.
#include "core/parser.h"
#include "library/objects/objects.h"
#include "ui/browser.h"

namespace qel {

namespace {

// The browser `written` names, quietly: anything else is no browser's business.
std::shared_ptr<ui::ScriptObject> browserNamed(Engine& engine, TextView written) {
    TextView t = text::trimBlanks(written);
    if (t.empty() || !ui::ObjectModel::available(engine)) return nullptr;
    Text name = t.front() == u'「' || engine.FindVariable(t) ? engine.EvalText(t) : Text(t);
    auto object = objectModel(engine).ResolveObject(engine, name, true);
    return object && ui::isBrowser(*object) ? object : nullptr;
}

}  // namespace

bool BrowseBackNamed(Engine& engine, TextView subject) {
    auto browser = browserNamed(engine, subject);
    if (browser) ui::browseBack(engine, objectModel(engine), *browser);
    return browser != nullptr;
}

bool BrowseForwardNamed(Engine& engine, TextView subject) {
    auto browser = browserNamed(engine, subject);
    if (browser) ui::browseForward(engine, objectModel(engine), *browser);
    return browser != nullptr;
}

bool BrowserVerbNamed(StatementRecord& record, Engine& engine) {
    auto browser = browserNamed(engine, Args(record).woArg);
    return browser && ui::browserVerb(engine, objectModel(engine), *browser, Args(record).head);
}

}  // namespace qel
