// Test scripts written as a list of lines.
#pragma once

#include <initializer_list>

#include "text/text.h"

namespace qel {

// The lines joined as a loaded script file is: CR LF after each.
inline Text scriptOf(std::initializer_list<TextView> lines) {
    Text script;
    for (TextView line : lines) {
        script += line;
        script += kCRLF;
    }
    return script;
}

}  // namespace qel
