// The WebEngine face is a module of its own: WebEngine brings Chromium, which
// many machines do not have and which is slow to start, so the desktop module
// loads it only when a script first makes a browser, and keeps working
// without it.
#include "platform/qt/qt_web_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace qel::qtw {

namespace {

constexpr const char* kModuleName = "qelscript-web.so";

std::string refusal;

// The folder of the file this code was loaded from: the desktop module when
// the executable loaded it, the program itself when linked in.
std::filesystem::path ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&webFaceFactory), &info) == 0 || !info.dli_fname) return {};
    std::error_code error;
    std::filesystem::path self = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::filesystem::path(info.dli_fname).parent_path() : self.parent_path();
}

std::optional<std::string> modulePath() {
    const char* chosen = std::getenv("QELSCRIPT_WEB_MODULE");
    if (chosen && std::string(chosen) == "none") return std::nullopt;
    if (chosen && *chosen) return std::string(chosen);
    const std::filesystem::path folder = ownFolder();
    std::error_code error;
    for (const std::filesystem::path& candidate :
         {folder / kModuleName, folder / ".." / "lib" / "qelscript" / kModuleName}) {
        if (std::filesystem::exists(candidate, error)) return candidate.lexically_normal().string();
    }
    return std::nullopt;
}

MakeWebFace load() {
    const std::optional<std::string> path = modulePath();
    if (!path) return nullptr;  // no WebEngine here: the text view is the face
    // Loaded for the rest of the process: its views may live until the end.
    void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        refusal = error ? error : *path;
    } else if (auto make = reinterpret_cast<MakeWebFace>(dlsym(module, "qel_make_web_face"))) {
        return make;
    } else {
        refusal = *path + " has no entry point";
    }
    // Installed but broken is worth a line: the user expected the full browser.
    std::fprintf(stderr, "qelscript: browsers show pages without WebEngine (%s)\n",
                 refusal.c_str());
    return nullptr;
}

}  // namespace

MakeWebFace webFaceFactory() {
    static const MakeWebFace factory = load();
    return factory;
}

const std::string& webFaceRefusal() {
    return refusal;
}

}  // namespace qel::qtw
