#include "platform/linux/fluid_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/linux/alsa_midi_out.h"
#include "platform/linux/shared_library.h"

namespace qel {

namespace {

constexpr double kRate = 44100;

struct FluidApi {
    SharedLibrary lib{"libfluidsynth.so.3", true};
    decltype(&new_fluid_settings) newSettings = nullptr;
    decltype(&delete_fluid_settings) deleteSettings = nullptr;
    decltype(&fluid_settings_setnum) setNum = nullptr;
    decltype(&fluid_settings_setstr) setStr = nullptr;
    decltype(&new_fluid_synth) newSynth = nullptr;
    decltype(&delete_fluid_synth) deleteSynth = nullptr;
    decltype(&fluid_synth_sfload) loadFont = nullptr;
    decltype(&fluid_synth_noteon) noteOn = nullptr;
    decltype(&fluid_synth_noteoff) noteOff = nullptr;
    decltype(&fluid_synth_key_pressure) keyPressure = nullptr;
    decltype(&fluid_synth_cc) controller = nullptr;
    decltype(&fluid_synth_program_change) programChange = nullptr;
    decltype(&fluid_synth_channel_pressure) channelPressure = nullptr;
    decltype(&fluid_synth_pitch_bend) pitchBend = nullptr;
    decltype(&fluid_synth_system_reset) systemReset = nullptr;
    decltype(&fluid_synth_write_float) writeFloat = nullptr;
    decltype(&new_fluid_audio_driver) newDriver = nullptr;
    decltype(&delete_fluid_audio_driver) deleteDriver = nullptr;
    decltype(&fluid_set_log_function) setLog = nullptr;
    decltype(&new_fluid_player) newPlayer = nullptr;
    decltype(&delete_fluid_player) deletePlayer = nullptr;
    decltype(&fluid_player_add_mem) playerAddMem = nullptr;
    decltype(&fluid_player_play) playerPlay = nullptr;
    decltype(&fluid_player_stop) playerStop = nullptr;
    decltype(&fluid_player_seek) playerSeek = nullptr;
    bool ok =
        lib.get(newSettings, "new_fluid_settings") &&
        lib.get(deleteSettings, "delete_fluid_settings") &&
        lib.get(setNum, "fluid_settings_setnum") && lib.get(setStr, "fluid_settings_setstr") &&
        lib.get(newSynth, "new_fluid_synth") && lib.get(deleteSynth, "delete_fluid_synth") &&
        lib.get(loadFont, "fluid_synth_sfload") && lib.get(noteOn, "fluid_synth_noteon") &&
        lib.get(noteOff, "fluid_synth_noteoff") &&
        lib.get(keyPressure, "fluid_synth_key_pressure") && lib.get(controller, "fluid_synth_cc") &&
        lib.get(programChange, "fluid_synth_program_change") &&
        lib.get(channelPressure, "fluid_synth_channel_pressure") &&
        lib.get(pitchBend, "fluid_synth_pitch_bend") &&
        lib.get(systemReset, "fluid_synth_system_reset") &&
        lib.get(writeFloat, "fluid_synth_write_float") &&
        lib.get(newDriver, "new_fluid_audio_driver") &&
        lib.get(deleteDriver, "delete_fluid_audio_driver") &&
        lib.get(setLog, "fluid_set_log_function") && lib.get(newPlayer, "new_fluid_player") &&
        lib.get(deletePlayer, "delete_fluid_player") &&
        lib.get(playerAddMem, "fluid_player_add_mem") && lib.get(playerPlay, "fluid_player_play") &&
        lib.get(playerStop, "fluid_player_stop") && lib.get(playerSeek, "fluid_player_seek");
};

// A synthesizer with its settings and the sound font loaded.
class Synth {
  public:
    // Empty `error` on success.
    explicit Synth(std::string& error) {
        api_ = std::make_unique<FluidApi>();
        if (!api_->ok) {
            error = "FluidSynth (libfluidsynth.so.3) is not installed";
            return;
        }
        // Warnings (a drum kit missing from the font, a busy audio server)
        // would otherwise land on the script's terminal; failures are
        // reported through the error routine instead.
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG, FLUID_ERR})
            api_->setLog(level, nullptr, nullptr);
        const std::string font = FindSoundFont();
        if (font.empty()) {
            const char* chosen = std::getenv("QELSCRIPT_SOUNDFONT");
            error = chosen && *chosen ? std::string("the sound font ") + chosen + " is not a file"
                                      : "no General MIDI sound font (install fluid-soundfont-gm "
                                        "or set QELSCRIPT_SOUNDFONT)";
            return;
        }
        settings_ = api_->newSettings();
        if (settings_) {
            api_->setNum(settings_, "synth.sample-rate", kRate);
            synth_ = api_->newSynth(settings_);
        }
        if (!synth_) {
            error = "FluidSynth cannot make a synthesizer";
            return;
        }
        if (api_->loadFont(synth_, font.c_str(), 1) == FLUID_FAILED) {
            error = "the sound font " + font + " cannot be loaded";
            return;
        }
        ready_ = true;
    }
    ~Synth() {
        if (driver_) api_->deleteDriver(driver_);
        if (synth_) api_->deleteSynth(synth_);
        if (settings_) api_->deleteSettings(settings_);
    }
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    bool ready() const { return ready_; }

