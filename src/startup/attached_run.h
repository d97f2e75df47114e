// Runs a script carried by an executable (a stand-alone application, or an
// old one given to --run-attached) with its attached files beside it.
#pragma once

#include <iosfwd>
#include <string>

#include "engine/qel.h"
#include "startup/attached_script.h"

namespace qel {

// Extracts the attachment of `imagePath` into `folder`, runs its script
// under the executable's name and removes the folder afterwards. Returns
// the exit status: 0 the script ended, 1 it was stopped from an error box,
// 2 the executable cannot be opened.
int RunAttachedApplication(Qel& qel, PrivateFolder& folder, const std::string& imagePath,
                           std::ostream& err);

}  // namespace qel
