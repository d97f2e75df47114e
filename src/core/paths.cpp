#include "core/paths.h"

#include <vector>

namespace qel {

std::string toNativePath(TextView scriptPath) {
    Text path(scriptPath);
    for (char16_t& c : path) {
        if (c == u'\\') c = u'/';
    }
    return text::toUtf8(path);
}

Text fromNativePath(const std::string& path) {
    return text::fromUtf8(path);
}

namespace {
std::size_t lastSeparator(TextView path) {
    std::size_t slash = path.find_last_of(u"/\\");
    return slash;
}
}  // namespace

Text folderOf(TextView path) {
    std::size_t p = lastSeparator(path);
    return p == TextView::npos ? Text() : Text(path.substr(0, p + 1));
}

Text fileNameOf(TextView path) {
    std::size_t p = lastSeparator(path);
    return Text(p == TextView::npos ? path : path.substr(p + 1));
}

Text normalisedPath(TextView path, TextView base) {
    Text whole(path);
    for (char16_t& c : whole) {
        if (c == u'\\') c = u'/';
    }
    if (whole.empty() || whole[0] != u'/') {
        const bool slashed = !base.empty() && base.back() == u'/';
        whole = Text(base) + (slashed ? u"" : u"/") + whole;
    }
    std::vector<Text> parts;
    for (Text& part : text::splitNonEmpty(whole, u'/')) {
        if (part == u".") continue;
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    Text out = u"/" + text::join(parts, u"/");
    if (whole.back() == u'/' && !parts.empty()) out += u'/';
    return out;
}

}  // namespace qel
