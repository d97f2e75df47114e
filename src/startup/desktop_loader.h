// Finds and loads the desktop module beside the executable.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ports/platform.h"

namespace qel {

// What the desktop module gives: its UI host, and the widget set for script
// windows and controls (none from a module that has no widgets).
struct DesktopSet {
    DesktopSet() = default;
    // A host alone (hosts made by tests): its windows are virtual.
    DesktopSet(std::unique_ptr<UiHost> host) : ui(std::move(host)) {}  // NOLINT: implicit
    std::unique_ptr<UiHost> ui;
    std::unique_ptr<WidgetPort> widgets;
    // Wraps the headless media port so that files play on the desktop
    // (empty from a module without media).
    std::function<void(WidgetPort& widgets, std::unique_ptr<MediaPort>& port)> wrapMedia;
};

// Where the module `moduleName` of the executable in `folder` is: beside it
// (a build tree, a copied application), else in ../lib/qelscript (an
// installed package keeps modules out of bin/). The first path when neither
// exists, so that a failure names where the module was looked for.
std::string FindDesktopModule(const std::string& folder, const std::string& moduleName);

// The desktop host and widgets from the module `moduleName` (found as above); nothing when no
// display is configured (the module is then not loaded), or when it cannot be loaded or started
// (`why` says so).
DesktopSet loadDesktop(const std::string& moduleName, std::string& why);

}  // namespace qel
