#include "platform/headless/headless_midi.h"

namespace qel {

HeadlessMidiOut::HeadlessMidiOut(VirtualAudioOutput* output, SynthFactory synth)
    : output_(output), makeSynth_(std::move(synth)) {}

bool HeadlessMidiOut::open(double nowMs, std::string& error) {
    (void)error;
    open_ = true;
    // The synthesizer is made once and kept: it plays silence between
    // performances, and loading a sound font again on every 演奏 is slow.
    if (!voice_ && output_ && makeSynth_ && synthProblem_.empty()) {
        std::unique_ptr<LiveSynthStream> synth = makeSynth_(synthProblem_);
        if (synth) {
            synth_ = synth.get();
            output_->advance(nowMs);
            voice_ = std::make_shared<AudioVoice>(std::move(synth));
            output_->addVoice(voice_);
            voice_->play(0, -1);
        }
    }
    return true;
}

void HeadlessMidiOut::reset(double nowMs) {
    if (!synth_) return;
    output_->advance(nowMs);
    synth_->reset();
}

void HeadlessMidiOut::shortMessage(std::uint32_t message, double nowMs) {
    if (!open_) return;
    log_.push_back({nowMs, message});
    if (!synth_) return;
    // Everything before this moment is rendered with the synthesizer's old
    // state, so the message sounds exactly at its time.
    output_->advance(nowMs);
    synth_->shortMessage(message);
}

void HeadlessMidiOut::close(double nowMs) {
    if (!open_) return;
    reset(nowMs);
    open_ = false;
}

}  // namespace qel
