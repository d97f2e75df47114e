// Decoded sound as a headless output consumes it: a stream of float samples
// at the medium's own rate and channel count, read in order and sought by
// frame. Decoders of the platform (sound files, MIDI synthesis, CD reading)
// give these; the output converts them to its own rate and mixes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports/media.h"

namespace qel {

class PcmStream {
  public:
    virtual ~PcmStream() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    virtual long long frames() const = 0;  // total, at rate()
    virtual void seek(long long frame) = 0;
    // Reads up to `count` frames, interleaved; fewer only at the end.
    virtual std::size_t read(float* out, std::size_t count) = 0;
    // An audio CD's table of contents on the stream's timeline; empty for files.
    virtual std::vector<CdTrack> tracks() const { return {}; }
};

// Changes the speed and the pitch of decoded sound independently of each
// other: frames go in at the stream's rate, and come out at the same rate,
// `tempo` times as fast and `semitones` higher. What it holds back (a few
// tens of milliseconds) comes out after flush.
class TimeStretcher {
  public:
    virtual ~TimeStretcher() = default;
    virtual void setTempo(double tempo) = 0;
    virtual void setPitchSemitones(double semitones) = 0;
    virtual void put(const float* frames, std::size_t count) = 0;
    virtual std::size_t receive(float* out, std::size_t count) = 0;
    virtual void flush() = 0;
    virtual void clear() = 0;
};

// The decoders a platform offers beside the WAV reader every output has.
class AudioDecoders {
  public:
    virtual ~AudioDecoders() = default;
    // Compressed and other sound files (MP3, FLAC, Ogg …).
    virtual std::unique_ptr<PcmStream> openFile(const std::string& path, std::string& error) = 0;
    // A standard MIDI file rendered through a synthesizer.
    virtual std::unique_ptr<PcmStream> openMidi(const std::string& path, std::string& error) = 0;
    // The audio tracks of a CD in `drive` ("" the default drive, or an image file).
    virtual std::unique_ptr<PcmStream> openCd(const std::string& drive, std::string& error) = 0;
    virtual std::optional<AudioTags> readTags(const std::string& path) = 0;
    virtual bool writeTags(const std::string& path, const AudioTags& tags) = 0;
    // None when the platform has no way to change speed and pitch.
    virtual std::unique_ptr<TimeStretcher> openStretcher(int rate, int channels) {
        (void)rate, (void)channels;
        return nullptr;
    }
};

}  // namespace qel

namespace qel {

// A synthesizer that is played live: short MIDI messages go in, and the
// samples read afterwards sound them. It never ends by itself.
class LiveSynthStream : public PcmStream {
  public:
    virtual void shortMessage(std::uint32_t message) = 0;
    // Silences every channel at once.
    virtual void reset() = 0;
};

}  // namespace qel
