#include "platform/linux/tag_access.h"

namespace qel {

// No tag library is connected yet: files have no tag to read, and writing
// one fails (the caller reports it).
std::optional<AudioTags> ReadTags(const std::string& path) {
    (void)path;
    return std::nullopt;
}

bool WriteTags(const std::string& path, const AudioTags& tags) {
    (void)path, (void)tags;
    return false;
}

}  // namespace qel
