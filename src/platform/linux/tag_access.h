// Tags of sound files (title, artist, album …) and their stream information.
#pragma once

#include <optional>
#include <string>

#include "platform/ports/media.h"

namespace qel {

std::optional<AudioTags> ReadTags(const std::string& path);
bool WriteTags(const std::string& path, const AudioTags& tags);

}  // namespace qel
