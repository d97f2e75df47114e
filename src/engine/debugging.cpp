// Stop lines, steps and pauses asked for from another thread: the engine
// watches statements only while one of them is in force.
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

void Qel::StepOver() {
    stepping_ = true;
    stepDepth_ = engine_->procedureDepth;
    refreshWatch();
}

void Qel::refreshWatch() {
    engine_->watchStatements.store(anyStopLine_ || stepping_);
    // A request made while the flag was being worked out must not be lost.
    if (pauseRequested_.load() || stopLinesRequested_.load()) engine_->watchStatements.store(true);
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

void Qel::beforeWatchedStatement(const StatementRecord& record) {
    Engine& e = *engine_;
    if (stopLinesRequested_.exchange(false)) {
        std::vector<bool> lines;
        {
            std::lock_guard<std::mutex> lock(requestMutex_);
            lines.swap(requestedStopLines_);
        }
        SetStopLine(std::move(lines));
    }
    if (pauseRequested_.exchange(false)) {
        // A pause the host asked for while the script was already paused
        // would otherwise resume it.
        if (e.engineStatus != EngineStatus::Paused) pauseFor({});
    } else if (e.currentLevel == 0 && isListStatement(record)) {
        // Lines of files run by 実行 and texts run by 日本語処理 belong to
        // other programs: the stop lines and steps are the main program's.
        const auto line = std::size_t(e.currentLine);
        if (stepping_ && e.procedureDepth <= stepDepth_) {
            stepping_ = false;
            pauseFor(kStepReason);
        } else if (line < e.stopLines.size() && e.stopLines[line]) {
            pauseFor(kStopLineReason);
        }
    }
    refreshWatch();
}

void Qel::pauseFor(TextView reason) {
    Engine& e = *engine_;
    e.engineStatus = EngineStatus::Paused;
    e.RaiseHostEvent(2, u"中断", reason);
}

}  // namespace qel
