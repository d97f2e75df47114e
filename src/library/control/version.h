#pragma once

#include "text/text.h"

namespace qel {

// The language version this runtime implements, then "." and our revision.
inline Text versionText() {
    return u"1.5Beta.1";
}

}  // namespace qel
