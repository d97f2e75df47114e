// The one error routine: builds the message, adds the place, records the
// error, and shows it, hands it to the script's error procedure, tells the
// host or stays silent as the error mode says. Only a Cancel stops the run.
#include "core/engine.h"
#include "core/paths.h"
#include "resources/resource_tables.h"
#include "text/number.h"

namespace qel {

namespace {

Text substitute(TextView message, TextView word) {
    Text out = text::replaceAll(message, u"\\n", kCRLF);
    out = text::replaceAll(out, u"%1", word);
    // The platform's description of the last run-time fault: faults here are
    // reported where they happen, so there is none left to describe.
    return text::replaceAll(out, u"%d", u"");
}

}  // namespace

int Engine::Report(ErrorId id, TextView word, TextView word2, int line) {
    return Report(id, errorEntry(id).icon, word, word2, line);
}

int Engine::Report(ErrorId id, ErrorIcon icon, TextView word, TextView word2, int line) {
    const ErrorEntry& entry = errorEntry(id);
    return ReportError(entry.message, entry.number, int(icon), word, word2, line);
}

int Engine::ReportText(ErrorId id, TextView message, TextView word) {
    const ErrorEntry& entry = errorEntry(id);
    return ReportError(message, entry.number, int(entry.icon), word);
}

int Engine::ReportErrorNo(int number, int style, TextView word, TextView word2, int line) {
    return ReportError(resourceLookup(resources::kMessageTable, number::format(number)), number,
                       style, word, word2, line);
}

int Engine::ReportError(TextView message, int number, int style, TextView word, TextView word2,
                        int line) {
    errors.lastErrorNumber = static_cast<int16_t>(number);
    if (engineStatus == EngineStatus::Stopping) return 0;
    Text text = substitute(message, word);
    errors.lastErrorMessage = text;
    if (runEnvironment != RunEnvironment::StandAlone) {
        Text place;
        if (line == -1) {
            errors.errorLine = currentLine + 1;
            const Text* sourceName = nullptr;
            if (std::size_t(currentLevel) < programLevels.size()) {
                sourceName = &programLevels[currentLevel]->sourceName;
            }
            errors.errorFile =
                sourceName && !sourceName->empty() ? *sourceName : fileNameOf(currentFile);
            place = errors.errorFile + u" " + number::format(errors.errorLine) + u"行目";
        } else {
            errors.errorLine = line;
            place = number::format(line) + u"行目";
        }
        text += kCRLF;
        text += u"［" + place + u" エラー番号" + number::format(number) + u"］";
    }
    if (stopRequested && engineStatus != EngineStatus::Paused) return 0;

    switch (errors.errorMode) {
        case ErrorMode::Show:
            errors.errorWord = Text(word2.empty() ? word : word2);
            style += 1;  // adds Cancel, which stops the script
            break;
        case ErrorMode::Procedure: {
            // Errors inside the error procedure are shown, never routed back
            // into it.
            // Restored however the procedure ends (a runaway inside it
            // unwinds through here).
            Restore<ErrorMode> keepMode(errors.errorMode);
            errors.errorMode = ErrorMode::Continue;
            CallProcedure(errors.errorProcedure, {}, true, nullptr);
            return 0;
        }
        case ErrorMode::Ignore:
            return 0;
        case ErrorMode::Report:
            if (runEnvironment == RunEnvironment::Editor && host) {
                RaiseHostEvent(2, u"報告", u"** エラー:" + dateTimeText(clock().localNow()));
                RaiseHostEvent(2, u"報告", text);
            }
            return 0;
        case ErrorMode::Continue:
            break;
    }

    int answerButton = kOk;
    if (runEnvironment == RunEnvironment::Editor && host && detailedErrors) {
        RaiseHostEvent(2, u"エラー", text);
        answerButton = int(number::toNumber(RaiseHostEvent(0, u"エラー", {})));
    } else {
        answerButton = ui().messageBox({text, style, appTitle, BoxPurpose::Error});
    }
    if (answerButton == kCancel) {
        DoStopRequest();
        engineStatus = EngineStatus::Stopping;
    }
    return answerButton;
}

void Engine::ClearErrorState() {
    errors.lastErrorMessage.clear();
    errors.lastErrorNumber = 0;
    errors.errorFile.clear();
    errors.errorLine = 0;
}

void Engine::ReportTooDeep(TextView where) {
    // One report per runaway: the levels that unwind after it stay silent.
    if (!unwinding()) {
        Report(ErrorId::NestingTooDeep, where.substr(0, 80));
        // In the main program's own list there is nothing to unwind.
        if (nestingDepth > 1) startUnwinding();
    }
    if (unwinding()) throw Abandoned{};
}

}  // namespace qel
