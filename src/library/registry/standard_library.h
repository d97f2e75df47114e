// The library layer as the core sees it: the three registries, command dispatch,
// function calls, and the script objects (windows and controls).
#pragma once

#include "core/engine.h"
#include "core/library_port.h"
#include "library/registry/library_state.h"
#include "ui/objects.h"

namespace qel {

class StandardLibrary : public LibraryPort {
  public:
    StandardLibrary();

    const xxCmdData* findSetting(TextView name) const override { return settings_.find(name); }
    void dispatchCommand(StatementRecord& record, Engine& engine) override;
    void applySetting(StatementRecord& record, Engine& engine) override;
    void runConditional(StatementRecord& record, ProgramRecord& program, Engine& engine) override;
    std::unique_ptr<CompiledStatement> compileStatement(StatementRecord& record,
                                                        Engine& engine) override;
    bool callFunction(TextView name, TextView arg, Text& result, Engine& engine,
                      std::shared_ptr<const void>* site = nullptr) override;
    bool readProperty(TextView name, TextView arg, Text& result, Engine& engine) override;
    // Every property is written "object の property".
    bool mayNameProperty(TextView name) const override {
        return name.find(u'の') != TextView::npos;
    }
    bool writeProperty(TextView target, TextView rawValue, Engine& engine) override;
    bool objectExists(TextView name, Engine& engine) override;
    void resetRun(Engine& engine) override;
    void teardownRun(Engine& engine) override;
    // Only a repeating medium costs anything here.
    void beforeStatement(Engine& engine) override {
        if (state_.media && state_.media->repeat) {
            repeatCheck(engine);
        } else {
            engine.libraryWatchesStatements = false;
        }
    }

    KeyedTable& commands() { return commands_; }
    KeyedTable& functions() { return functions_; }
    KeyedTable& settings() { return settings_; }
    LibraryState& state() { return state_; }
    ui::ObjectModel& objects() { return objects_; }

  private:
    // A command or setting handler, inside the fault boundary.
    static void repeatCheck(Engine& engine);
    static void runHandler(StatementRecord& record, Engine& engine);
    bool tryCaller(StatementRecord& record, Engine& engine);
    bool tryProcedures(StatementRecord& record, Engine& engine);
    xxCmdData* findContainedCommand(TextView head) const;

    KeyedTable commands_;
    KeyedTable settings_;
    KeyedTable functions_;
    LibraryState state_;
    ui::ObjectModel objects_;
};

// The library of an engine (handlers that need the registries reach them here).
StandardLibrary& libraryOf(Engine& engine);

}  // namespace qel
