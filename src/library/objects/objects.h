// The verbs for script objects: making, showing, closing and destroying
// windows and controls, choosing the topic and the container, and the
// property reads and writes the standard library hands to the object layer.
#pragma once

#include "core/cmd_data.h"
#include "core/engine.h"
#include "ui/objects.h"

namespace qel {

CommandFn cmdCreateObject, cmdUse, cmdClose, cmdRefuseClose, cmdFocus, cmdActivate, cmdBringToFront,
    cmdSendToBack, cmdRepaint, cmdAbout, cmdAboutEnd, cmdStartMove, cmdStayOnTop, cmdUndo,
    cmdAddItem, cmdChange, cmdShowObject, cmdHideObject, cmdRaiseObject, cmdLowerObject,
    setContainer, cmdPopupMenu, cmdChooseDialog;

// The object model of the engine (held by its standard library).
ui::ObjectModel& objectModel(Engine& engine);

// 表示 of a window or control: true when `subject` names one (it is shown).
bool ShowObjectNamed(Engine& engine, TextView subject, TextView style, TextView where);
// 消せ of an object or of a list's item: true when `subject` names one.
bool EraseObjectNamed(Engine& engine, TextView subject);
// 検索 / 置き換え of a text box: true when `subject` names one (its find dialog opens).
bool OpenFindNamed(Engine& engine, TextView subject, bool replace);
// 印刷 of an object: text boxes print their text, windows and pictures print
// as they look. False when `name` names nothing that prints.
bool PrintObjectNamed(Engine& engine, TextView name, bool onNewPage);
// 戻る / 進む of a browser: true when `subject` names one (it went back or on).
bool BrowseBackNamed(Engine& engine, TextView subject);
bool BrowseForwardNamed(Engine& engine, TextView subject);
// 中止, 更新, 検索, ホーム in a statement whose を names a browser: true when done.
bool BrowserVerbNamed(StatementRecord& record, Engine& engine);
// Whether something shown can still act while the script waits (a timer runs).
bool ObjectsCanAct(Engine& engine);
// The script waits for the first time, or ends: pictures asked of the
// windows (--screenshot) are taken now.
void ObjectsAtRest(Engine& engine);

}  // namespace qel
