#include "startup/attached_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <ostream>

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

}  // namespace

int RunAttachedApplication(Qel& qel, PrivateFolder& folder, const std::string& imagePath,
                           std::ostream& err) {
    Engine& engine = qel.engine();
    int fd = open(imagePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err << "qelscript: cannot read the executable " << imagePath << '\n';
        return 2;
    }
    AttachedScript attached = readWithProgressTitle(engine, fd, imagePath, folder);
    close(fd);
    for (const auto& message : attached.messages)
        engine.ui().messageBox({message.text, message.style, engine.appTitle});
    reportForeignComponents(attached, err);
    if (!attached.title.empty()) qel.setDefaultTitle(attached.title);
    qel.RunOwned(std::move(attached.script), text::fromUtf8(imagePath), false);
    if (engine.platform.widgets) engine.platform.widgets->scriptAtRest();
    CleanUpAttachedFiles(folder);
    return engine.engineStatus == EngineStatus::Stopping ? 1 : 0;
}

}  // namespace qel
