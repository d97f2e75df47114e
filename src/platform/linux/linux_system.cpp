#include "platform/linux/linux_system.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/linux/command_line.h"
#include "platform/linux/desktop_association.h"
#include "text/text.h"

#ifdef QEL_WITH_SYSTEMD
#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>
#endif
#ifdef QEL_WITH_XTEST
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

extern char** environ;

namespace qel {

namespace {

SystemStatus fault(SystemFault kind, std::string message) {
    return {kind, std::move(message)};
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string searchPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    const char* pathVariable = std::getenv("PATH");
    // An empty entry would mean the current folder: it is not searched.
    for (const std::string& dir :
         text::splitNonEmpty(pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin", ':')) {
        std::string candidate = dir + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

// Only real programs are started: an ELF image or a script naming its
// interpreter. Anything else (a text file with the execute bit) would be
// handed to a shell by some exec routines, which we never want.
bool looksLikeProgram(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    if (in.gcount() >= 4 && std::memcmp(head,
                                        "\x7f"
                                        "ELF",
                                        4) == 0)
        return true;
    return in.gcount() >= 2 && head[0] == '#' && head[1] == '!';
}

// Why a located program cannot be started, or nothing when it can.
std::optional<SystemStatus> whyNotStartable(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return fault(SystemFault::NotFound, path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return fault(SystemFault::NotProgram, path + ": プログラムではありません。");
    if (access(path.c_str(), X_OK) != 0)
        return fault(SystemFault::NotProgram, path + ": 実行が許可されていません。");
    if (!looksLikeProgram(path))
        return fault(SystemFault::NotProgram, path + ": プログラムではありません。");
    return std::nullopt;
}

// Spawn attributes for a program that lives its own life: default signal
// handling and an empty mask (whatever the runtime blocks or ignores), and
// its own process group, so a Ctrl+C meant for the script does not end it.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
        posix_spawn_file_actions_init(&actions);
        // A program in another process group must not read the terminal.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

bool isAddress(const std::string& text) {
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2) return false;  // "C:" is a drive, not a scheme
    for (std::size_t i = 0; i < colon; ++i) {
        char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

}  // namespace

std::string locateProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) {
        struct stat info {};
        return stat(name.c_str(), &info) == 0 ? name : std::string();
    }
    if (std::string found = searchPath(name); !found.empty()) return found;
    struct stat info {};
    if (stat(name.c_str(), &info) == 0) return "./" + name;
    return {};
}

std::pair<std::string, std::string> kernelVersionParts(const std::string& release) {
    std::vector<std::string> numbers;
    std::string current;
    for (char c : release) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            current += c;
            continue;
        }
        numbers.push_back(current);
        current.clear();
        if (c != '.' || numbers.size() == 3) break;
    }
    if (!current.empty()) numbers.push_back(current);
    auto part = [&](std::size_t i) {
        return i < numbers.size() && !numbers[i].empty() ? numbers[i] : std::string("0");
    };
    return {part(0) + "." + part(1), part(2)};
}

std::string osReleaseName(const std::string& osRelease) {
    std::string pretty, name;
    std::istringstream in(osRelease);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key == "PRETTY_NAME") pretty = value;
        if (key == "NAME") name = value;
    }
    return pretty.empty() ? name : pretty;
}

StartedProgram LinuxSystem::startProgram(const std::string& commandLine, WindowHint hint) {
    // The desktops give a newly started program no way to be told how its
    // first window should appear, so the hint is not passed on.
    (void)hint;
    auto words = splitCommandLine(commandLine);
    if (!words) return {fault(SystemFault::Other, "引用符が閉じていません。"), 0};
    if (words->empty())
        return {fault(SystemFault::NotFound, "起動するプログラムが指定されていません。"), 0};
    std::string path = locateProgram(words->front());
    if (path.empty())
        return {fault(SystemFault::NotFound, words->front() + ": " + std::strerror(ENOENT)), 0};
    if (auto why = whyNotStartable(path)) return {*why, 0};
    return spawn(*words, path);
}

