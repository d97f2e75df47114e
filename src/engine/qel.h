// The engine object: the public face of the interpreter for the start-up
// code and for programs that embed it (an editor, a debugger).
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <variant>
#include <vector>

#include "core/engine.h"
#include "platform/ports/platform.h"

namespace qel {

class StandardLibrary;

// What GetSetInfo answers: nothing, a text, a number or a truth value.
using SetInfoValue = std::variant<std::monostate, Text, double, bool>;

class Qel : private StatementWatcher {
  public:
    explicit Qel(Platform platform);
    ~Qel();

    void DoPause();
    void DoStop();
    int16_t GetErrLine();
    Text GetErrWord();
    int16_t GetStatus();
    Text GetFunc(TextView text);
    Text GetObjName(TextView object);
    Text GetForEditor(int flag);
    void Run(TextView program, TextView fileName, bool bPreserve);
    // Run, taking the text over: a long script is not held twice while it runs.
    void RunOwned(Text program, TextView fileName, bool bPreserve);
    void RunComnd(TextView qelComnd);
    // Returns whether the file could be read (an unreadable file runs an
    // empty program, as the language defines; callers may report it).
    bool RunFile(TextView fileName, bool bPreserve);
    SetInfoValue GetSetInfo(TextView syurui, TextView naiyou);
    void SetObj(bool isObject);
    void SetDebugObj(bool isObject);
    void SetStopLine(std::vector<bool> stopLines);
    void ErrMessage(TextView msg, int errNum, int icon, TextView prg);

    // ---- debugging ---------------------------------------------------------
    // A stop line, a finished step or a requested pause halts the script the
    // way DoPause does: the status becomes paused and the host hears
    // "中断", with the reason as its noun ("" for a pause, kStopLineReason,
    // kStepReason). The host carries out the pause in its handler (it may
    // inspect the engine there) and resumes with DoPause.
    static constexpr std::u16string_view kStopLineReason = u"停止行";
    static constexpr std::u16string_view kStepReason = u"ステップ";
    // Safe from any thread: DoPause is carried out before the next statement
    // of the running script, on the script's own thread.
    void RequestPause();
    // Safe from any thread: SetStopLine before the next statement.
    void RequestStopLines(std::vector<bool> stopLines);
    // Stop lines of another file (one run by 実行 or 参照, or a .qlb whose
    // procedures run), by its path; the main program's are SetStopLine's.
    // An empty array clears them. Lines of texts (日本語処理) never halt.
    void SetFileStopLines(TextView path, std::vector<bool> stopLines);
    // Safe from any thread: SetFileStopLines before the next statement.
    void RequestFileStopLines(TextView path, std::vector<bool> stopLines);
    // From the host's "中断" handler (or before a run, to stop on its first
    // statement). Each halts again at a statement of a file (the main
    // program or another), with the reason kStepReason:
    //  StepOver: the next one not inside a procedure or file this one calls;
    //  StepIn:   the next one wherever it is, the first statement of a
    //            procedure or file the current one enters included;
    //  StepOut:  the first one after the current procedure or file returns
    //            (at the top level nothing returns: the script runs on).
    void StepOver();
    void StepIn();
    void StepOut();
    // Gives up the step under way (a host that halts for its own reason, an
    // error, does so; stop lines and pauses end a step by themselves).
    void EndStep();
    // The 1-based line and the program level of the statement being run.
    int CurrentLine() const { return engine_->currentLine + 1; }
    int CurrentLevel() const { return engine_->currentLevel; }
    // Where the script stands, innermost first: the running statement, then
    // each statement that called a procedure or ran a file on the way there.
    struct StackFrame {
        Text name;      // the procedure, the file's name, or "メイン"
        int line = 0;   // 1-based; 0 when unknown
        Text filePath;  // absolute; empty for a text run by 日本語処理
    };
    std::vector<StackFrame> CallStack() const;

    void setHost(HostEvents* host) { engine_->host = host; }
    // The application title every run starts with (a stand-alone
    // application's own name instead of the runtime's).
    void setDefaultTitle(TextView title) { defaultTitle_ = Text(title); }
    Engine& engine() { return *engine_; }
    Platform& platform() { return platform_; }

  private:
    enum class Step { None, Over, In, Out };
    void beforeWatchedStatement(const StatementRecord& record) override;
    bool isListStatement(const StatementRecord& record) const;
    void pauseFor(TextView reason);
    void refreshWatch();
    void startStep(Step step);
    void applyRequestedStopLines();
    bool stepEndsHere() const;
    std::size_t callDepth() const;
    bool fileStopLineAt(const ProgramRecord& program, std::size_t line);
    const std::string& resolvedPath(const Text& path);
    void updateAnyStopLine();

    // Run, with the program's line ends already CR LF, taking the text over.
    void runNormalised(Text program, TextView fileName, bool bPreserve);

    void ResetEngine();
    void TeardownEngine();
    StatementRecord currentStatementCopy();

    Platform platform_;
    std::unique_ptr<StandardLibrary> library_;
    std::unique_ptr<Engine> engine_;
    Text defaultTitle_ = u"Qelvane";
    std::atomic<bool> pauseRequested_{false};
    std::mutex requestMutex_;
    std::vector<bool> requestedStopLines_;
    std::atomic<bool> stopLinesRequested_{false};
    bool anyStopLine_ = false;
    // Stop lines of other files, by their path as the system resolves it.
    std::map<std::string, std::vector<bool>> fileStopLines_;
    std::vector<std::pair<Text, std::vector<bool>>> requestedFileStopLines_;
    std::atomic<bool> fileStopLinesRequested_{false};
    // A level's file as fileStopLines_ is keyed (symbolic links resolved),
    // worked out once per path.
    std::map<Text, std::string> resolvedPaths_;
    Step step_ = Step::None;
    std::size_t stepDepth_ = 0;
};

}  // namespace qel
