// Plug-ins: outside code whose objects scripts create and talk to with texts.
// A plug-in is a shared library with the small C interface of
// include/qelscript/plugin.h, or a separate program speaking the same
// operations as JSON lines (docs/plugins.md).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {

enum class PluginStatus { Handled, NotHandled, Failed };

struct PluginAnswer {
    PluginStatus status = PluginStatus::NotHandled;
    Text text;  // the result, or why it failed
};

// One object of a plug-in class.
class PluginObject {
  public:
    virtual ~PluginObject() = default;
    virtual PluginAnswer runCmd(TextView verb, TextView argument) = 0;
    virtual PluginAnswer runFunc(TextView name, TextView arguments) = 0;
    virtual PluginAnswer getData(TextView name) = 0;
    virtual PluginAnswer setData(TextView name, TextView value) = 0;
    // Control classes: places the control in `parent` (a native widget of
    // `toolkit`, or null with toolkit "none" on a host without one).
    virtual PluginAnswer makeControl(const char* toolkit, void* parent, int width, int height) = 0;
};

struct PluginClassInfo {
    Text name;
    Text kindWord;  // empty: not a control class
};

enum class PluginFault {
    None,
    NotFound,     // no library or program of that name
    NotAPlugin,   // it exists but does not speak the plug-in interface
    Unavailable,  // no such class, or the object could not be made
};

struct PluginResult {
    PluginFault fault = PluginFault::None;
    std::string why;
};

// A loaded plug-in: its classes, and objects made from them.
class PluginModule {
  public:
    virtual ~PluginModule() = default;
    virtual const std::vector<PluginClassInfo>& classes() const = 0;
    virtual std::unique_ptr<PluginObject> create(TextView className, PluginResult& result) = 0;
    // False once it cannot make objects any more (a plug-in program that
    // ended): loading the name again starts it afresh.
    virtual bool usable() const { return true; }
};

class PluginPort {
  public:
    virtual ~PluginPort() = default;
    // Loads a plug-in named by a path, a soname or a bare name (tried as
    // libNAME.so and NAME.so); a program file is started as a process
    // plug-in. The same name gives the same module while it is loaded.
    virtual std::shared_ptr<PluginModule> load(const std::string& name, PluginResult& result) = 0;
    // Drops the modules no object holds any more (at the end of a run).
    virtual void release() {}
};

}  // namespace qel