StartedProgram LinuxSystem::spawn(const std::vector<std::string>& words,
                                  const std::string& program) {
    reapEnded();
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    SpawnSetup setup;
    pid_t pid = 0;
    int error =
        posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (error == ENOENT)
        return {fault(SystemFault::NotFound, program + ": " + std::strerror(error)), 0};
    if (error == ENOEXEC || error == EACCES)
        return {fault(SystemFault::NotProgram, program + ": " + std::strerror(error)), 0};
    if (error != 0) return {fault(SystemFault::Other, program + ": " + std::strerror(error)), 0};
    children_[pid] = true;
    return {{}, pid};
}

void LinuxSystem::reapEnded() {
    for (auto& [pid, running] : children_) {
        if (!running) continue;
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) running = false;
    }
}

bool LinuxSystem::isRunning(std::int64_t taskNumber) {
    if (taskNumber <= 0 || taskNumber > INT_MAX) return false;
    reapEnded();
    const pid_t pid = static_cast<pid_t>(taskNumber);
    if (auto it = children_.find(pid); it != children_.end()) return it->second;
    // Someone else's process: it runs while a signal could reach it.
    return kill(pid, 0) == 0 || errno == EPERM;
}

SystemStatus LinuxSystem::openDocument(const std::string& pathOrAddress) {
    if (pathOrAddress.empty())
        return fault(SystemFault::NotFound, "開くものが指定されていません。");
    std::string target = pathOrAddress;
    if (!isAddress(target)) {
        struct stat info {};
        if (stat(target.c_str(), &info) != 0)
            return fault(SystemFault::NotFound, target + ": " + std::strerror(errno));
        // The opener must not read a file name as one of its options.
        if (target[0] == '-') target = "./" + target;
    }
    std::vector<std::string> argv;
    if (std::string opener = searchPath("xdg-open"); !opener.empty()) {
        argv = {opener, target};
    } else if (std::string gio = searchPath("gio"); !gio.empty()) {
        argv = {gio, "open", target};
    } else {
        return fault(SystemFault::Refused, "xdg-open も gio も見つからないため、開けません。");
    }
    StartedProgram started = spawn(argv, argv.front());
    return started.status;
}

#ifdef QEL_WITH_SYSTEMD
namespace {

struct BusDeleter {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};

std::optional<std::string> callersSession() {
    char* session = nullptr;
    if (sd_pid_get_session(0, &session) >= 0 && session) {
        std::string id(session);
        std::free(session);
        return id;
    }
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && *id) return std::string(id);
    return std::nullopt;
}

SystemStatus busFailure(sd_bus_error& error, int result) {
    std::string message = error.message ? error.message : std::strerror(-result);
    sd_bus_error_free(&error);
    return fault(SystemFault::Refused, "systemd-logind: " + message);
}

}  // namespace

SystemStatus LinuxSystem::endSession(SessionAction action) {
    sd_bus* raw = nullptr;
    int result = sd_bus_open_system(&raw);
    if (result < 0)
        return fault(SystemFault::Refused,
                     std::string("システムバスに接続できません: ") + std::strerror(-result));
    std::unique_ptr<sd_bus, BusDeleter> bus(raw);
    const char* service = "org.freedesktop.login1";
    const char* path = "/org/freedesktop/login1";
    const char* manager = "org.freedesktop.login1.Manager";
    sd_bus_error error = SD_BUS_ERROR_NULL;
    // interactive=false: logind must not stop to ask for a password; the
    // user's policy decides at once.
    switch (action) {
        case SessionAction::PowerOff:
            result = sd_bus_call_method(bus.get(), service, path, manager, "PowerOff", &error,
                                        nullptr, "b", 0);
            break;
        case SessionAction::Reboot:
            result = sd_bus_call_method(bus.get(), service, path, manager, "Reboot", &error,
                                        nullptr, "b", 0);
            break;
        case SessionAction::Suspend:
            result = sd_bus_call_method(bus.get(), service, path, manager, "Suspend", &error,
                                        nullptr, "b", 0);
            break;
        case SessionAction::LogOff:
        case SessionAction::ForcedLogOff: {
            auto session = callersSession();
            if (!session)
                return fault(SystemFault::Refused,
                             "このプログラムはログインセッションの中で動いていません。");
            if (action == SessionAction::LogOff)
                result = sd_bus_call_method(bus.get(), service, path, manager, "TerminateSession",
                                            &error, nullptr, "s", session->c_str());
            else
                result =
                    sd_bus_call_method(bus.get(), service, path, manager, "KillSession", &error,
                                       nullptr, "ssi", session->c_str(), "all", SIGKILL);
            break;
        }
    }
    if (result < 0) return busFailure(error, result);
    sd_bus_error_free(&error);
    return {};
}
#else
SystemStatus LinuxSystem::endSession(SessionAction) {
    return fault(SystemFault::Refused, "このビルドは systemd-logind に対応していません。");
}
#endif

