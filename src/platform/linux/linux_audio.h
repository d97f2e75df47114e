// The decoders of the Linux build for the virtual audio output: libsndfile
// for sound files (MP3, FLAC, Ogg Vorbis, Opus and the rest it reads), libcdio
// for audio CDs and CD images (BIN/CUE), TagLib's C binding for tags. Each
// library is loaded by the first medium that needs it, so runs without media
// do not pay for loading them; a missing library makes those media fail to
// open with a clear reason.
#pragma once

#include <memory>

#include "platform/ports/audio_source.h"

namespace qel {

std::unique_ptr<AudioDecoders> MakeLinuxAudioDecoders();

}  // namespace qel
