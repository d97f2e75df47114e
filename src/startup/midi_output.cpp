#include "startup/midi_output.h"

#include <cstdlib>
#include <string>

#include "platform/headless/headless_midi.h"
#include "platform/linux/fluid_synth.h"

namespace qel {

namespace {

std::unique_ptr<MidiOutPort> rendered(VirtualAudioOutput& audio) {
    return std::make_unique<HeadlessMidiOut>(&audio, MakeFluidSynthStream);
}

std::unique_ptr<MidiOutPort> recordedOnly(VirtualAudioOutput& audio) {
    return std::make_unique<HeadlessMidiOut>(&audio, nullptr);
}

}  // namespace

std::unique_ptr<MidiOutPort> ChooseMidiOutput(bool desktop, VirtualAudioOutput& audio,
                                              std::ostream& err) {
    const char* chosen = std::getenv("QELSCRIPT_MIDI_OUT");
    const std::string name = chosen ? chosen : "";
    if (name == "fluidsynth") return MakeFluidSynthOutput();
    if (name == "wav") return rendered(audio);
    if (name == "none") return recordedOnly(audio);
    if (!name.empty())
        err << "qelscript: QELSCRIPT_MIDI_OUT=" << name
            << " is not an output (fluidsynth, wav or none); using the default\n";
    // A file was asked for: the music belongs in it with the other media.
    if (audio.writing()) return rendered(audio);
    if (desktop) return MakeFluidSynthOutput();
    return recordedOnly(audio);
}

}  // namespace qel
