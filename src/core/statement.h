// Statement and program records: what the front end makes of a script.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/cmd_data.h"
#include "core/text/text.h"

namespace qel {

// The particle mark: surrounds recognised particles in `marked`.
constexpr char16_t kParticleMark = u'\x03';

enum class StatementKind : int32_t {
    Command = 0,
    Assign = 1,
    Setting = 2,
    PropertyAssign = 3,
    If = 4,
    Sequence = 5,
    ProcHead = 6,
    End = 7,
    Label = 8,
    ProcCall = 9,
    ProcCallWithArgs = 10,
};

struct StatementRecord {
    StatementKind kind = StatementKind::Command;
    CommandHandler handler = nullptr;  // resolved on first execution, kept for the run
    Text source;
    Text marked;
    std::vector<Text> particleArgs;
    Text head;
    Text woArg;
    Text heArg;
    Text extraArg;
};

struct ProgramRecord {
    std::vector<StatementRecord> statements;
    Text sourceName;
    std::vector<int16_t> depth;
    std::vector<bool> inBlock;
    std::shared_ptr<KeyedTable> locals;  // created on first ここだけの変数
};

}  // namespace qel