    // Sound through the first audio system that answers. JACK is left out:
    // asking for it may start a server the user did not want. The system
    // that answered is asked first next time: each one that does not answer
    // can keep a resume waiting for its time-out.
    bool startAudio(std::string& error) {
        QuietenAlsaLibrary();
        if (!answered_.empty() && openDriver(answered_.c_str())) return true;
        for (const char* name : {"pipewire", "pulseaudio", "alsa"}) {
            if (name == answered_ || !openDriver(name)) continue;
            answered_ = name;
            return true;
        }
        error = "no audio device (PipeWire, PulseAudio and ALSA do not answer)";
        return false;
    }
    void stopAudio() {
        if (driver_) api_->deleteDriver(driver_);
        driver_ = nullptr;
    }

    // A short message: status in the low byte, then the two data bytes.
    void send(std::uint32_t message) {
        const int status = int(message & 0xF0), channel = int(message & 0x0F);
        const int a = int((message >> 8) & 0x7F), b = int((message >> 16) & 0x7F);
        switch (status) {
            case 0x80:
                api_->noteOff(synth_, channel, a);
                break;
            case 0x90:
                // A note-on of velocity 0 is a note-off by MIDI's own rule.
                if (b == 0) {
                    api_->noteOff(synth_, channel, a);
                } else {
                    api_->noteOn(synth_, channel, a, b);
                }
                break;
            case 0xA0:
                api_->keyPressure(synth_, channel, a, b);
                break;
            case 0xB0:
                api_->controller(synth_, channel, a, b);
                break;
            case 0xC0:
                api_->programChange(synth_, channel, a);
                break;
            case 0xD0:
                api_->channelPressure(synth_, channel, a);
                break;
            case 0xE0:
                api_->pitchBend(synth_, channel, a + b * 128);
                break;
            default:
                break;  // system messages have no meaning here
        }
    }
    void reset() { api_->systemReset(synth_); }
    void render(float* out, std::size_t frames) {
        api_->writeFloat(synth_, int(frames), out, 0, 2, out, 1, 2);
    }

