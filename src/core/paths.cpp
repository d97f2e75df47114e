#include "core/paths.h"

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

}  // namespace qel
