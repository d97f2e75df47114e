// Standard MIDI files rendered to samples for the virtual audio output.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/audio_source.h"

namespace qel {

std::unique_ptr<PcmStream> OpenMidiSynth(const std::string& path, std::string& error);

}  // namespace qel