    // The file player runs on the synthesizer's own sample count, so it keeps
    // time with whatever renders the samples, in real time or not.
    fluid_player_t* startPlayer(const std::string& file, long long tick) {
        fluid_player_t* player = api_->newPlayer(synth_);
        if (!player) return nullptr;
        if (api_->playerAddMem(player, file.data(), file.size()) == FLUID_FAILED ||
            api_->playerPlay(player) == FLUID_FAILED ||
            (tick > 0 && !seekNewPlayer(player, int(tick)))) {
            api_->deletePlayer(player);
            return nullptr;
        }
        return player;
    }
    // A player loads its file and starts playing in its first callback and
    // refuses a seek before that; one block of the synthesizer (64 frames,
    // 1.5 ms, thrown away) runs it. The seek then silences what that block
    // started.
    bool seekNewPlayer(fluid_player_t* player, int tick) {
        float scratch[2 * 64];
        render(scratch, 64);
        return api_->playerSeek(player, tick) != FLUID_FAILED;
    }
    void endPlayer(fluid_player_t* player) {
        api_->playerStop(player);
        api_->deletePlayer(player);
    }

  private:
    bool openDriver(const char* name) {
        if (api_->setStr(settings_, "audio.driver", name) == FLUID_FAILED) return false;
        driver_ = api_->newDriver(settings_, synth_);
        return driver_ != nullptr;
    }

    std::unique_ptr<FluidApi> api_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    std::string answered_;
    bool ready_ = false;
};

class FluidSynthStream : public LiveSynthStream {
  public:
    explicit FluidSynthStream(std::unique_ptr<Synth> synth) : synth_(std::move(synth)) {}
    int rate() const override { return int(kRate); }
    int channels() const override { return 2; }
    // A live synthesizer has no end; a year of frames stands for that.
    long long frames() const override { return (long long)kRate * 3600 * 24 * 365; }
    void seek(long long frame) override { (void)frame; }
    std::size_t read(float* out, std::size_t count) override {
        synth_->render(out, count);
        return count;
    }
    void shortMessage(std::uint32_t message) override { synth_->send(message); }
    void reset() override { synth_->reset(); }

  private:
    std::unique_ptr<Synth> synth_;
};

}  // namespace

// The synthesizer a closed MIDI file leaves behind, for the next one.
struct MidiSynthShelf {
    std::unique_ptr<Synth> idle;

    std::unique_ptr<Synth> take(std::string& error) {
        if (idle) return std::move(idle);
        auto synth = std::make_unique<Synth>(error);
        return synth->ready() ? std::move(synth) : nullptr;
    }
    static void giveBack(const std::weak_ptr<MidiSynthShelf>& shelf, std::unique_ptr<Synth> synth) {
        auto to = shelf.lock();
        if (!to || !synth) return;
        synth->stopAudio();
        synth->reset();
        to->idle = std::move(synth);
    }
};

namespace {

// A MIDI file played by FluidSynth's own file player, rendered on demand. Its
// length comes from the file's tempo map, read before playing; a seek starts
// a fresh player at the tick of that moment, which sends the controller and
// program changes before it (notes begun before it stay silent, as a
// sequencer's seek leaves them).
class MidiFileStream : public PcmStream {
  public:
    MidiFileStream(std::unique_ptr<Synth> synth, std::weak_ptr<MidiSynthShelf> shelf,
                   std::string file, SmfTiming timing)
        : synth_(std::move(synth)),
          shelf_(std::move(shelf)),
          file_(std::move(file)),
          timing_(std::move(timing)),
          frames_((long long)(timing_.lengthMs() * kRate / 1000.0 + 0.5)) {}
    ~MidiFileStream() override {
        if (player_) synth_->endPlayer(player_);
        MidiSynthShelf::giveBack(shelf_, std::move(synth_));
    }
    MidiFileStream(const MidiFileStream&) = delete;
    MidiFileStream& operator=(const MidiFileStream&) = delete;

