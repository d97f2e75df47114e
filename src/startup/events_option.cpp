#include "startup/events_option.h"

#include <ostream>

#include "core/engine.h"
#include "library/registry/standard_library.h"
#include "startup/messages.h"
#include "ui/events.h"
#include "ui/replay.h"

namespace qel {

bool AttachEventsFile(Engine& engine, const std::string& path, std::ostream& err, int& problems) {
    std::string bytes;
    if (!engine.files().readFile(path, bytes)) {
        err << "qelscript: " << Say("cannot read the events file {}", {path}) << '\n';
        return false;
    }
    std::string problem;
    std::vector<ui::ReplayLine> lines = ui::Replay::Parse(text::decodeFileBytes(bytes), problem);
    if (!problem.empty()) {
        err << "qelscript: " << path << ": " << problem << '\n';
        return false;
    }
    auto replay = std::make_unique<ui::Replay>(
        std::move(lines), [&err, &problems, path](const std::string& what) {
            ++problems;
            err << "qelscript: " << path << ": " << what << '\n';
        });
    ui::Events(engine, libraryOf(engine).objects()).setReplay(std::move(replay));
    return true;
}

}  // namespace qel
