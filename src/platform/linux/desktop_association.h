// File associations the freedesktop.org way: a desktop entry of our own in
// the user's applications folder, the user's default for the extension's
// MIME type in mimeapps.list, and, only when no installed MIME type claims
// the extension, a small MIME package defining one. Everything written is
// marked so that removing the association undoes exactly that and nothing
// the user or other programs set up.
#pragma once

#include <string>
#include <vector>

#include "platform/ports/platform.h"

namespace qel {

struct XdgFolders {
    std::string dataHome;               // $XDG_DATA_HOME or ~/.local/share
    std::string configHome;             // $XDG_CONFIG_HOME or ~/.config
    std::vector<std::string> dataDirs;  // $XDG_DATA_DIRS or /usr/local/share:/usr/share
};

XdgFolders xdgFoldersFromEnvironment();

// extension: with or without its dot; letters, digits and _ - + ~ only.
// Failure messages are for users (Japanese), like the other ports'.
SystemStatus associateExtension(const XdgFolders& folders, const std::string& extension,
                                const std::string& commandLine, const std::string& description,
                                const std::string& icon);
SystemStatus removeExtensionAssociation(const XdgFolders& folders, const std::string& extension);

// The desktop entry's Exec value for a command line written for the old
// shell: "%1" becomes the file (%f), other % signs are kept literally, and
// the file is appended when the line does not place it. Empty when the
// line's quotes do not close.
std::string desktopExecFor(const std::string& commandLine);

}  // namespace qel
