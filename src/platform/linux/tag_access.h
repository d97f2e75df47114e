// Tags of sound files (title, artist, album …) and their stream information.
#pragma once

#include <optional>
#include <string>

#include "platform/ports/media.h"

namespace qel {

// Through TagLib (MP3, FLAC, Ogg, MP4 and the other formats it knows); none
// when the file is not one of them, is damaged, or TagLib is not installed.
std::optional<AudioTags> ReadTags(const std::string& path);
// Writes title, artist, album, comment, genre and year; false when the file
// could not be written (read-only, not a sound file TagLib knows, no TagLib).
bool WriteTags(const std::string& path, const AudioTags& tags);
bool TagLibraryAvailable();

}  // namespace qel
