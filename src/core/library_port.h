// What the language core asks of the layers above it (the command and
// function registries, the object layer). The core calls through this port so that it
// depends on nothing above it; the library implements it.
#pragma once

#include <memory>

#include "core/cmd_data.h"
#include "core/compiled.h"
#include "core/statement.h"

namespace qel {

class Engine;

class LibraryPort {
  public:
    virtual ~LibraryPort() = default;
    // The setting word of that name (classification of assignments).
    virtual const xxCmdData* findSetting(TextView name) const = 0;
    // Finds and runs the handler of a Command statement.
    virtual void dispatchCommand(StatementRecord& record, Engine& engine) = 0;
    // Runs the handler a Setting statement was classified with.
    virtual void applySetting(StatementRecord& record, Engine& engine) = 0;
    // Runs an If statement (one-line or block form).
    virtual void runConditional(StatementRecord& record, ProgramRecord& program,
                                Engine& engine) = 0;
    // A built-in function or named constant; false when neither exists.
    // `site`, when given, is where the library may remember what it worked
    // out for this call in the script (the same name and argument text each
    // time), to skip that work on the next run of the call.
    virtual bool callFunction(TextView name, TextView arg, Text& result, Engine& engine,
                              std::shared_ptr<const void>* site = nullptr) = 0;
    // An object property read; false when `name` names no readable property.
    virtual bool readProperty(TextView name, TextView arg, Text& result, Engine& engine) = 0;
    // Whether `name` could ever name a property, whatever objects exist: a
    // name that cannot is not offered to readProperty again.
    virtual bool mayNameProperty(TextView name) const {
        (void)name;
        return true;
    }
    // Sets an object property from its raw (unevaluated) value text; false
    // when `target` names no property.
    virtual bool writeProperty(TextView target, TextView rawValue, Engine& engine) = 0;
    virtual bool objectExists(TextView name, Engine& engine) = 0;
    // A node that runs a Command or If statement again without the
    // dispatch, built from what its first run worked out (core/compiled.h);
    // null when the statement must keep running the ordinary way.
    virtual std::unique_ptr<CompiledStatement> compileStatement(StatementRecord& record,
                                                                Engine& engine) {
        (void)record, (void)engine;
        return nullptr;
    }
    // Called before every statement while Engine::libraryWatchesStatements
    // is raised (repeat playback restarts a stopped medium here).
    virtual void beforeStatement(Engine& engine) { (void)engine; }
    // Subsystem state that a run resets (graphics, music, objects, progress).
    virtual void resetRun(Engine& engine) = 0;
    // What a run releases when it ends (menus, plug-ins, media, channel).
    virtual void teardownRun(Engine& engine) = 0;
};

}  // namespace qel
