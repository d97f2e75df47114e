#include "platform/headless/virtual_media.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "platform/headless/system_sounds.h"
#include "platform/headless/wav_reader.h"

namespace qel {

namespace {

std::string lowerExtension(const std::string& path) {
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext;
}

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// One opened medium: a voice of the output. A CD keeps its door and its
// table of contents beside it.
class VoiceDevice : public MediaDevice {
  public:
    using StretcherMaker = std::function<std::unique_ptr<TimeStretcher>(int rate, int channels)>;

    VoiceDevice(std::shared_ptr<AudioVoice> voice, bool cd, StretcherMaker stretchers)
        : voice_(std::move(voice)),
          cd_(cd),
          tracks_(voice_->stream().tracks()),
          stretchers_(std::move(stretchers)) {}
    ~VoiceDevice() override { voice_->stop(); }

    double lengthMs() override { return voice_->lengthMs(); }
    double positionMs() override { return voice_->positionMs(); }
    MediaMode mode() override { return doorOpen_ ? MediaMode::Open : voice_->mode(); }
    bool play(double fromMs, double toMs) override {
        if (doorOpen_) return false;
        voice_->play(fromMs, toMs);
        return true;
    }
    void pause() override { voice_->pause(); }
    void resume() override { voice_->resume(); }
    void stop() override { voice_->stop(); }
    void seek(double ms) override { voice_->seek(ms); }
    void setAudio(bool on) override { voice_->setMuted(!on); }
    void setVolume(int left, int right) override {
        voice_->setGain(float(std::clamp(left, 0, 1000)) / 1000.0f,
                        float(std::clamp(right, 0, 1000)) / 1000.0f);
    }
    // The stretcher joins the voice only when first needed, so media at
    // their own speed and pitch never pass through it.
    bool setSpeedPitch(double tempo, double semitones) override {
        if (!(tempo > 0)) return false;
        if (!voice_->stretching() && (tempo != 1 || semitones != 0)) {
            const PcmStream& stream = voice_->stream();
            auto stretcher = stretchers_ ? stretchers_(stream.rate(), stream.channels()) : nullptr;
            if (!stretcher) return false;
            voice_->useStretcher(std::move(stretcher));
        }
        voice_->setSpeedPitch(tempo, semitones);
        return true;
    }
    std::vector<CdTrack> tracks() override { return tracks_; }
    bool mediaPresent() override { return !doorOpen_; }
    bool setDoor(bool open) override {
        if (!cd_) return false;
        if (open) voice_->stop();
        doorOpen_ = open;
        return true;
    }

  private:
    std::shared_ptr<AudioVoice> voice_;
    bool cd_;
    std::vector<CdTrack> tracks_;
    StretcherMaker stretchers_;
    bool doorOpen_ = false;
};

}  // namespace

VirtualMediaPort::VirtualMediaPort(std::string wavPath, std::unique_ptr<AudioDecoders> decoders)
    : output_(std::move(wavPath)), decoders_(std::move(decoders)) {}

VirtualMediaPort::~VirtualMediaPort() = default;

std::unique_ptr<PcmStream> VirtualMediaPort::decode(const MediaOpenRequest& request,
                                                    std::string& error) {
    if (request.kind == MediaKind::CdAudio) {
        if (!decoders_) {
            error = media_error::kNoDevice;
            return nullptr;
        }
        return decoders_->openCd(request.path, error);
    }
    if (!isRegularFile(request.path)) {
        error = media_error::kFileNotFound;
        return nullptr;
    }
    if (request.kind == MediaKind::Sequencer) {
        if (!decoders_) {
            error = media_error::kNoDevice;
            return nullptr;
        }
        return decoders_->openMidi(request.path, error);
    }
    // WAV files are read here, whatever their name says; the rest by content.
    std::unique_ptr<PcmStream> stream = OpenWavFile(request.path, error);
    if (stream || lowerExtension(request.path) == ".wav") return stream;
    if (!decoders_) {
        error = media_error::kInvalidFile;
        return nullptr;
    }
    return decoders_->openFile(request.path, error);
}

std::unique_ptr<MediaDevice> VirtualMediaPort::open(const MediaOpenRequest& request,
                                                    std::string& error) {
    if (request.kind == MediaKind::Sequencer && sequencerOpener_) {
        if (!isRegularFile(request.path)) {
            error = media_error::kFileNotFound;
            return nullptr;
        }
        return sequencerOpener_(
            request.path, [this] { return nowMs_; }, error);
    }
    std::unique_ptr<PcmStream> stream = decode(request, error);
    if (!stream) return nullptr;
    auto voice = std::make_shared<AudioVoice>(std::move(stream));
    output_.addVoice(voice);
    VoiceDevice::StretcherMaker stretchers;
    if (decoders_) {
        stretchers = [decoders = decoders_.get()](int rate, int channels) {
            return decoders->openStretcher(rate, channels);
        };
    }
    return std::make_unique<VoiceDevice>(std::move(voice), request.kind == MediaKind::CdAudio,
                                         std::move(stretchers));
}

std::optional<double> VirtualMediaPort::playSound(const std::string& path) {
    std::string error;
    MediaOpenRequest request;
    request.path = path;
    std::unique_ptr<PcmStream> stream = decode(request, error);
    if (!stream) return std::nullopt;
    // A new sound ends the one still playing, as the system's sound call does.
    if (sound_) sound_->stop();
    sound_ = std::make_shared<AudioVoice>(std::move(stream));
    output_.addVoice(sound_);
    sound_->play(0, -1);
    return sound_->lengthMs();
}

// Without a desktop to play it, the theme's own file is rendered like any
// sound, so that what a script would have heard can still be measured.
bool VirtualMediaPort::playSystemSound(const std::string& name) {
    const std::vector<std::string> names = SoundThemeNames(name);
    if (names.empty()) return false;
    if (systemSounds_) return systemSounds_(names);
    std::optional<std::string> file = FindThemeSound(names);
    return file && playSound(*file).has_value();
}

}  // namespace qel