SystemStatus LinuxSystem::associate(const std::string& extension, const std::string& commandLine,
                                    const std::string& description, const std::string& icon) {
    return associateExtension(xdgFoldersFromEnvironment(), extension, commandLine, description,
                              icon);
}

SystemStatus LinuxSystem::removeAssociation(const std::string& extension) {
    return removeExtensionAssociation(xdgFoldersFromEnvironment(), extension);
}

#ifdef QEL_WITH_XTEST
namespace {

// Windows may vanish while we read them; their errors are expected.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

std::optional<std::string> utf8Property(Display* d, Window w, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actualType, &format, &count,
                           &after, &data) != Success ||
        !data)
        return std::nullopt;
    std::string value(reinterpret_cast<char*>(data), format == 8 ? count : 0);
    XFree(data);
    if (actualType != type || value.empty()) return std::nullopt;
    return value;
}

std::optional<std::string> legacyName(Display* d, Window w) {
    XTextProperty property{};
    if (!XGetWMName(d, w, &property) || !property.value) return std::nullopt;
    std::string name;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &property, &list, &count) >= Success && list && count > 0)
        name = list[0];
    if (list) XFreeStringList(list);
    XFree(property.value);
    if (name.empty()) return std::nullopt;
    return name;
}

std::vector<Window> topLevelWindows(Display* d) {
    Window root = DefaultRootWindow(d);
    std::vector<Window> windows;
    Atom clientList = XInternAtom(d, "_NET_CLIENT_LIST", False);
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root, clientList, 0, 65536, False, XA_WINDOW, &actualType, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (actualType == XA_WINDOW && format == 32) {
            auto* ids = reinterpret_cast<unsigned long*>(data);
            windows.assign(ids, ids + count);
        }
        XFree(data);
    }
    if (!windows.empty()) return windows;
    // No window manager keeps a list: the root's mapped children will do.
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(d, root, &rootOut, &parent, &children, &n) && children) {
        for (unsigned int i = 0; i < n; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(d, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                windows.push_back(children[i]);
        }
        XFree(children);
    }
    return windows;
}

}  // namespace

std::vector<Text> LinuxSystem::windowCaptions() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return {};
    auto previous = XSetErrorHandler(ignoreErrors);
    std::vector<Text> captions;
    if (Display* d = XOpenDisplay(nullptr)) {
        Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
        Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
        for (Window w : topLevelWindows(d)) {
            auto caption = utf8Property(d, w, netWmName, utf8);
            if (!caption) caption = legacyName(d, w);
            if (caption) captions.push_back(text::fromUtf8(*caption));
        }
        XCloseDisplay(d);
    }
    XSetErrorHandler(previous);
    return captions;
}
#else
std::vector<Text> LinuxSystem::windowCaptions() {
    return {};
}
#endif

SystemFacts LinuxSystem::facts() {
    SystemFacts facts;
    struct utsname names {};
    if (uname(&names) == 0)
        std::tie(facts.version, facts.build) = kernelVersionParts(names.release);
    std::string osRelease;
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(path);
        if (!in) continue;
        osRelease.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        break;
    }
    std::string distribution = osReleaseName(osRelease);
    facts.kind = distribution.empty() ? "Linux" : "Linux " + distribution;
    return facts;
}

std::optional<std::string> LinuxSystem::environmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool LinuxSystem::programAvailable(const std::string& name) {
    return !searchPath(name).empty();
}

}  // namespace qel
