// Finds the browser's WebEngine face (qelscript-web.so) once per process.
#pragma once

#include <string>

#include "platform/qt/qt_web_face.h"

namespace qel::qtw {

// The module's factory, or null when the module is refused, missing or
// cannot be loaded; browsers then show pages in the lighter text view.
// QELSCRIPT_WEB_MODULE chooses: "none" refuses the module, a path names
// it; unset, it is looked for beside the code that asks (the desktop
// module), then in ../lib/qelscript.
MakeWebFace webFaceFactory();

// Why the last attempt gave no factory (empty when none was refused).
const std::string& webFaceRefusal();

}  // namespace qel::qtw
