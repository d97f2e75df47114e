#include "platform/headless/headless_midi.h"

namespace qel {

HeadlessMidiOut::HeadlessMidiOut(VirtualAudioOutput* output, SynthFactory synth)
    : output_(output), makeSynth_(std::move(synth)) {}

bool HeadlessMidiOut::open(double nowMs, std::string& error) {
    // The synthesizer is made once and kept: it plays silence between
    // performances, and loading a sound font again on every 演奏 is slow.
    // One that could not be made is not tried again: the reason stays.
    if (!voice_ && output_ && makeSynth_ && synthProblem_.empty()) {
        std::unique_ptr<LiveSynthStream> synth = makeSynth_(synthProblem_);
        if (synth) {
            synth_ = synth.get();
            output_->advance(nowMs);
            voice_ = std::make_shared<AudioVoice>(std::move(synth));
            output_->addVoice(voice_);
            voice_->play(0, -1);
        } else if (synthProblem_.empty()) {
            synthProblem_ = "no synthesizer";
        }
    }
    // A rendering was asked for and cannot be made: saying so beats a
    // silent file that looks like a quiet tune.
    if (!synthProblem_.empty()) {
        error = synthProblem_;
        return false;
    }
    open_ = true;
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
