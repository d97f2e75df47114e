// The media port of the console host and the tests: every medium becomes a
// voice of the virtual audio output. WAV files are read here; other files,
// MIDI and CDs go through the platform's decoders when it has them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/virtual_audio.h"
#include "platform/ports/media.h"

namespace qel {

class VirtualMediaPort : public MediaPort {
  public:
    // `decoders` may be none: then only WAV files open.
    VirtualMediaPort(std::string wavPath, std::unique_ptr<AudioDecoders> decoders);
    ~VirtualMediaPort() override;

    void advance(double nowMs) override {
        nowMs_ = nowMs;
        output_.advance(nowMs);
    }
    std::unique_ptr<MediaDevice> open(const MediaOpenRequest& request, std::string& error) override;
    std::optional<double> playSound(const std::string& path) override;
    bool playSystemSound(const std::string& name) override;
    void flush() override { output_.flush(); }
    std::optional<AudioTags> readTags(const std::string& path) override {
        return decoders_ ? decoders_->readTags(path) : std::nullopt;
    }
    bool writeTags(const std::string& path, const AudioTags& tags) override {
        return decoders_ && decoders_->writeTags(path, tags);
    }

    VirtualAudioOutput& output() { return output_; }

    // MIDI files opened by `opener` instead of becoming voices: heard live on
    // the desktop, timed by the clock this port is advanced with.
    using SequencerOpener = std::function<std::unique_ptr<MediaDevice>(
        const std::string& path, std::function<double()> now, std::string& error)>;
    void openSequencerWith(SequencerOpener opener) { sequencerOpener_ = std::move(opener); }

    // System sounds handed to `player` (the desktop's event sounds) by their
    // theme names, best first, instead of being rendered from the theme's
    // files here.
    using SystemSoundPlayer = std::function<bool(const std::vector<std::string>& themeNames)>;
    void playSystemSoundsWith(SystemSoundPlayer player) { systemSounds_ = std::move(player); }

  private:
    std::unique_ptr<PcmStream> decode(const MediaOpenRequest& request, std::string& error);

    VirtualAudioOutput output_;
    std::unique_ptr<AudioDecoders> decoders_;
    std::shared_ptr<AudioVoice> sound_;  // the one sound playing beside the devices
    SequencerOpener sequencerOpener_;
    SystemSoundPlayer systemSounds_;
    double nowMs_ = 0;
};

}  // namespace qel
