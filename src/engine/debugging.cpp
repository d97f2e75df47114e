// Stop lines, steps and pauses asked for from another thread: the engine
// watches statements only while one of them is in force.
#include <filesystem>

#include "core/paths.h"
#include "engine/qel.h"

namespace qel {

void Qel::RequestPause() {
    pauseRequested_.store(true);
    engine_->watchStatements.store(true);
}

void Qel::RequestStopLines(std::vector<bool> stopLines) {
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        requestedStopLines_ = std::move(stopLines);
    }
    stopLinesRequested_.store(true);
    engine_->watchStatements.store(true);
}

void Qel::SetFileStopLines(TextView path, std::vector<bool> stopLines) {
    std::error_code ec;
    const std::filesystem::path native(toNativePath(path));
    auto key = std::filesystem::weakly_canonical(native, ec);
    const std::string name = ec ? native.lexically_normal().string() : key.string();
    bool any = false;
    for (bool stop : stopLines) any = any || stop;
    if (any) {
        fileStopLines_[name] = std::move(stopLines);
    } else {
        fileStopLines_.erase(name);
    }
    updateAnyStopLine();
}

void Qel::RequestFileStopLines(TextView path, std::vector<bool> stopLines) {
    {
        std::lock_guard<std::mutex> lock(requestMutex_);
        requestedFileStopLines_.emplace_back(Text(path), std::move(stopLines));
    }
    fileStopLinesRequested_.store(true);
    engine_->watchStatements.store(true);
}

void Qel::updateAnyStopLine() {
    anyStopLine_ = !fileStopLines_.empty();
    for (bool stop : engine_->stopLines) anyStopLine_ = anyStopLine_ || stop;
    refreshWatch();
}

void Qel::StepOver() {
    startStep(Step::Over);
}

void Qel::StepIn() {
    startStep(Step::In);
}

void Qel::StepOut() {
    startStep(Step::Out);
}

void Qel::EndStep() {
    startStep(Step::None);
}

void Qel::startStep(Step step) {
    step_ = step;
    stepDepth_ = callDepth();
    refreshWatch();
}

void Qel::refreshWatch() {
    engine_->watchStatements.store(anyStopLine_ || step_ != Step::None);
    // A request made while the flag was being worked out must not be lost.
    if (pauseRequested_.load() || stopLinesRequested_.load() || fileStopLinesRequested_.load())
        engine_->watchStatements.store(true);
}

// Loops and procedure bodies run the statements of a program's own list;
// the sentences of a line of several run as records of their own, and only
// the line itself may halt (once, not once per sentence).
bool Qel::isListStatement(const StatementRecord& record) const {
    const Engine& e = *engine_;
    if (std::size_t(e.currentLevel) >= e.programLevels.size()) return false;
    const auto& statements = e.programLevels[std::size_t(e.currentLevel)]->statements;
    return e.currentLine >= 0 && std::size_t(e.currentLine) < statements.size() &&
           &statements[std::size_t(e.currentLine)] == &record;
}

void Qel::applyRequestedStopLines() {
    if (stopLinesRequested_.exchange(false)) {
        std::vector<bool> lines;
        {
            std::lock_guard<std::mutex> lock(requestMutex_);
            lines.swap(requestedStopLines_);
        }
        SetStopLine(std::move(lines));
    }
    if (fileStopLinesRequested_.exchange(false)) {
        std::vector<std::pair<Text, std::vector<bool>>> requests;
        {
            std::lock_guard<std::mutex> lock(requestMutex_);
            requests.swap(requestedFileStopLines_);
        }
        for (auto& [path, lines] : requests) SetFileStopLines(path, std::move(lines));
    }
}

// Only asked while a step is under way: the frames are counted then.
std::size_t Qel::callDepth() const {
    std::size_t depth = 0;
    for (const Engine::CallFrame* frame = engine_->innermostFrame; frame; frame = frame->caller)
        ++depth;
    return depth;
}

bool Qel::stepEndsHere() const {
    const std::size_t depth = callDepth();
    switch (step_) {
        case Step::Over:
            return depth <= stepDepth_;
        case Step::In:
            return true;
        case Step::Out:
            return depth < stepDepth_;
        case Step::None:
            break;
    }
    return false;
}

const std::string& Qel::resolvedPath(const Text& path) {
    auto it = resolvedPaths_.find(path);
    if (it != resolvedPaths_.end()) return it->second;
    std::error_code ec;
    const std::filesystem::path native(toNativePath(path));
    auto resolved = std::filesystem::weakly_canonical(native, ec);
    return resolvedPaths_[path] = ec ? native.lexically_normal().string() : resolved.string();
}

bool Qel::fileStopLineAt(const ProgramRecord& program, std::size_t line) {
    if (fileStopLines_.empty()) return false;
    auto it = fileStopLines_.find(resolvedPath(program.filePath));
    return it != fileStopLines_.end() && line < it->second.size() && it->second[line];
}

void Qel::beforeWatchedStatement(const StatementRecord& record) {
    Engine& e = *engine_;
    applyRequestedStopLines();
    if (pauseRequested_.exchange(false)) {
        // A pause the host asked for while the script was already paused
        // would otherwise resume it.
        if (e.engineStatus != EngineStatus::Paused) pauseFor({});
    } else if (isListStatement(record)) {
        // Only statements of files halt: a text run by 日本語処理 has no
        // lines an editor shows, and stands in for the statement that ran it.
        const ProgramRecord& program = *e.programLevels[std::size_t(e.currentLevel)];
        const bool mainProgram = e.currentLevel == 0;
        if (mainProgram || !program.filePath.empty()) {
            const auto line = std::size_t(e.currentLine);
            if (step_ != Step::None && stepEndsHere()) {
                step_ = Step::None;
                pauseFor(kStepReason);
            } else if (mainProgram ? line < e.stopLines.size() && e.stopLines[line]
                                   : fileStopLineAt(program, line)) {
                pauseFor(kStopLineReason);
            }
        }
    }
    refreshWatch();
}

void Qel::pauseFor(TextView reason) {
    Engine& e = *engine_;
    // Any halt ends the step under way: one that a stop line or a pause
    // came before must not halt again later, after the user said continue.
    step_ = Step::None;
    e.engineStatus = EngineStatus::Paused;
    e.RaiseHostEvent(2, u"中断", reason);
}

std::vector<Qel::StackFrame> Qel::CallStack() const {
    const Engine& e = *engine_;
    auto fileOf = [&](int32_t level) -> Text {
        if (level < 0 || std::size_t(level) >= e.programLevels.size()) return {};
        return e.programLevels[std::size_t(level)]->filePath;
    };
    auto nameOf = [&](const Engine::CallFrame& frame) -> Text {
        if (frame.procedure) return frame.procedure->Name;
        Text file = fileOf(frame.level);
        return file.empty() ? Text(u"日本語処理") : fileNameOf(file);
    };
    std::vector<StackFrame> frames;
    int32_t line = e.currentLine + 1;
    int32_t level = e.currentLevel;
    for (const Engine::CallFrame* frame = e.innermostFrame;; frame = frame->caller) {
        frames.push_back({frame ? nameOf(*frame) : Text(u"メイン"), line, fileOf(level)});
        if (!frame) break;
        line = frame->callerLine + 1;
        level = frame->callerLevel;
    }
    return frames;
}

}  // namespace qel
