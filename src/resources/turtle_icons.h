// The turtle's icons, one PNG per resource number (101 facing up, then one
// per 15° turn), built into the program from src/resources/turtle.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/text.h"

namespace qel::resources {

struct EmbeddedIcon {
    int resource;
    const unsigned char* bytes;
    std::size_t size;
};
extern const EmbeddedIcon kTurtleIcons[];
extern const std::size_t kTurtleIconCount;

// The name a turtle icon's picture goes by: ":/turtle/<resource>.png", the
// same on every host.
Text turtleIconName(int resource);

// The PNG bytes of a name turtleIconName gives; empty for any other name.
std::string_view turtleIconPng(TextView name);

}  // namespace qel::resources
