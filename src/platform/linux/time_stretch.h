// Speed and pitch changes for the virtual audio output through SoundTouch's
// C interface (Debian's libsoundtouch1), loaded by the first medium played at
// another speed or pitch, so that other runs never load it.
#pragma once

#include <memory>

#include "platform/ports/audio_source.h"

namespace qel {

// None when the library is missing or refuses the format.
std::unique_ptr<TimeStretcher> OpenSoundTouchStretcher(int rate, int channels);

}  // namespace qel
