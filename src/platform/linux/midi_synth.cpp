#include "platform/linux/midi_synth.h"

#include <fstream>
#include <iterator>

#include "platform/linux/fluid_synth.h"
#include "platform/linux/smf_timing.h"

namespace qel {

namespace {

// A MIDI file is a few hundred kilobytes at most; anything far larger is not one.
constexpr std::streamoff kLargestMidiFile = 64LL << 20;

}  // namespace

std::unique_ptr<PcmStream> OpenMidiSynth(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = media_error::kFileNotFound;
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kLargestMidiFile) {
        error = media_error::kInvalidFile;
        return nullptr;
    }
    in.seekg(0);
    std::string bytes(std::size_t(size), '\0');
    if (!in.read(bytes.data(), size)) {
        error = media_error::kInvalidFile;
        return nullptr;
    }
    SmfTiming timing;
    if (!timing.read(bytes, error)) return nullptr;
    std::string why;
    auto stream = MakeFluidMidiFileStream(std::move(bytes), std::move(timing), why);
    // The reason (no library, no sound font) is for the user, but the MCI
    // engine names only its own kinds of failure: the device cannot be used.
    if (!stream) error = media_error::kNoDevice;
    return stream;
}

}  // namespace qel
