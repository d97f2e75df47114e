// Reads RIFF WAVE files (integer PCM of 8 to 32 bits and 32-bit float) for the
// virtual audio output, which needs no decoder library for them.
#pragma once

#include <memory>
#include <string>

#include "platform/ports/audio_source.h"

namespace qel {

// The file's sound, or none with `error` set (media_error words). A data
// chunk cut short by a truncated file plays as far as it goes.
std::unique_ptr<PcmStream> OpenWavFile(const std::string& path, std::string& error);
// The same from bytes already read.
std::unique_ptr<PcmStream> WavFromBytes(std::string bytes, std::string& error);

}  // namespace qel
