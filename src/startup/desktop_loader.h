// Finds and loads the desktop module beside the executable.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/platform.h"

namespace qel {

// The desktop host from the module `moduleName` in the executable's folder;
// nothing when no display is configured (the module is then not loaded), or
// when it cannot be loaded or started (`why` says so).
std::unique_ptr<UiHost> loadDesktopHost(const std::string& moduleName, std::string& why);

}  // namespace qel
