#include "platform/linux/midi_synth.h"

namespace qel {

// The synthesizer is not connected to the output yet: MIDI files do not open
// on it, and the MCI engine reports that the device cannot be used.
std::unique_ptr<PcmStream> OpenMidiSynth(const std::string& path, std::string& error) {
    (void)path;
    error = media_error::kNoDevice;
    return nullptr;
}

}  // namespace qel
