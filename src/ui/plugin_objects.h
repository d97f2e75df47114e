// Plug-in objects: the wrapper through which scripts talk to an object of a
// plug-in class, and how a plug-in name written in a script is loaded.
#pragma once

#include <memory>

#include "platform/ports/plugins.h"
#include "ui/objects.h"

namespace qel::ui {

// One plug-in object. A control plug-in lives in a picture control that
// hosts it (its `widget`); any other plug-in object has no widget.
class QelObj : public ScriptObject {
  public:
    Text Name = u"QelPlugin";
    Text QelObName;  // the script name
    Text classId;    // "library.class"
    std::unique_ptr<PluginObject> plugin;

    // Makes the object of the class and, on window `w`, the control it
    // shows. False (reported) when the class is missing or not a control.
    bool MakeControlObj(Engine& engine, QelWindow& w, TextView classIdentifier);
    PluginAnswer SetData(TextView name, TextView value);
    // NotHandled when the wrapper holds no plug-in (dispatch then goes on).
    PluginAnswer RunCmd(TextView verb, TextView argument);
    PluginAnswer RunFunc(TextView name, TextView arguments);
    PluginAnswer GetData(TextView name);
    WidgetId hWnd() const { return widget; }
};

QelObj* AsPlugin(ScriptObject* object);

// Whether a name written in 使う or 作れ may name a plug-in ("sample",
// "sample.Class", "./tool.py", "libsample.so"): it starts with no window,
// control or menu word and is no control of a declared plug-in kind.
bool LooksLikePluginName(const ObjectModel& model, TextView name);

// Reports a failed plug-in operation (error 603 with the plug-in's reason).
void ReportPluginFailure(Engine& engine, TextView why);

}  // namespace qel::ui
