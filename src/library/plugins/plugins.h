// Native library calls and plug-in objects: the handlers of 利用 and 呼び出せ,
// and the per-run state they share.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/cmd_data.h"
#include "core/statement.h"
#include "platform/ports/native_calls.h"

namespace qel {

class Engine;

// 利用: function を library から name として 利用.
void cmdDeclareNative(StatementRecord& record, Engine& engine);
// 呼び出せ: args を library の function で 呼び出せ.
void cmdCallNative(StatementRecord& record, Engine& engine);

// What native calls keep for the rest of a run. Libraries stay loaded from
// their first call until the run ends: a library may keep state between
// calls (a counter, a handle it gave out) and a pointer it returned must stay
// valid, which unloading after every call would break.
struct NativeCallState {
    std::map<std::string, std::shared_ptr<NativeLibrary>> libraries;  // by name as written
    // Names declared with 利用: Value = function + "@" + library.
    KeyedTable declared;
};

NativeCallState& nativeCallState(Engine& engine);

}  // namespace qel
