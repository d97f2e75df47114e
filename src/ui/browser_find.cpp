// 検索 on a browser: the find dialog searches the page's text (what 内容
// reads) from the last match, as it searches a text box from its selection.
// The match is kept with the page; a desktop browser shows it selected.
#include "core/engine.h"
#include "ui/browser.h"
#include "ui/find_replace.h"
#include "ui/rich_support.h"

namespace qel::ui {

namespace {

Text folded(TextView text, bool matchCase) {
    return matchCase ? Text(text) : text::toLowerLatin(text);
}

// Which match `at` is, counting from 1 the matches that do not overlap, as a
// view searching its page from the top one match after another finds them.
int matchNumber(TextView text, TextView wanted, std::size_t at) {
    int n = 1;
    for (std::size_t p = text.find(wanted); p != TextView::npos && p < at;
         p = text.find(wanted, p + wanted.size()))
        ++n;
    return n;
}

}  // namespace

void findInPage(Engine& engine, ScriptObject& browser, const WidgetEvent& request) {
    // The dialog of 検索 only finds: a replay asking it to replace changes no page.
    if (request.command != kFindNext || request.findText.empty()) return;
    BrowserContent& bc = browser.rich->browser;
    const Text text = folded(bc.text, request.matchCase);
    const Text wanted = folded(request.findText, request.matchCase);
    const std::size_t start = std::min(bc.findStart, text.size());
    std::size_t at = Text::npos;
    if (request.searchUp) {
        if (start >= wanted.size()) at = text.rfind(wanted, start - wanted.size());
    } else {
        at = text.find(wanted, std::min(start + bc.findLength, text.size()));
    }
    if (at == Text::npos) {
        engine.ui().messageBox({u"すべて検索しました", 64, u"検索", BoxPurpose::Message});
        return;
    }
    bc.findStart = at;
    bc.findLength = wanted.size();
    bc.found = request.findText;
    bc.foundCase = request.matchCase;
    bc.foundNumber = matchNumber(text, wanted, at);
    notify(engine, browser, {RichChange::Current});
}

}  // namespace qel::ui
