// Programs, documents, sessions and associations of the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {

// How a started program's first window should appear (a hint: the desktop
// may ignore it).
enum class WindowHint { Normal, Minimized, MinimizedWithoutFocus, Maximized };

// Why a request to the system failed, in the classes scripts report differently.
enum class SystemFault {
    None,
    NotFound,    // the program, document or file does not exist
    NotProgram,  // it exists but is not something that can be started
    Refused,     // the system said no (no permission, no session manager)
    Other,
};

struct SystemStatus {
    SystemFault fault = SystemFault::None;
    std::string message;  // the system's description of the fault (UTF-8)
    explicit operator bool() const { return fault == SystemFault::None; }
};

struct StartedProgram {
    SystemStatus status;
    std::int64_t taskNumber = 0;  // the process id, when it started
};

// Ending the user's session or the machine's work.
enum class SessionAction { PowerOff, Reboot, LogOff, ForcedLogOff, Suspend };

// What scripts may learn about the system they run on.
struct SystemFacts {
    std::string version;  // "major.minor" of the operating system
    std::string build;    // its build (patch) number
    std::string kind;     // the system's name as users know it
};

// Requests that act on the machine or the desktop beyond the script's own
// files. The headless implementation records them and never acts, so that no
// test can shut a machine down or change its file associations.
class SystemPort {
  public:
    virtual ~SystemPort() = default;
    // Starts a command line (program and arguments, quoted as a shell would
    // read them, but never run through a shell).
    virtual StartedProgram startProgram(const std::string& commandLine, WindowHint hint) = 0;
    // Whether a program this port started is still running; an ended one is
    // reaped here.
    virtual bool isRunning(std::int64_t taskNumber) = 0;
    // Opens a document or an address with the program the desktop associates
    // with it.
    virtual SystemStatus openDocument(const std::string& pathOrAddress) = 0;
    virtual SystemStatus endSession(SessionAction action) = 0;
    // Makes files with this extension (without the dot) open with the command
    // line; description and icon as the desktop shows them.
    virtual SystemStatus associate(const std::string& extension, const std::string& commandLine,
                                   const std::string& description, const std::string& icon) = 0;
    virtual SystemStatus removeAssociation(const std::string& extension) = 0;
    // The captions of the desktop's top-level windows that have one.
    virtual std::vector<Text> windowCaptions() = 0;
    virtual SystemFacts facts() { return {}; }
    // The value of an environment variable; nothing when it is not set.
    virtual std::optional<std::string> environmentVariable(const std::string& name) {
        (void)name;
        return std::nullopt;
    }
    // Whether a program of this name would be found on the search path.
    virtual bool programAvailable(const std::string& name) {
        (void)name;
        return false;
    }
};

}  // namespace qel
