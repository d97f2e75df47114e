// The system port on Linux: programs are started with posix_spawn (never
// through a shell), documents are opened with xdg-open, the session is ended
// through systemd-logind, associations are freedesktop.org desktop entries,
// and window captions come from the X11 window manager's client list.
#pragma once

#include <sys/types.h>

#include <map>

#include "platform/ports/platform.h"

namespace qel {

class LinuxSystem : public SystemPort {
  public:
    StartedProgram startProgram(const std::string& commandLine, WindowHint hint) override;
    bool isRunning(std::int64_t taskNumber) override;
    SystemStatus openDocument(const std::string& pathOrAddress) override;
    SystemStatus endSession(SessionAction action) override;
    SystemStatus associate(const std::string& extension, const std::string& commandLine,
                           const std::string& description, const std::string& icon) override;
    SystemStatus removeAssociation(const std::string& extension) override;
    std::vector<Text> windowCaptions() override;
    SystemFacts facts() override;
    std::optional<std::string> environmentVariable(const std::string& name) override;
    bool programAvailable(const std::string& name) override;

  private:
    StartedProgram spawn(const std::vector<std::string>& argv, const std::string& program);
    // Reaps every started program that has ended, so none stays a zombie.
    void reapEnded();

    // Programs this port started: true while running.
    std::map<pid_t, bool> children_;
};

// Where a program name leads: a name with a slash is taken as a path; one
// without is looked up on PATH, then in the current folder (as users of the
// old system expect of a program lying beside the script). Empty when
// nothing of that name exists.
std::string locateProgram(const std::string& name);

// "major.minor" and the patch number of a kernel release such as
// "6.1.0-13-amd64".
std::pair<std::string, std::string> kernelVersionParts(const std::string& release);
// PRETTY_NAME (else NAME) from the text of an os-release file.
std::string osReleaseName(const std::string& osRelease);

}  // namespace qel
