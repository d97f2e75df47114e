#include "platform/headless/virtual_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qel {

namespace {

constexpr std::size_t kBlockFrames = 2048;
constexpr double kOutRate = VirtualAudioOutput::kRate;

long long toFrames(double ms) {
    return ms <= 0 ? 0 : (long long)std::llround(ms * kOutRate / 1000.0);
}

void putLe32(unsigned char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putLe16(unsigned char* at, std::uint16_t v) {
    at[0] = static_cast<unsigned char>(v);
    at[1] = static_cast<unsigned char>(v >> 8);
}

// A 44-byte canonical header for 16-bit stereo at the output rate.
void waveHeader(unsigned char* h, long long frames) {
    // RIFF sizes are 32-bit: a run longer than about six hours keeps the
    // largest size the header can say.
    const long long limit = (0xFFFFFFFFLL - 36) / 4;
    const auto data = std::uint32_t(std::min(frames, limit) * 4);
    std::memcpy(h, "RIFF", 4);
    putLe32(h + 4, data + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe32(h + 16, 16);
    putLe16(h + 20, 1);
    putLe16(h + 22, 2);
    putLe32(h + 24, std::uint32_t(kOutRate));
    putLe32(h + 28, std::uint32_t(kOutRate) * 4);
    putLe16(h + 32, 4);
    putLe16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    putLe32(h + 40, data);
}

}  // namespace

// ---- voices ------------------------------------------------------------------------------

AudioVoice::AudioVoice(std::unique_ptr<PcmStream> stream) : stream_(std::move(stream)) {
    const int rate = std::max(1, stream_->rate());
    lengthMs_ = double(stream_->frames()) * 1000.0 / rate;
    step_ = double(rate) / kOutRate;
    block_.resize(kBlockFrames * std::size_t(std::max(1, stream_->channels())));
    end_ = toFrames(lengthMs_);
    live_ = dynamic_cast<LiveSynthStream*>(stream_.get()) != nullptr;
}

AudioVoice::~AudioVoice() = default;

double AudioVoice::positionMs() const {
    return std::min(lengthMs_, position_ * 1000.0 / kOutRate);
}

void AudioVoice::useStretcher(std::unique_ptr<TimeStretcher> stretcher) {
    stretch_ = std::move(stretcher);
    feed_.resize(block_.size());
    // What the resampler holds was read past the stretcher: read it again.
    restartAt(std::llround(position_));
}

void AudioVoice::setSpeedPitch(double tempo, double semitones) {
    tempo_ = tempo > 0 ? tempo : 1;
    if (!stretch_) return;
    stretch_->setTempo(tempo_);
    stretch_->setPitchSemitones(semitones);
}

void AudioVoice::play(double fromMs, double toMs) {
    const long long length = toFrames(lengthMs_);
    end_ = toMs < 0 ? length : std::min(length, toFrames(toMs));
    restartAt(std::min(toFrames(fromMs), length));
    mode_ = position_ < double(end_) ? MediaMode::Playing : MediaMode::Stopped;
}

void AudioVoice::pause() {
    if (mode_ == MediaMode::Playing) mode_ = MediaMode::Paused;
}

void AudioVoice::resume() {
    if (mode_ == MediaMode::Paused) mode_ = MediaMode::Playing;
}

void AudioVoice::seek(double ms) {
    mode_ = MediaMode::Stopped;
    end_ = toFrames(lengthMs_);
    restartAt(std::min(toFrames(ms), end_));
}

void AudioVoice::restartAt(long long outFrame) {
    position_ = double(outFrame);
    const auto sourceFrame = (long long)std::floor(double(outFrame) * step_);
    phase_ = double(outFrame) * step_ - double(sourceFrame);
    stream_->seek(sourceFrame);
    blockAt_ = blockFill_ = 0;
    sourceEnded_ = false;
    if (stretch_) {
        stretch_->clear();
        stretchFlushed_ = false;
    }
    nextSourceFrame(a_);
    nextSourceFrame(b_);
}

bool AudioVoice::nextSourceFrame(float* frame) {
    const int channels = std::max(1, stream_->channels());
    if (blockAt_ == blockFill_ && !sourceEnded_) {
        const std::size_t ask =
            live_ ? std::clamp<std::size_t>(liveWant_, 1, kBlockFrames) : kBlockFrames;
        blockFill_ = stretch_ ? readStretched(ask) : stream_->read(block_.data(), ask);
        blockAt_ = 0;
        if (blockFill_ == 0) sourceEnded_ = true;
    }
    if (blockAt_ == blockFill_) {
        frame[0] = frame[1] = 0;
        return false;
    }
    const float* in = block_.data() + blockAt_ * std::size_t(channels);
    frame[0] = in[0];
    frame[1] = channels > 1 ? in[1] : in[0];
    ++blockAt_;
    return true;
}

// The stretcher is fed until it gives something; at the end of the source
// it is flushed once, so the sound it held back is heard too.
std::size_t AudioVoice::readStretched(std::size_t count) {
    for (;;) {
        const std::size_t got = stretch_->receive(block_.data(), count);
        if (got > 0 || stretchFlushed_) return got;
        const std::size_t in = stream_->read(feed_.data(), kBlockFrames);
        if (in == 0) {
            stretch_->flush();
            stretchFlushed_ = true;
        } else {
            stretch_->put(feed_.data(), in);
        }
    }
}

void AudioVoice::renderInto(float* mix, std::size_t count) {
    if (mode_ != MediaMode::Playing) return;
    const double left = std::ceil((double(end_) - position_) / tempo_);
    const auto n = std::size_t(std::clamp(left, 0.0, double(count)));
    for (std::size_t i = 0; i < n; ++i) {
        if (!muted_) {
            for (int c = 0; c < 2; ++c) {
                const float v = a_[c] + (b_[c] - a_[c]) * float(phase_);
                mix[2 * i + std::size_t(c)] += v * gain_[c];
            }
        }
        phase_ += step_;
        liveWant_ = n - i;
        while (phase_ >= 1.0) {
            std::memcpy(a_, b_, sizeof a_);
            nextSourceFrame(b_);
            phase_ -= 1.0;
        }
    }
    position_ += double(n) * tempo_;
    if (position_ >= double(end_)) {
        position_ = double(end_);
        mode_ = MediaMode::Stopped;
    }
}

// ---- the output --------------------------------------------------------------------------

VirtualAudioOutput::VirtualAudioOutput(std::string wavPath) : path_(std::move(wavPath)) {
    if (path_.empty()) return;
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) {
        problem_ = "cannot write the audio output " + path_;
        return;
    }
    unsigned char header[44];
    waveHeader(header, 0);
    std::fwrite(header, 1, sizeof header, file_);
}

VirtualAudioOutput::~VirtualAudioOutput() {
    flush();
    if (file_) std::fclose(file_);
}

void VirtualAudioOutput::addVoice(const std::shared_ptr<AudioVoice>& voice) {
    voices_.push_back(voice);
}

void VirtualAudioOutput::advance(double nowMs) {
    if (!started_) {
        started_ = true;
        startMs_ = nowMs;
        return;
    }
    const long long target = toFrames(nowMs - startMs_);
    if (target > rendered_) mix(target - rendered_);
}

void VirtualAudioOutput::mix(long long frames) {
    std::erase_if(voices_, [](const std::weak_ptr<AudioVoice>& v) { return v.expired(); });
    std::vector<float> buffer(kBlockFrames * 2);
    while (frames > 0) {
        const auto n = std::size_t(std::min<long long>(frames, kBlockFrames));
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        bool sounding = false;
        for (auto& weak : voices_) {
            if (auto voice = weak.lock(); voice && voice->mode() == MediaMode::Playing) {
                voice->renderInto(buffer.data(), n);
                sounding = true;
            }
        }
        // Long silences with nothing to write cost nothing.
        if (!sounding && !file_) {
            rendered_ += frames;
            return;
        }
        write(buffer.data(), n);
        rendered_ += (long long)n;
        frames -= (long long)n;
    }
}

void VirtualAudioOutput::write(const float* mix, std::size_t frames) {
    if (!file_) return;
    std::vector<unsigned char> bytes(frames * 4);
    for (std::size_t i = 0; i < frames * 2; ++i) {
        const float v = std::clamp(mix[i], -1.0f, 1.0f);
        putLe16(&bytes[i * 2], std::uint16_t(std::int16_t(std::lrint(v * 32767.0f))));
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    written_ += (long long)frames;
}

void VirtualAudioOutput::flush() {
    if (!file_) return;
    unsigned char header[44];
    waveHeader(header, written_);
    std::fflush(file_);
    const long position = std::ftell(file_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(header, 1, sizeof header, file_);
    std::fseek(file_, position, SEEK_SET);
    std::fflush(file_);
}

}  // namespace qel
