#include "platform/headless/recording_system.h"

#include <cstdlib>

namespace qel {
namespace {

const char* hintName(WindowHint hint) {
    switch (hint) {
        case WindowHint::Minimized:
            return "minimized";
        case WindowHint::MinimizedWithoutFocus:
            return "background";
        case WindowHint::Maximized:
            return "maximized";
        case WindowHint::Normal:
            break;
    }
    return "normal";
}

const char* actionName(SessionAction action) {
    switch (action) {
        case SessionAction::PowerOff:
            return "poweroff";
        case SessionAction::Reboot:
            return "reboot";
        case SessionAction::LogOff:
            return "logoff";
        case SessionAction::ForcedLogOff:
            return "forced-logoff";
        case SessionAction::Suspend:
            return "suspend";
    }
    return "?";
}

}  // namespace

void RecordingSystem::record(std::string line) {
    if (sink_) sink_(line);
    requests.push_back(std::move(line));
}

StartedProgram RecordingSystem::startProgram(const std::string& commandLine, WindowHint hint) {
    record("start\t" + commandLine + "\t" + hintName(hint));
    return {{}, nextTask_++};
}

// Recorded programs end the moment they start, so a wait for one returns.
bool RecordingSystem::isRunning(std::int64_t) {
    return false;
}

SystemStatus RecordingSystem::openDocument(const std::string& pathOrAddress) {
    record("open\t" + pathOrAddress);
    return {};
}

SystemStatus RecordingSystem::endSession(SessionAction action) {
    record(std::string("session\t") + actionName(action));
    return {};
}

SystemStatus RecordingSystem::associate(const std::string& extension,
                                        const std::string& commandLine,
                                        const std::string& description, const std::string& icon) {
    record("associate\t" + extension + "\t" + commandLine + "\t" + description + "\t" + icon);
    return {};
}

std::optional<std::string> RecordingSystem::environmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

SystemStatus RecordingSystem::removeAssociation(const std::string& extension) {
    record("unassociate\t" + extension);
    return {};
}

}  // namespace qel
