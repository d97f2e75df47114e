// Browsers (ブラウザ): pages from local files and from http(s) addresses,
// fetched by the runtime itself, so that every widget set shows the same page
// and scripts read the same title, text and history on all of them. Other
// schemes (javascript:, mailto: …) are refused, never run.
#pragma once

#include <string>

#include "ui/events.h"
#include "ui/properties.h"

namespace qel::ui {

bool isBrowser(const ScriptObject& object);

// The browser's properties (アドレス, タイトル, 戻る …); false for other names.
bool browserProperty(PropertyContext& c);

// Going somewhere, as a script asks. Errors are reported to the script and
// leave the page and the history as they were.
void browse(Engine& engine, ObjectModel& model, ScriptObject& browser, TextView address);
void browseBack(Engine& engine, ObjectModel& model, ScriptObject& browser);
void browseForward(Engine& engine, ObjectModel& model, ScriptObject& browser);
// The verbs that act on a browser: 中止, 更新, 検索, ホーム (found inside
// `verb`, in that order). False when none of them is there.
bool browserVerb(Engine& engine, ObjectModel& model, ScriptObject& browser, TextView verb);

// A request of the find dialog 検索 opened on the browser: the page's text is
// searched from the last match; "すべて検索しました" when none is left.
void findInPage(Engine& engine, ScriptObject& browser, const WidgetEvent& request);

// The user followed a link of the page: `link` as the page wrote it.
std::string followLink(EventDispatch& events, Engine& engine, ScriptObject& browser, TextView link);

// The same for a link that asks for a new window (target="_blank", a
// page's window.open): the new-window event decides where it opens.
void followInNewWindow(EventDispatch& events, Engine& engine, ScriptObject& browser,
                       TextView address);
// A view that runs the page itself tells the status line it shows (the link
// under the mouse) and the page going full screen or back by itself.
void pageStatus(EventDispatch& events, ScriptObject& browser, const Text& status);
void pageFullScreen(Engine& engine, ScriptObject& browser, bool on);

// The pieces without a widget, for the tests.
Text resolveLink(TextView base, TextView link);
Text htmlTitle(TextView html);
Text htmlText(TextView html);
// The target="…" of the page's first link to `href` (as written); empty when none.
Text linkTarget(TextView html, TextView href);

}  // namespace qel::ui
