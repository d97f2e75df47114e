// A MIDI output on the ALSA sequencer, for users with a synthesizer of their
// own (a hardware port, or a software synthesizer listening on the
// sequencer): QELSCRIPT_MIDI_OUT=alsa:CLIENT:PORT, where CLIENT is a number
// or a client's name as `aconnect -l` lists them. libasound is loaded when
// the output first opens.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/midi_out.h"

namespace qel {

std::unique_ptr<MidiOutPort> MakeAlsaMidiOutput(std::string destination);

// Keeps the ALSA library's own complaints (no sound card, an unknown PCM)
// off the script's terminal; the callers report failures themselves.
void QuietenAlsaLibrary();

}  // namespace qel
