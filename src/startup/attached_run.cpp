#include "startup/attached_run.h"
#include "startup/messages.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace qel {

namespace {

AttachedScript readWithProgressTitle(Engine& engine, int fd, const std::string& imagePath,
                                     PrivateFolder& folder) {
    // Extracting a large attachment takes a moment: the title says why.
    Text title = engine.appTitle;
    engine.ui().setApplicationTitle(u"ファイルを展開中 - " + title);
    AttachedScript attached = ReadAttachedScript(fd, imagePath, folder);
    engine.ui().setApplicationTitle(title);
    return attached;
}

// Components built for the other platform can be neither registered nor
// loaded here; one line says so, rather than a box per component.
void reportForeignComponents(const AttachedScript& attached, std::ostream& err) {
    if (attached.foreignComponents.empty()) return;
    err << "qelscript: attached components cannot be used on this system (extracted only):";
    for (const auto& name : attached.foreignComponents) err << ' ' << name;
    err << '\n';
}

// Linux plug-ins attached to the application (.so files) are found by 使う
// in the run's private folder before anywhere else, as components attached
// to an application always were; the folder goes first on the plug-in path.
void offerAttachedPlugins(const AttachedScript& attached, const PrivateFolder& folder) {
    bool anyPlugin = false;
    for (const auto& name : attached.extractedFiles) {
        anyPlugin = anyPlugin || (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0);
    }
    if (!anyPlugin || folder.path().empty()) return;
    std::string path = folder.path().substr(0, folder.path().size() - 1);
    if (const char* earlier = std::getenv("QELSCRIPT_PLUGIN_PATH"); earlier && *earlier)
        path += std::string(":") + earlier;
    setenv("QELSCRIPT_PLUGIN_PATH", path.c_str(), 1);
}

// The application's own icon, carried as an attached file, for its windows.
void offerAttachedIcon(const AttachedScript& attached, const PrivateFolder& folder) {
    for (const auto& name : attached.extractedFiles) {
        if (name.rfind(std::string(kIconEntryStem) + ".", 0) != 0) continue;
        setenv("QELSCRIPT_WINDOW_ICON", (folder.path() + name).c_str(), 1);
        return;
    }
}

}  // namespace

int RunAttachedApplication(Qel& qel, PrivateFolder& folder, const std::string& imagePath,
                           std::ostream& err) {
    Engine& engine = qel.engine();
    int fd = open(imagePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err << "qelscript: " << Say("cannot read the executable {}", {imagePath}) << '\n';
        return 2;
    }
    AttachedScript attached = readWithProgressTitle(engine, fd, imagePath, folder);
    close(fd);
    for (const auto& message : attached.messages)
        engine.ui().messageBox({message.text, message.style, engine.appTitle});
    reportForeignComponents(attached, err);
    offerAttachedPlugins(attached, folder);
    offerAttachedIcon(attached, folder);
    if (!attached.title.empty()) qel.setDefaultTitle(attached.title);
    qel.RunOwned(std::move(attached.script), text::fromUtf8(imagePath), false);
    if (engine.platform.widgets) engine.platform.widgets->scriptAtRest();
    CleanUpAttachedFiles(folder);
    return engine.engineStatus == EngineStatus::Stopping ? 1 : 0;
}

}  // namespace qel
