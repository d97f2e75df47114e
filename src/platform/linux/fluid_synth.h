// General MIDI through FluidSynth and a sound font: rendered into samples for
// the virtual audio output (the console host and the tests), or played live
// through the desktop's audio system. The library is loaded by the first
// performance, so runs that play no music do not load it.
//
// The sound font is the file named by QELSCRIPT_SOUNDFONT, else the General
// MIDI font the distribution installs (Debian's fluid-soundfont-gm).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/linux/smf_timing.h"
#include "platform/ports/audio_source.h"
#include "platform/ports/midi_out.h"

namespace qel {

// The sound font a synthesizer would load; empty when there is none.
std::string FindSoundFont();

// A synthesizer rendering at 44.1 kHz stereo; none, with the reason in
// `error`, when the library or the sound font cannot be loaded.
std::unique_ptr<LiveSynthStream> MakeFluidSynthStream(std::string& error);

// Synthesizers for MIDI files: one left by a closed file is kept for the
// next, since loading a General MIDI sound font takes about a third of a
// second. Files opened with the same shelf share it.
struct MidiSynthShelf;
std::shared_ptr<MidiSynthShelf> MakeMidiSynthShelf();

// A standard MIDI file (its bytes and timing) played by the synthesizer's
// file player; none with the reason in `error`.
std::unique_ptr<PcmStream> MakeFluidMidiFileStream(const std::shared_ptr<MidiSynthShelf>& shelf,
                                                   std::string file, SmfTiming timing,
                                                   std::string& error);

// The same heard live through the desktop's audio, timed by `now` (the
// engine's clock in milliseconds); none with the reason in `error`.
std::unique_ptr<MediaDevice> OpenLiveMidiFile(const std::shared_ptr<MidiSynthShelf>& shelf,
                                              std::string file, SmfTiming timing,
                                              std::function<double()> now, std::string& error);

// An output that plays on the desktop's audio (PipeWire, PulseAudio or ALSA,
// whichever answers first). Nothing is loaded until it is opened.
std::unique_ptr<MidiOutPort> MakeFluidSynthOutput();

}  // namespace qel