    bool start() {
        seek(0);
        return player_ != nullptr;
    }
    int rate() const override { return int(kRate); }
    int channels() const override { return 2; }
    long long frames() const override { return frames_; }
    void seek(long long frame) override {
        if (player_) synth_->endPlayer(player_);
        synth_->reset();
        next_ = std::clamp(frame, 0LL, frames_);
        player_ = synth_->startPlayer(file_, timing_.tickAt(double(next_) * 1000.0 / kRate));
    }
    std::size_t read(float* out, std::size_t count) override {
        const auto n = std::size_t(std::clamp<long long>(frames_ - next_, 0, (long long)count));
        if (n == 0) return 0;
        if (player_) {
            synth_->render(out, n);
        } else {
            std::fill(out, out + 2 * n, 0.0f);
        }
        next_ += (long long)n;
        return n;
    }

  private:
    std::unique_ptr<Synth> synth_;
    std::weak_ptr<MidiSynthShelf> shelf_;
    std::string file_;
    SmfTiming timing_;
    long long frames_;
    long long next_ = 0;
    fluid_player_t* player_ = nullptr;
};

// A MIDI file heard on the desktop: the synthesizer renders through the audio
// system in real time and its file player keeps time by the samples it
// renders. Positions are read from the engine's clock, which the MCI engine
// brings up to date before every command. Pausing ends the player and
// resuming starts a new one at the held position, as a seek does. The audio
// runs only while a player plays: a player made or deleted while the audio
// thread renders can be used by that thread half-made or after it is gone.
class LiveMidiFileDevice : public MediaDevice {
  public:
    LiveMidiFileDevice(std::unique_ptr<Synth> synth, std::weak_ptr<MidiSynthShelf> shelf,
                       std::string file, SmfTiming timing, std::function<double()> now)
        : synth_(std::move(synth)),
          shelf_(std::move(shelf)),
          file_(std::move(file)),
          timing_(std::move(timing)),
          now_(std::move(now)) {}
    ~LiveMidiFileDevice() override {
        endPlayer();
        MidiSynthShelf::giveBack(shelf_, std::move(synth_));
    }
    LiveMidiFileDevice(const LiveMidiFileDevice&) = delete;
    LiveMidiFileDevice& operator=(const LiveMidiFileDevice&) = delete;

    double lengthMs() override { return timing_.lengthMs(); }
    double positionMs() override {
        if (mode_ != MediaMode::Playing) return heldMs_;
        const double at = heldMs_ + (now_() - startedAt_);
        if (at < endMs_) return at;
        // The player stops by itself at the end of the file; before that
        // (a "to" position) it is stopped here, when next asked.
        endPlayer();
        heldMs_ = endMs_;
        mode_ = MediaMode::Stopped;
        return heldMs_;
    }
    MediaMode mode() override {
        positionMs();
        return mode_;
    }
    bool play(double fromMs, double toMs) override {
        endMs_ = toMs < 0 ? lengthMs() : std::min(toMs, lengthMs());
        heldMs_ = std::clamp(fromMs, 0.0, endMs_);
        return startAt(heldMs_);
    }
    void pause() override {
        if (mode() != MediaMode::Playing) return;
        heldMs_ = positionMs();
        endPlayer();
        mode_ = MediaMode::Paused;
    }
    void resume() override {
        if (mode_ == MediaMode::Paused) startAt(heldMs_);
    }
    void stop() override {
        if (mode() == MediaMode::Playing) heldMs_ = positionMs();
        endPlayer();
        mode_ = MediaMode::Stopped;
    }
    void seek(double ms) override {
        endPlayer();
        endMs_ = lengthMs();
        heldMs_ = std::clamp(ms, 0.0, endMs_);
        mode_ = MediaMode::Stopped;
    }

  private:
    bool startAt(double ms) {
        const auto began = std::chrono::steady_clock::now();
        endPlayer();
        mode_ = MediaMode::Stopped;
        if (ms >= endMs_) return true;
        player_ = synth_->startPlayer(file_, timing_.tickAt(ms));
        std::string error;
        if (player_ && !synth_->startAudio(error)) {
            synth_->endPlayer(player_);
            player_ = nullptr;
        }
        if (!player_) return false;
        // The engine's clock was read before this command, and the tune
        // starts only once the audio system has answered, which can take a
        // while on a busy machine; that wait is not part of the tune.
        startedAt_ = now_() + std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - began)
                                  .count();
        mode_ = MediaMode::Playing;
        return true;
    }
    void endPlayer() {
        if (!player_) return;
        synth_->stopAudio();
        synth_->endPlayer(player_);
        synth_->reset();
        player_ = nullptr;
    }

