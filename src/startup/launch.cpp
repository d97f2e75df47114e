#include "startup/launch.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>

#include "engine/qel.h"
#include "library/control/version.h"
#include "lsp/server.h"
#include "platform/headless/recording_system.h"
#include "platform/headless/virtual_media.h"
#include "platform/headless/virtual_widgets.h"
#include "platform/linux/canberra_sounds.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/fluid_synth.h"
#include "platform/linux/freetype_text.h"
#include "platform/linux/linux_audio.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/midi_synth.h"
#include "platform/linux/posix_files.h"
#include "startup/attached_run.h"
#include "startup/embedded_platform.h"
#include "startup/events_option.h"
#include "startup/messages.h"
#include "startup/midi_output.h"
#include "startup/protection_option.h"
#include "text/text.h"

namespace qel {

namespace {

constexpr std::string_view kTryHelp = "Try 'qelscript --help'.";

// Standard output or the transcript could not be written: what the script
// showed there is lost, whatever else it did.
constexpr int kOutputLost = 3;

// Arguments for the script, as one command-line text (quoted where needed).
std::string joinArguments(const std::vector<std::string>& args) {
    std::string out;
    for (const auto& a : args) {
        if (!out.empty()) out += ' ';
        bool quote = a.empty() || a.find_first_of(" \t\"") != std::string::npos;
        out += quote ? "\"" + a + "\"" : a;
    }
    return out;
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    auto full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

// Whether two paths name one file (through links too); false when either
// does not exist.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Why the transcript or answers options would harm a file they must not
// touch; empty when they are safe. The transcript is emptied when it opens,
// so it may be neither the script nor the answers; answers that are the
// script would be read as the script's own lines.
std::string overwriteProblem(const ConsoleOptions& options, const std::string& scriptPath) {
    const std::string& transcript = options.transcriptPath;
    const std::string& answers = options.answersPath;
    if (!transcript.empty() && sameFile(transcript, scriptPath))
        return Say("the transcript file {} is the script file itself", {transcript});
    if (!answers.empty() && sameFile(answers, scriptPath))
        return Say("the answers file {} is the script file itself", {answers});
    if (!transcript.empty() && !answers.empty() && sameFile(transcript, answers))
        return Say("the transcript file {} is the answers file", {transcript});
    return {};
}

bool openTranscript(ConsoleHost* console, std::ostream& err) {
    std::string problem;
    if (!console || console->openTranscript(problem)) return true;
    err << "qelscript: " << problem << '\n';
    return false;
}

// The exit status of a run that got under way: a stop signal wins (128 plus
// its number, as shells report a process the signal ended), then output
// that was lost (a full disk behind standard output or the transcript),
// then the script's own outcome.
int finalStatus(int runStatus, std::ostream& out, std::ostream& err, const ConsoleHost* console,
                const volatile int* interruptFlag) {
    if (interruptFlag && *interruptFlag) return 128 + *interruptFlag;
    bool lost = console && console->outputLost();
    if (!lost && !out.flush()) {
        err << "qelscript: " << Say("cannot write to standard output") << '\n';
        lost = true;
    }
    return lost ? kOutputLost : runStatus;
}

}  // namespace

std::string helpText() {
    return HelpText(JapaneseLocale());
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    std::size_t i = 0;
    if (!args.empty() && text::toLowerAscii(args[0]) == "/run") {
        cl.runByName = true;
        i = 1;
    }
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto needValue = [&](std::string& slot) {
            if (i + 1 >= args.size()) {
                cl.error = Say("option {} needs a value", {a});
                return;
            }
            slot = args[++i];
        };
        if (a == "--") {
            ++i;
            break;
        } else if (a == "--help" || a == "-h") {
            cl.showHelp = true;
        } else if (a == "--version") {
            cl.showVersion = true;
        } else if (a == "--lsp") {
            cl.languageServer = true;
        } else if (a == "--console") {
            cl.forceConsole = true;
        } else if (a == "--transcript") {
            needValue(cl.console.transcriptPath);
        } else if (a == "--answers") {
            needValue(cl.console.answersPath);
        } else if (a == "--cancel-errors") {
            cl.console.cancelErrors = true;
        } else if (a == "--virtual-clock") {
            cl.console.virtualClock = true;
        } else if (a == "--no-system") {
            cl.console.recordSystem = true;
        } else if (a == "--screenshot") {
            needValue(cl.screenshotFolder);
            if (cl.error.empty() && cl.screenshotFolder.empty())
                cl.error = Say("option --screenshot needs a folder");
        } else if (a == "--record-midi") {
            needValue(cl.recordMidiPath);
            if (cl.error.empty() && cl.recordMidiPath.empty())
                cl.error = Say("option --record-midi needs a file");
        } else if (a == "--events") {
            needValue(cl.eventsPath);
            if (cl.error.empty() && cl.eventsPath.empty())
                cl.error = Say("option --events needs a file");
        } else if (a == "--run-attached") {
            needValue(cl.runAttachedPath);
            if (cl.error.empty() && cl.runAttachedPath.empty())
                cl.error = Say("option --run-attached needs a file");
        } else if (a == "--build") {
            cl.build = true;
            needValue(cl.buildRequest.script);
        } else if (a == "-o" || a == "--output") {
            needValue(cl.buildRequest.output);
        } else if (a == "--attach") {
            cl.buildRequest.attachments.emplace_back();
            needValue(cl.buildRequest.attachments.back());
        } else if (a == "--title") {
            needValue(cl.buildRequest.title);
        } else if (a == "--icon") {
            needValue(cl.buildRequest.icon);
        } else if (a == "--desktop-entry") {
            cl.buildRequest.desktopEntry = true;
        } else if (a == "--protect") {
            cl.setProtection = true;
            needValue(cl.protectionWords);
        } else if (a == "--show-protection") {
            cl.showProtection = true;
        } else if (a.size() > 1 && a[0] == '-' && a.rfind("--", 0) == 0) {
            cl.error = Say("unknown option {}", {a});
        } else {
            break;
        }
        if (!cl.error.empty()) return cl;
    }
    bool buildOnly = !cl.buildRequest.output.empty() || !cl.buildRequest.attachments.empty() ||
                     !cl.buildRequest.title.empty() || !cl.buildRequest.icon.empty() ||
                     cl.buildRequest.desktopEntry;
    if (cl.build && cl.buildRequest.output.empty())
        cl.error = Say("option --build needs an output file (-o FILE)");
    else if (!cl.build && buildOnly)
        cl.error =
            Say("options -o, --attach, --title, --icon and --desktop-entry belong to --build");
    if (!cl.error.empty()) return cl;
    if (i < args.size()) {
        cl.scriptPath = args[i];
        cl.scriptArguments.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
    }
    return cl;
}

namespace {
// A stand-alone application takes no options: it uses the console when no
// display is present, or when QELSCRIPT_CONSOLE=1 asks for it.
CommandLine standAloneCommandLine() {
    CommandLine cl;
    const char* console = std::getenv("QELSCRIPT_CONSOLE");
    cl.forceConsole = console && std::string(console) == "1";
    return cl;
}
}  // namespace

bool wantsConsole(const CommandLine& cl) {
    return cl.forceConsole || !cl.console.transcriptPath.empty() ||
           !cl.console.answersPath.empty() || cl.console.virtualClock || cl.console.cancelErrors;
}

LaunchMode chooseLaunchMode(const std::string& executablePath, const CommandLine& commandLine) {
    if (commandLine.runByName) return LaunchMode::RunByName;
    std::string base = std::filesystem::path(executablePath).stem().string();
    return text::toUpperAscii(base) == "QELSCRIPT" ? LaunchMode::Runtime : LaunchMode::StandAlone;
}

namespace {
// Runs a script; false when memory ran out on the way. The limits of the
// language keep a script from asking for unbounded memory, but a machine can
// still have less than a script legitimately needs: that ends the run with
// a report instead of an abort.
template <class Run>
bool runReportingExhaustion(Run&& run, std::ostream& err) {
    try {
        run();
        return true;
    } catch (const std::bad_alloc&) {
        err << "qelscript: " << Say("out of memory; the script was stopped") << '\n';
        return false;
    }
}
}  // namespace

std::string JoinScriptArguments(const std::vector<std::string>& args) {
    return joinArguments(args);
}

int runMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            std::istream& in, const volatile int* interruptFlag,
            const DesktopHostFactory& desktop) {
    // A stand-alone application's command line belongs to its script: no
    // option of ours is taken from it ("/run FILE" aside, which any copy of
    // the runtime honours).
    const std::string self = PosixFileSystem().executablePath();
    const bool byName = !args.empty() && text::toLowerAscii(args[0]) == "/run";
    // Without /proc the program cannot know its own name, nor read what it
    // carries: it stays the runtime.
    const bool standAlone =
        !byName && !self.empty() && chooseLaunchMode(self, {}) == LaunchMode::StandAlone;
    CommandLine cl = standAlone ? standAloneCommandLine() : parseCommandLine(args);
    if (!cl.error.empty()) {
        err << "qelscript: " << cl.error << '\n' << Say(kTryHelp) << '\n';
        return 2;
    }
    if (cl.showHelp) {
        out << helpText();
        return finalStatus(0, out, err, nullptr, nullptr);
    }
    if (cl.showVersion) {
        out << "qelscript " << QEL_VERSION << " (language " << text::toUtf8(versionText()) << ")\n";
        return finalStatus(0, out, err, nullptr, nullptr);
    }

    if (cl.languageServer) return lsp::LanguageServer(in, out, err).run();

    if (cl.build) return BuildApplication(cl.buildRequest, self, out, err);

    if (cl.setProtection || cl.showProtection) {
        FileSettingsStore store(FileSettingsStore::defaultFolder());
        if (!cl.setProtection) return ShowProtection(store, out, err);
        std::array<bool, 5> flags{};
        std::string problem;
        if (!ParseProtectionWords(cl.protectionWords, flags, problem)) {
            err << "qelscript: " << problem << '\n' << Say(kTryHelp) << '\n';
            return 2;
        }
        return SetProtection(store, flags, out, err);
    }

    Platform platform;
    std::unique_ptr<WidgetPort> desktopWidgets;
    std::function<void(WidgetPort&, std::unique_ptr<MediaPort>&)> wrapDesktopMedia;
    if (desktop && !wantsConsole(cl)) {
        std::string why;
        DesktopSet set = desktop(why);
        platform.ui = std::move(set.ui);
        if (platform.ui) desktopWidgets = std::move(set.widgets);
        if (platform.ui) wrapDesktopMedia = std::move(set.wrapMedia);
        // A display that was configured but cannot be used is worth a word;
        // the script still runs, on the console.
        if (!platform.ui && !why.empty())
            err << "qelscript: " << Say("{}; using the console", {why}) << '\n';
    }
    ConsoleHost* console = nullptr;
    if (!platform.ui) {
        auto host = std::make_unique<ConsoleHost>(cl.console, out, err, in);
        std::string problem;
        if (!host->ready(problem)) {
            err << "qelscript: " << problem << '\n';
            return 2;
        }
        host->watchInterrupt(interruptFlag);
        console = host.get();
        platform.ui = std::move(host);
    }
    if (cl.console.recordSystem) {
        platform.system = std::make_unique<RecordingSystem>([console](const std::string& request) {
            if (console) console->recordSystemRequest(request);
        });
    } else {
        platform.system = std::make_unique<LinuxSystem>();
    }
    // Script windows and controls: real widgets from the desktop module, or
    // virtual ones that hold every value (the console, and a desktop module
    // without widgets), so a script with windows runs either way.
    if (desktopWidgets) {
        platform.widgets = std::move(desktopWidgets);
    } else {
        auto widgets = std::make_unique<VirtualWidgets>();
        widgets->setTextRasterizer(std::make_shared<FreeTypeText>());
        platform.widgets = std::move(widgets);
    }
    if (!cl.screenshotFolder.empty() && !platform.widgets->setScreenshotFolder(cl.screenshotFolder))
        err << "qelscript: "
            << Say("--screenshot needs a display (or QT_QPA_PLATFORM=offscreen); no pictures are "
                   "taken")
            << '\n';
    // The attached files of a stand-alone run live in a folder of its own,
    // which the temporary folder answers while the script runs: scripts
    // find their files where they always looked for them.
    const bool attached = standAlone || !cl.runAttachedPath.empty();
    PrivateFolder privateFolder;
    if (attached && !privateFolder.create(PrivateFolderParent())) {
        err << "qelscript: "
            << Say("cannot make a private folder for the attached files in {}",
                   {PrivateFolderParent()})
            << '\n';
        return 2;
    }
    auto files = std::make_unique<PosixFileSystem>();
    if (attached) files->setTemporaryFolder(privateFolder.path());
    platform.files = std::move(files);
    AddMachinePorts(platform);
    // A virtual clock moves only when the script sleeps; dates stay the
    // system's.
    if (console && cl.console.virtualClock)
        console->useVirtualClock(platform, std::move(platform.clock));
    // Media play on the virtual audio output, which writes what would be
    // heard to the WAV file named by QELSCRIPT_AUDIO_OUT.
    const char* audioOut = std::getenv("QELSCRIPT_AUDIO_OUT");
    platform.media =
        std::make_unique<VirtualMediaPort>(audioOut ? audioOut : "", MakeLinuxAudioDecoders());
    if (auto& media = static_cast<VirtualMediaPort&>(*platform.media);
        !media.output().problem().empty())
        err << "qelscript: " << media.output().problem() << '\n';
    if (auto& media = static_cast<VirtualMediaPort&>(*platform.media);
        MidiFilesHeardLive(console == nullptr, media.output()))
        media.openSequencerWith([synths = MakeMidiSynthShelf()](const std::string& path,
                                                                std::function<double()> now,
                                                                std::string& error) {
            return OpenLiveMidiSynth(synths, path, std::move(now), error);
        });
    // Event sounds are the desktop's to play; on the console, or when the run
    // is rendered to a file, they are rendered from the theme's files.
    if (auto& media = static_cast<VirtualMediaPort&>(*platform.media);
        console == nullptr && !media.output().writing())
        media.playSystemSoundsWith(MakeCanberraSoundPlayer(err));
    platform.midi = ChooseMidiOutput(console == nullptr,
                                     static_cast<VirtualMediaPort&>(*platform.media).output(),
                                     cl.recordMidiPath, err);
    // On the desktop sound and video files are heard and seen; a run rendered
    // to a file keeps them all on the virtual output.
    if (wrapDesktopMedia && !static_cast<VirtualMediaPort&>(*platform.media).output().writing())
        wrapDesktopMedia(*platform.widgets, platform.media);
    std::string exePath = platform.files->executablePath();
    Qel qel(std::move(platform));
    Engine& engine = qel.engine();
    engine.interruptFlag = interruptFlag;
    engine.runEnvironment = RunEnvironment::ScriptFile;
    auto finish = [&](int status) { return finalStatus(status, out, err, console, interruptFlag); };

    if (attached) {
        if (!openTranscript(console, err)) return 2;
        std::vector<std::string> scriptArgs = cl.scriptArguments;
        if (!cl.scriptPath.empty()) scriptArgs.insert(scriptArgs.begin(), cl.scriptPath);
        engine.commandLineText = text::fromUtf8(joinArguments(standAlone ? args : scriptArgs));
        Text commandLine = engine.commandLineText;
        qel.GetSetInfo(u"コマンドライン", commandLine);
        engine.runEnvironment = RunEnvironment::StandAlone;
        const std::string image = standAlone ? exePath : absolute(cl.runAttachedPath);
        int status = 2;
        if (!runReportingExhaustion(
                [&] { status = RunAttachedApplication(qel, privateFolder, image, err); }, err))
            return finish(2);
        return finish(status);
    }
    if (cl.scriptPath.empty()) {
        auto typed = engine.ui().inputBox(u"Qelvaneプログラムファイル名を入力してください。",
                                          engine.appTitle, {});
        if (!typed || typed->empty()) {
            if (interruptFlag && *interruptFlag) return finish(0);
            err << "qelscript: " << Say("no script file given") << '\n' << Say(kTryHelp) << '\n';
            return 2;
        }
        cl.scriptPath = text::toUtf8(*typed);
    }
    std::string path = absolute(cl.scriptPath);
    std::string bytes;
    if (!engine.files().readFile(path, bytes)) {
        err << "qelscript: " << Say("cannot read the script file {}", {cl.scriptPath}) << '\n';
        return 2;
    }
    // The transcript is emptied only now, once it is known not to be the
    // script (nor the answers): a forgotten transcript name must not cost the
    // script it was given in front of.
    if (std::string problem = overwriteProblem(cl.console, path); !problem.empty()) {
        err << "qelscript: " << problem << '\n' << Say(kTryHelp) << '\n';
        return 2;
    }
    if (!openTranscript(console, err)) return 2;
    int replayProblems = 0;
    if (!cl.eventsPath.empty() &&
        !AttachEventsFile(engine, absolute(cl.eventsPath), err, replayProblems))
        return finish(2);
    engine.commandLineText = text::fromUtf8(joinArguments(cl.scriptArguments));
    Text commandLine = engine.commandLineText;
    qel.GetSetInfo(u"コマンドライン", commandLine);
    if (!runReportingExhaustion(
            [&] {
                // The file's bytes go once decoded, the decoded text once the
                // run has its own form of it.
                Text script = text::decodeFileBytes(bytes);
                std::string().swap(bytes);
                qel.RunOwned(std::move(script), text::fromUtf8(path), false);
            },
            err))
        return finish(2);
    // Windows still shown at the end are pictured now, if nothing waited.
    if (engine.platform.widgets) engine.platform.widgets->scriptAtRest();
    if (replayProblems > 0) return finish(2);
    return finish(engine.engineStatus == EngineStatus::Stopping ? 1 : 0);
}

}  // namespace qel
