// Start-up: the command line of the executable and its launch modes.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/console_host.h"
#include "startup/app_builder.h"
#include "startup/desktop_loader.h"

namespace qel {

struct CommandLine {
    ConsoleOptions console;
    bool forceConsole = false;
    bool showHelp = false;
    bool showVersion = false;
    bool languageServer = false;   // --lsp: serve an editor on standard input/output
    bool runByName = false;        // "/run FILE"
    bool showProtection = false;   // --show-protection
    bool setProtection = false;    // --protect LIST
    std::string protectionWords;   // the LIST of --protect
    std::string screenshotFolder;  // --screenshot DIR
    std::string eventsPath;        // --events FILE
    std::string recordMidiPath;    // --record-midi FILE
    std::string runAttachedPath;   // --run-attached FILE
    bool build = false;            // --build SCRIPT
    BuildRequest buildRequest;
    std::string scriptPath;  // empty: ask for one
    std::vector<std::string> scriptArguments;
    std::string error;  // a usage error
};

// Options come before the script file; everything after the file name is the
// script's own command line.
CommandLine parseCommandLine(const std::vector<std::string>& args);

enum class LaunchMode { Runtime, RunByName, StandAlone };

// The runtime under its own name (any letter case) runs script files; under
// any other name it is a stand-alone application carrying its own script.
LaunchMode chooseLaunchMode(const std::string& executablePath, const CommandLine& commandLine);

// Makes the windowed UI host (and the widget set) of a desktop build. It
// gives nothing when no display can be used: with `why` empty when none is
// configured, else the reason the configured one failed.
using DesktopHostFactory = std::function<DesktopSet(std::string& why)>;

// Whether the options ask for the console host: --console, or any option
// that only the console host has (transcript, answers, virtual clock,
// cancelled errors).
bool wantsConsole(const CommandLine& commandLine);

// Runs the whole start-up and returns the process exit status:
// 0 the script ended, 1 it was stopped from an error box, 2 usage or file
// errors, 3 output lost, 128 + N stopped by signal N (the number the
// interrupt flag holds once it is set).
// With a desktop factory (a build with windows) the desktop host is used
// unless the console is asked for or no display can be used.
int runMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            std::istream& in, const volatile int* interruptFlag,
            const DesktopHostFactory& desktop = {});

std::string helpText();

// A script's arguments as one command-line text (quoted where needed), as
// its コマンドライン function returns them.
std::string JoinScriptArguments(const std::vector<std::string>& args);

}  // namespace qel