    std::unique_ptr<Synth> synth_;
    std::weak_ptr<MidiSynthShelf> shelf_;
    std::string file_;
    SmfTiming timing_;
    std::function<double()> now_;
    fluid_player_t* player_ = nullptr;
    MediaMode mode_ = MediaMode::Stopped;
    double heldMs_ = 0, endMs_ = 0, startedAt_ = 0;
};

class FluidSynthOutput : public MidiOutPort {
  public:
    bool open(double nowMs, std::string& error) override {
        (void)nowMs;
        // The synthesizer and its audio stream are made once: loading a
        // General MIDI font takes a while, and 停止 between tunes is common.
        if (!synth_) {
            auto synth = std::make_unique<Synth>(problem_);
            if (synth->ready() && synth->startAudio(problem_)) synth_ = std::move(synth);
        }
        if (!synth_) {
            error = problem_;
            return false;
        }
        open_ = true;
        return true;
    }
    bool isOpen() const override { return open_; }
    void reset(double nowMs) override {
        (void)nowMs;
        if (synth_) synth_->reset();
    }
    void shortMessage(std::uint32_t message, double nowMs) override {
        (void)nowMs;
        if (open_) synth_->send(message);
    }
    void close(double nowMs) override {
        reset(nowMs);
        open_ = false;
    }

  private:
    std::unique_ptr<Synth> synth_;
    std::string problem_;
    bool open_ = false;
};

}  // namespace

std::string FindSoundFont() {
    if (const char* chosen = std::getenv("QELSCRIPT_SOUNDFONT"); chosen && *chosen) {
        std::error_code ec;
        return std::filesystem::is_regular_file(chosen, ec) ? chosen : "";
    }
    for (const char* path :
         {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
          "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) return path;
    }
    return "";
}

std::unique_ptr<LiveSynthStream> MakeFluidSynthStream(std::string& error) {
    auto synth = std::make_unique<Synth>(error);
    if (!synth->ready()) return nullptr;
    return std::make_unique<FluidSynthStream>(std::move(synth));
}

std::shared_ptr<MidiSynthShelf> MakeMidiSynthShelf() {
    return std::make_shared<MidiSynthShelf>();
}

std::unique_ptr<PcmStream> MakeFluidMidiFileStream(const std::shared_ptr<MidiSynthShelf>& shelf,
                                                   std::string file, SmfTiming timing,
                                                   std::string& error) {
    auto synth = shelf->take(error);
    if (!synth) return nullptr;
    auto stream = std::make_unique<MidiFileStream>(std::move(synth), shelf, std::move(file),
                                                   std::move(timing));
    if (!stream->start()) {
        error = "FluidSynth cannot play the MIDI file";
        return nullptr;
    }
    return stream;
}

std::unique_ptr<MediaDevice> OpenLiveMidiFile(const std::shared_ptr<MidiSynthShelf>& shelf,
                                              std::string file, SmfTiming timing,
                                              std::function<double()> now, std::string& error) {
    auto synth = shelf->take(error);
    if (!synth) return nullptr;
    // The audio is tried once here so that a desktop without sound fails at
    // the open, not at the first play.
    if (!synth->startAudio(error)) {
        shelf->idle = std::move(synth);
        return nullptr;
    }
    synth->stopAudio();
    return std::make_unique<LiveMidiFileDevice>(std::move(synth), shelf, std::move(file),
                                                std::move(timing), std::move(now));
}

std::unique_ptr<MidiOutPort> MakeFluidSynthOutput() {
    return std::make_unique<FluidSynthOutput>();
}

}  // namespace qel
