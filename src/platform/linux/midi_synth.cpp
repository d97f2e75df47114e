#include "platform/linux/midi_synth.h"

#include <fstream>
#include <iterator>

#include "platform/linux/fluid_synth.h"
#include "platform/linux/smf_timing.h"

namespace qel {

namespace {

// A MIDI file is a few hundred kilobytes at most; anything far larger is not one.
constexpr std::streamoff kLargestMidiFile = 64LL << 20;

// The file's bytes and timing; false with `error` set when it is missing or
// not a whole standard MIDI file.
bool readMidiFile(const std::string& path, std::string& bytes, SmfTiming& timing,
                  std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = media_error::kFileNotFound;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    error = media_error::kInvalidFile;
    if (size < 0 || size > kLargestMidiFile) return false;
    in.seekg(0);
    bytes.assign(std::size_t(size), '\0');
    if (!in.read(bytes.data(), size)) return false;
    return timing.read(bytes, error);
}

}  // namespace

// The reason a synthesizer cannot be made (no library, no sound font, no
// audio device) is for the user, but the MCI engine names only its own kinds
// of failure: the device cannot be used.
std::unique_ptr<PcmStream> OpenMidiSynth(const std::shared_ptr<MidiSynthShelf>& shelf,
                                         const std::string& path, std::string& error) {
    std::string bytes;
    SmfTiming timing;
    if (!readMidiFile(path, bytes, timing, error)) return nullptr;
    std::string why;
    auto stream = MakeFluidMidiFileStream(shelf, std::move(bytes), std::move(timing), why);
    if (!stream) error = media_error::kNoDevice;
    return stream;
}

std::unique_ptr<MediaDevice> OpenLiveMidiSynth(const std::shared_ptr<MidiSynthShelf>& shelf,
                                               const std::string& path, std::function<double()> now,
                                               std::string& error) {
    std::string bytes;
    SmfTiming timing;
    if (!readMidiFile(path, bytes, timing, error)) return nullptr;
    std::string why;
    auto device = OpenLiveMidiFile(shelf, std::move(bytes), std::move(timing), std::move(now), why);
    if (!device) error = media_error::kNoDevice;
    return device;
}

}  // namespace qel
