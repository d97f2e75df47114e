// Texts the media commands and properties show: the title a MIDI file
// carries, and lengths as minutes and seconds.
#pragma once

#include <string_view>

#include "text/text.h"

namespace qel::media {

// The title of a standard MIDI file from its bytes: the first track-name or
// text event near the start of the first track, read as code page 932.
Text MidiTitle(std::string_view file);

// Seconds as "mm:ss" (minutes grow beyond two digits when needed).
Text TimeText(long long seconds);

}  // namespace qel::media
