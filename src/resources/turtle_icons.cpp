#include "resources/turtle_icons.h"

#include "text/number.h"

namespace qel::resources {

namespace {
constexpr TextView kPrefix = u":/turtle/";
constexpr TextView kSuffix = u".png";
}  // namespace

Text turtleIconName(int resource) {
    return Text(kPrefix) + number::format(resource) + Text(kSuffix);
}

std::string_view turtleIconPng(TextView name) {
    if (!text::startsWith(name, kPrefix) || !text::endsWith(name, kSuffix)) return {};
    const TextView digits =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    for (std::size_t i = 0; i < kTurtleIconCount; ++i) {
        const EmbeddedIcon& icon = kTurtleIcons[i];
        if (number::format(icon.resource) == digits)
            return {reinterpret_cast<const char*>(icon.bytes), icon.size};
    }
    return {};
}

}  // namespace qel::resources
