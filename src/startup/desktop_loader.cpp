#include "startup/desktop_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace qel {
namespace {

bool setInEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

std::string executableFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

}  // namespace

std::string FindDesktopModule(const std::string& folder, const std::string& moduleName) {
    const std::filesystem::path beside = std::filesystem::path(folder) / moduleName;
    const std::filesystem::path installed =
        std::filesystem::path(folder) / ".." / "lib" / "qelscript" / moduleName;
    std::error_code error;
    if (!std::filesystem::exists(beside, error) && std::filesystem::exists(installed, error))
        return installed.lexically_normal().string();
    return beside.string();
}

DesktopSet loadDesktop(const std::string& moduleName, std::string& why) {
    // Without any display there is nothing the module could show: loading
    // it (and Qt with it) would only slow the start.
    if (!setInEnvironment("DISPLAY") && !setInEnvironment("WAYLAND_DISPLAY") &&
        !setInEnvironment("QT_QPA_PLATFORM")) {
        return {};
    }
    std::string path = FindDesktopModule(executableFolder(), moduleName);
    // The module stays loaded for the rest of the process: the host it makes
    // lives until the end.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        why = "the desktop module cannot be loaded (" + std::string(error ? error : path) + ")";
        return {};
    }
    using Make = void (*)(std::unique_ptr<UiHost>&, std::string&);
    auto make = reinterpret_cast<Make>(dlsym(module, "qel_make_desktop_host"));
    if (!make) {
        why = "the desktop module " + path + " has no entry point";
        return {};
    }
    DesktopSet desktop;
    make(desktop.ui, why);
    using MakeWidgets = void (*)(UiHost&, std::unique_ptr<WidgetPort>&);
    auto makeWidgets = reinterpret_cast<MakeWidgets>(dlsym(module, "qel_make_desktop_widgets"));
    if (desktop.ui && makeWidgets) makeWidgets(*desktop.ui, desktop.widgets);
    using WrapMedia = void (*)(WidgetPort&, std::unique_ptr<MediaPort>&);
    if (auto wrap = reinterpret_cast<WrapMedia>(dlsym(module, "qel_make_desktop_media")))
        desktop.wrapMedia = wrap;
    return desktop;
}

}  // namespace qel
