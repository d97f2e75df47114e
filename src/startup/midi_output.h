// The output 演奏 plays on, chosen once per process.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/headless/virtual_audio.h"
#include "platform/ports/midi_out.h"

namespace qel {

// QELSCRIPT_MIDI_OUT picks an output by name (fluidsynth, alsa:CLIENT:PORT,
// wav, none); without it, a run that writes
// the virtual audio output's WAV renders its music there, the desktop plays
// through FluidSynth, and the console only times and records the messages.
// A name it does not know is said on `err` and the default is used.
// `recordPath` (--record-midi), else QELSCRIPT_RECORD_MIDI, names a standard
// MIDI file that records everything sent, whichever the output.
std::unique_ptr<MidiOutPort> ChooseMidiOutput(bool desktop, VirtualAudioOutput& audio,
                                              const std::string& recordPath, std::ostream& err);

// Whether MIDI files are heard live through FluidSynth rather than rendered
// as voices of the virtual output: as for 演奏, on the desktop unless a WAV
// file is written, and anywhere with QELSCRIPT_MIDI_OUT=fluidsynth.
bool MidiFilesHeardLive(bool desktop, const VirtualAudioOutput& audio);

}  // namespace qel
