#include "startup/midi_output.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/headless/headless_midi.h"
#include "platform/linux/alsa_midi_out.h"
#include "platform/linux/fluid_synth.h"
#include "platform/linux/midi_recorder.h"
#include "startup/messages.h"

namespace qel {

namespace {

std::unique_ptr<MidiOutPort> rendered(VirtualAudioOutput& audio) {
    return std::make_unique<HeadlessMidiOut>(&audio, MakeFluidSynthStream);
}

std::unique_ptr<MidiOutPort> recordedOnly(VirtualAudioOutput& audio) {
    return std::make_unique<HeadlessMidiOut>(&audio, nullptr);
}

std::unique_ptr<MidiOutPort> chosenOutput(bool desktop, VirtualAudioOutput& audio,
                                          std::ostream& err) {
    const char* chosen = std::getenv("QELSCRIPT_MIDI_OUT");
    const std::string name = chosen ? chosen : "";
    if (name == "fluidsynth") return MakeFluidSynthOutput();
    if (name.starts_with("alsa:")) return MakeAlsaMidiOutput(name.substr(5));
    if (name == "wav") {
        if (audio.writing()) return rendered(audio);
        err << "qelscript: "
            << Say("QELSCRIPT_MIDI_OUT=wav needs QELSCRIPT_AUDIO_OUT to name the file; the music "
                   "is not heard")
            << '\n';
        return recordedOnly(audio);
    }
    if (name == "none") return recordedOnly(audio);
    if (!name.empty())
        err << "qelscript: "
            << Say("QELSCRIPT_MIDI_OUT={} is not an output (fluidsynth, alsa:CLIENT:PORT, wav or "
                   "none); using the default",
                   {name})
            << '\n';
    // A file was asked for: the music belongs in it with the other media.
    if (audio.writing()) return rendered(audio);
    if (desktop) return MakeFluidSynthOutput();
    return recordedOnly(audio);
}

}  // namespace

bool MidiFilesHeardLive(bool desktop, const VirtualAudioOutput& audio) {
    const char* chosen = std::getenv("QELSCRIPT_MIDI_OUT");
    const std::string name = chosen ? chosen : "";
    if (name == "fluidsynth") return true;
    if (!name.empty() && (name == "wav" || name == "none" || name.starts_with("alsa:")))
        return false;
    return desktop && !audio.writing();
}

std::unique_ptr<MidiOutPort> ChooseMidiOutput(bool desktop, VirtualAudioOutput& audio,
                                              const std::string& recordPath, std::ostream& err) {
    std::unique_ptr<MidiOutPort> out = chosenOutput(desktop, audio, err);
    std::string record = recordPath;
    if (const char* fromEnvironment = std::getenv("QELSCRIPT_RECORD_MIDI");
        record.empty() && fromEnvironment)
        record = fromEnvironment;
    if (record.empty()) return out;
    // Runs move to their script's folder: a relative name means the folder
    // the run was started in.
    std::error_code ec;
    if (std::filesystem::path full = std::filesystem::absolute(record, ec); !ec)
        record = full.string();
    return RecordMidi(std::move(out), record, err);
}

}  // namespace qel
