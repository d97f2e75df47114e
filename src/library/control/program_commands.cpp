// Running further program text: 日本語処理 (a text), 実行 and 参照 (files,
// including .qlb libraries), and 命令 addressed to Qel.
#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "library/control/control.h"
#include "library/media/media.h"

namespace qel {

namespace {

// Runs a loaded program as a further program level and comes back: the
// current line and level are restored, the program's locals are shared with
// the caller's so that ここだけの変数 stays where the caller can see it.
void runAsLevel(Engine& engine, const std::shared_ptr<ProgramRecord>& program, int level) {
    Restore<int32_t> line(engine.currentLine);
    Restore<int32_t> keepLevel(engine.currentLevel);
    // Jumps in the text find labels anywhere in it, even when a procedure
    // runs it: the procedure's body is not this list.
    Restore<int32_t> keepStart(engine.procedureStart);
    engine.procedureStart = -1;
    CallFrameScope frame(engine, nullptr, level);
    engine.currentLevel = level;
    engine.RunStatementList(program->statements);
}

bool hasExtension(TextView name) {
    Text file = fileNameOf(name);
    std::size_t dot = file.rfind(u'.');
    return dot != Text::npos && dot > 0;
}

bool isLibraryFile(TextView name) {
    Text file = fileNameOf(name);
    return file.size() > 4 && text::endsWithFolded(file, u".qlb");
}

// How many files 実行 and 参照 may run inside one another. Each level keeps
// its own copy of the file's statements and a stretch of the machine stack.
constexpr int kMaxFileRunDepth = 64;

// Counts a file run for as long as it lasts. When the runs are nested too
// deep the run is refused (ErrorId::FilesNestedTooDeep), and every run under way is
// abandoned as runaway procedure calls are: the remaining statements of the
// inner levels were all waiting on this one.
class FileRunLevel {
  public:
    FileRunLevel(Engine& engine, TextView name) : engine_(engine) {
        if (engine_.fileRunDepth >= kMaxFileRunDepth) {
            engine_.Report(ErrorId::FilesNestedTooDeep, name);
            engine_.startUnwinding();
            return;
        }
        admitted_ = true;
        ++engine_.fileRunDepth;
    }
    ~FileRunLevel() {
        if (!admitted_) return;
        // The outermost file run ends the unwinding it started, unless a
        // procedure around it still has to be left.
        if (--engine_.fileRunDepth == 0 && engine_.procedureDepth == 0) engine_.endUnwinding();
    }
    FileRunLevel(const FileRunLevel&) = delete;
    FileRunLevel& operator=(const FileRunLevel&) = delete;
    bool admitted() const { return admitted_; }

  private:
    Engine& engine_;
    bool admitted_ = false;
};

// The file name a 実行 or 参照 statement gives, or nothing when evaluating it
// already failed (nesting too deep, a stop): a name that is then empty or cut
// short is no file the script asked for.
std::optional<Text> programFileName(StatementRecord& record, Engine& engine) {
    Text name = engine.EvalText(Args(record).woArg);
    if (engine.unwinding() || engine.stopRequested) return std::nullopt;
    return name;
}

// Reads a script or library file; reports error 201 when it cannot be read.
bool readProgramFile(Engine& engine, Text& name, Text& script) {
    if (!isLibraryFile(name) && !hasExtension(name)) name += u".qel";
    std::string bytes;
    if (!engine.files().readFile(toNativePath(name), bytes)) {
        engine.Report(ErrorId::NotFound, name);
        return false;
    }
    script = text::normaliseLineEnds(text::decodeFileBytes(bytes));
    return true;
}

// Adds a program as a new level and registers its procedures under it.
std::pair<std::shared_ptr<ProgramRecord>, int> addProgramLevel(Engine& engine, TextView script,
                                                               TextView sourceName) {
    int level = static_cast<int>(engine.programLevels.size());
    auto program = engine.LoadProgram(Text(script), level);
    program->sourceName = fileNameOf(sourceName);
    program->filePath = normalisedPath(sourceName, fromNativePath(engine.files().currentFolder()));
    engine.programLevels.push_back(program);
    return {program, level};
}

}  // namespace

void cmdRunText(StatementRecord& record, Engine& engine) {
    Text script = engine.EvalText(Args(record).woArg);
    auto program =
        engine.LoadProgram(text::normaliseLineEnds(script), 0, Engine::LoadSteps::MarkBlocks);
    ProgramRecord& caller = engine.currentProgram();
    if (!caller.locals) {
        caller.locals = std::make_shared<KeyedTable>();
        engine.programsChanged();
    }
    program->locals = caller.locals;
    program->sourceName = caller.sourceName;
    // A temporary level: its statements live only while they run.
    int level = static_cast<int>(engine.programLevels.size());
    engine.programLevels.push_back(program);
    runAsLevel(engine, program, level);
    if (engine.programLevels.size() == std::size_t(level) + 1) engine.programLevels.pop_back();
    engine.programsChanged();
}

// 実行: the file runs to its end with the caller's variables; the caller's
// procedures are what they were before. A .qlb library has no top level to
// run: its procedures join the running program.
void cmdExecute(StatementRecord& record, Engine& engine) {
    std::optional<Text> name = programFileName(record, engine);
    Text script;
    if (!name || !readProgramFile(engine, *name, script)) return;
    if (isLibraryFile(*name)) {
        addProgramLevel(engine, script, *name);
        return;
    }
    FileRunLevel depth(engine, *name);
    if (!depth.admitted()) return;
    KeyedTable savedProcedures = engine.procedures;
    auto [program, level] = addProgramLevel(engine, script, *name);
    runAsLevel(engine, program, level);
    engine.procedures = std::move(savedProcedures);
    // No procedure refers to the levels the file added any more.
    engine.programLevels.resize(std::size_t(level));
    engine.programsChanged();
    engine.stopRequested = false;
}

// 参照: the file's procedures join the running program and its top-level
// statements run once (a .qlb library has none to run).
void cmdRefer(StatementRecord& record, Engine& engine) {
    std::optional<Text> name = programFileName(record, engine);
    Text script;
    if (!name || !readProgramFile(engine, *name, script)) return;
    FileRunLevel depth(engine, *name);
    if (!depth.admitted()) return;
    auto [program, level] = addProgramLevel(engine, script, *name);
    if (!isLibraryFile(*name)) runAsLevel(engine, program, level);
}

void cmdOrder(StatementRecord& record, Engine& engine) {
    const Text& target = Args(record).heArg;
    if (text::equalsFolded(target, u"Qel") || target == u"Ｑｅｌ") {
        engine.RunComnd(engine.EvalText(Args(record).woArg));
    } else if (text::equalsFolded(target, u"MCI") || target == u"ＭＣＩ") {
        engine.answer = QueryMci(engine, engine.EvalText(Args(record).woArg));
    } else {
        engine.Report(ErrorId::ValueNotRight, u"命令の相手（Qel または MCI）");
    }
}

}  // namespace qel
