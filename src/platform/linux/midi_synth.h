// Standard MIDI files rendered to samples for the virtual audio output.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ports/audio_source.h"

namespace qel {

struct MidiSynthShelf;

// `shelf` keeps a synthesizer from one file to the next (MakeMidiSynthShelf).
std::unique_ptr<PcmStream> OpenMidiSynth(const std::shared_ptr<MidiSynthShelf>& shelf,
                                         const std::string& path, std::string& error);

// The same heard live through the desktop's audio, timed by `now`.
std::unique_ptr<MediaDevice> OpenLiveMidiSynth(const std::shared_ptr<MidiSynthShelf>& shelf,
                                               const std::string& path, std::function<double()> now,
                                               std::string& error);

}  // namespace qel
