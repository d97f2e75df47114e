// --record-midi: every short message a run sends to its MIDI output, kept
// with the time it was sent and written as a standard MIDI file, so a tune
// written in a script opens in any sequencer.
//
// The file is format 0 (one track) with 1000 ticks to the quarter note and a
// tempo of one quarter note a second, so one tick is one millisecond of the
// run's clock and times are kept to the millisecond. Time zero is the first
// message of the run. The file is written whole (to a temporary, renamed into
// place) each time the output closes and when the run ends, so it is complete
// whenever a run stops.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ports/midi_out.h"

namespace qel {

struct RecordedMidiMessage {
    double ms = 0;
    std::uint32_t message = 0;  // status in the low byte, then the data bytes
};

// The bytes of the standard MIDI file holding `messages`.
std::string StandardMidiFile(const std::vector<RecordedMidiMessage>& messages);

// Wraps `inner`: everything passes through to it and is recorded to `path`.
// A file that cannot be written is said once on `problems`.
std::unique_ptr<MidiOutPort> RecordMidi(std::unique_ptr<MidiOutPort> inner, std::string path,
                                        std::ostream& problems);

}  // namespace qel
