// Paths as scripts write them (either separator, Windows habits) and as the
// system takes them.
#pragma once

#include <string>

#include "text/text.h"

namespace qel {

// "\" and "/" are both separators; the system path uses "/" and UTF-8.
std::string toNativePath(TextView scriptPath);
// A system path as scripts see it.
Text fromNativePath(const std::string& path);
// Everything up to and including the last separator ("" when none).
Text folderOf(TextView path);
// The text after the last separator.
Text fileNameOf(TextView path);
// An absolute path ("/" separators) with "." and ".." taken out; a relative
// one is taken from `base`, itself absolute.
Text normalisedPath(TextView path, TextView base);

}  // namespace qel
