// The system port that never acts: every request is written down and
// answered as if it had worked, so that tests can check what a script asked
// of the machine without shutting it down, starting programs or changing the
// desktop's file associations.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ports/platform.h"

namespace qel {

class RecordingSystem : public SystemPort {
  public:
    // Each request, as one line of text (fields separated by tabs), goes to
    // the sink as well as to `requests`.
    using Sink = std::function<void(const std::string& line)>;
    explicit RecordingSystem(Sink sink = {}) : sink_(std::move(sink)) {}

    StartedProgram startProgram(const std::string& commandLine, WindowHint hint) override;
    bool isRunning(std::int64_t taskNumber) override;
    SystemStatus openDocument(const std::string& pathOrAddress) override;
    SystemStatus endSession(SessionAction action) override;
    SystemStatus associate(const std::string& extension, const std::string& commandLine,
                           const std::string& description, const std::string& icon) override;
    SystemStatus removeAssociation(const std::string& extension) override;
    std::vector<Text> windowCaptions() override { return captions; }
    // Fixed facts, so that transcripts do not depend on the machine.
    SystemFacts facts() override { return {"0.0", "0", "Linux (no system)"}; }
    // Reading the environment changes nothing, so it is the real one.
    std::optional<std::string> environmentVariable(const std::string& name) override;
    // No program is found: aliases resolve to their first choice whatever
    // the machine has installed.
    bool programAvailable(const std::string&) override { return false; }

    std::vector<std::string> requests;
    // What windowCaptions answers.
    std::vector<Text> captions;

  private:
    void record(std::string line);

    Sink sink_;
    std::int64_t nextTask_ = 1000;
};

}  // namespace qel
