// The MIDI output of the console host and the tests: every short message is
// kept with the time it was sent, and, when a synthesizer is at hand, played
// on it as a voice of the virtual audio output, so that a performance ends
// up in the same WAV file as the other media.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/virtual_audio.h"
#include "platform/ports/audio_source.h"
#include "platform/ports/midi_out.h"

namespace qel {

struct TimedMidiMessage {
    double ms = 0;
    std::uint32_t message = 0;
    bool operator==(const TimedMidiMessage&) const = default;
};

class HeadlessMidiOut : public MidiOutPort {
  public:
    // Makes the synthesizer on first open; with none the output records
    // only. A factory that fails makes every open fail with its reason.
    using SynthFactory = std::function<std::unique_ptr<LiveSynthStream>(std::string& error)>;

    // `output` may be none: then nothing is rendered.
    HeadlessMidiOut(VirtualAudioOutput* output, SynthFactory synth);

    bool open(double nowMs, std::string& error) override;
    bool isOpen() const override { return open_; }
    void reset(double nowMs) override;
    void shortMessage(std::uint32_t message, double nowMs) override;
    void close(double nowMs) override;

    const std::vector<TimedMidiMessage>& log() const { return log_; }
    // Why the synthesizer could not be made, if it could not.
    const std::string& synthProblem() const { return synthProblem_; }

  private:
    VirtualAudioOutput* output_;
    SynthFactory makeSynth_;
    LiveSynthStream* synth_ = nullptr;  // owned by voice_
    std::shared_ptr<AudioVoice> voice_;
    std::string synthProblem_;
    bool open_ = false;
    std::vector<TimedMidiMessage> log_;
};

}  // namespace qel
