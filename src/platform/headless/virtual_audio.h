// What a run would have sounded like, without a sound card: voices (one per
// playing medium or sound) mixed at 44.1 kHz stereo on the engine's clock,
// and written as a 16-bit WAV file from the start of the run to its end,
// silence included, when a file is named. Time moves only when the engine
// says it has (advance), so on the virtual clock the result is exact and the
// same on every run.
//
// Anything that renders samples can join the mix as a voice; the music
// performer's synthesizer does the same as the media devices.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports/audio_source.h"

namespace qel {

class AudioVoice {
  public:
    explicit AudioVoice(std::unique_ptr<PcmStream> stream);
    ~AudioVoice();

    double lengthMs() const { return lengthMs_; }
    double positionMs() const;
    MediaMode mode() const { return mode_; }
    // Plays from `fromMs` to `toMs` (negative: the end).
    void play(double fromMs, double toMs);
    void pause();
    void resume();
    void stop() { mode_ = MediaMode::Stopped; }
    void seek(double ms);
    void setGain(float left, float right) { gain_[0] = left, gain_[1] = right; }
    void setMuted(bool muted) { muted_ = muted; }
    const PcmStream& stream() const { return *stream_; }
    // Speed and pitch go through `stretcher` from now on; the sound picks up
    // where it was.
    void useStretcher(std::unique_ptr<TimeStretcher> stretcher);
    bool stretching() const { return stretch_ != nullptr; }
    // Needs a stretcher unless both are neutral (tempo 1, no semitones).
    void setSpeedPitch(double tempo, double semitones);

    // Adds the next `count` output frames (interleaved stereo) into `mix`;
    // stops itself at its end.
    void renderInto(float* mix, std::size_t count);

  private:
    bool nextSourceFrame(float* frame);
    std::size_t readStretched(std::size_t count);
    void restartAt(long long outFrame);

    std::unique_ptr<PcmStream> stream_;
    double lengthMs_ = 0;
    double step_ = 1;  // source frames per output frame
    // Both in output frames of the file's own time: at another speed the
    // position moves `tempo_` frames for each frame heard.
    double position_ = 0;
    long long end_ = 0;  // where playing stops
    double tempo_ = 1;
    std::unique_ptr<TimeStretcher> stretch_;
    std::vector<float> feed_;  // source frames on their way into the stretcher
    bool stretchFlushed_ = false;
    MediaMode mode_ = MediaMode::Stopped;
    double phase_ = 0;
    float a_[2]{}, b_[2]{};
    std::vector<float> block_;
    std::size_t blockAt_ = 0, blockFill_ = 0;
    bool sourceEnded_ = false;
    // A live synthesizer is read no further ahead than the mix needs, so a
    // message sent to it sounds from the frame it was sent at.
    bool live_ = false;
    std::size_t liveWant_ = 0;
    float gain_[2]{1, 1};
    bool muted_ = false;
};

class VirtualAudioOutput {
  public:
    static constexpr int kRate = 44100;

    // `wavPath` empty: the mix is worked out (positions and ends still move)
    // but written nowhere.
    explicit VirtualAudioOutput(std::string wavPath);
    ~VirtualAudioOutput();
    VirtualAudioOutput(const VirtualAudioOutput&) = delete;
    VirtualAudioOutput& operator=(const VirtualAudioOutput&) = delete;

    // Mixes every voice up to `nowMs`; the first call sets the start of the
    // rendered file.
    void advance(double nowMs);
    // Voices are held weakly: a voice its owner dropped falls silent.
    void addVoice(const std::shared_ptr<AudioVoice>& voice);
    // The header gets the true sizes; the file stays open for more.
    void flush();
    bool writing() const { return file_ != nullptr; }
    const std::string& problem() const { return problem_; }

  private:
    void mix(long long frames);
    void write(const float* mix, std::size_t frames);

    std::string path_;
    std::FILE* file_ = nullptr;
    std::string problem_;
    bool started_ = false;
    double startMs_ = 0;
    long long rendered_ = 0;  // output frames mixed so far
    long long written_ = 0;   // frames in the file
    std::vector<std::weak_ptr<AudioVoice>> voices_;
};

}  // namespace qel
