#include "platform/linux/alsa_midi_out.h"

#include <alsa/asoundlib.h>

#include "platform/linux/shared_library.h"

namespace qel {

namespace {

struct AlsaApi {
    SharedLibrary lib{"libasound.so.2"};
    decltype(&snd_seq_open) open = nullptr;
    decltype(&snd_seq_close) close = nullptr;
    decltype(&snd_seq_set_client_name) setName = nullptr;
    decltype(&snd_seq_create_simple_port) createPort = nullptr;
    decltype(&snd_seq_parse_address) parseAddress = nullptr;
    decltype(&snd_seq_connect_to) connectTo = nullptr;
    decltype(&snd_seq_event_output_direct) outputDirect = nullptr;
    decltype(&snd_strerror) errorText = nullptr;
    decltype(&snd_config_update_free_global) freeConfig = nullptr;
    bool ok = lib.get(open, "snd_seq_open") && lib.get(close, "snd_seq_close") &&
              lib.get(setName, "snd_seq_set_client_name") &&
              lib.get(createPort, "snd_seq_create_simple_port") &&
              lib.get(parseAddress, "snd_seq_parse_address") &&
              lib.get(connectTo, "snd_seq_connect_to") &&
              lib.get(outputDirect, "snd_seq_event_output_direct") &&
              lib.get(errorText, "snd_strerror") &&
              lib.get(freeConfig, "snd_config_update_free_global");
};

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaMidiOut : public MidiOutPort {
  public:
    explicit AlsaMidiOut(std::string destination) : destination_(std::move(destination)) {}
    ~AlsaMidiOut() override {
        closeSequencer();
        // The library keeps its parsed configuration for the process; it
        // goes with the library.
        if (api_ && api_->ok) api_->freeConfig();
    }

    bool open(double nowMs, std::string& error) override {
        (void)nowMs;
        if (seq_) return true;
        if (!api_) api_ = std::make_unique<AlsaApi>();
        if (!api_->ok) {
            error = "the ALSA library (libasound.so.2) is not installed";
            return false;
        }
        QuietenAlsaLibrary();
        if (int rc = api_->open(&seq_, "default", SND_SEQ_OPEN_OUTPUT, 0); rc < 0) {
            seq_ = nullptr;
            error = std::string("the ALSA sequencer cannot be opened: ") + api_->errorText(rc);
            return false;
        }
        api_->setName(seq_, "qelscript");
        port_ = api_->createPort(seq_, "演奏", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_seq_addr_t to{};
        int rc = port_ < 0 ? port_ : api_->parseAddress(seq_, &to, destination_.c_str());
        if (rc >= 0) rc = api_->connectTo(seq_, port_, to.client, to.port);
        if (rc < 0) {
            error = "the ALSA sequencer port " + destination_ +
                    " cannot be reached: " + api_->errorText(rc);
            closeSequencer();
            return false;
        }
        return true;
    }
    bool isOpen() const override { return seq_ != nullptr; }

    // Every note off and every controller back to its default, channel by
    // channel, as a device reset does.
    void reset(double nowMs) override {
        for (std::uint32_t channel = 0; channel < 16; ++channel) {
            shortMessage(0xB0 + channel + 123 * 256, nowMs);
            shortMessage(0xB0 + channel + 121 * 256, nowMs);
        }
    }

    void shortMessage(std::uint32_t message, double nowMs) override {
        (void)nowMs;
        if (!seq_) return;
        snd_seq_event_t ev{};
        ev.source.port = (unsigned char)port_;
        ev.dest.client = SND_SEQ_ADDRESS_SUBSCRIBERS;
        ev.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
        ev.queue = SND_SEQ_QUEUE_DIRECT;
        const auto channel = (unsigned char)(message & 0x0F);
        const auto a = (unsigned char)((message >> 8) & 0x7F);
        const auto b = (unsigned char)((message >> 16) & 0x7F);
        switch (message & 0xF0) {
            case 0x80:
                ev.type = SND_SEQ_EVENT_NOTEOFF;
                ev.data.note = {channel, a, b, 0, 0};
                break;
            case 0x90:
                ev.type = SND_SEQ_EVENT_NOTEON;
                ev.data.note = {channel, a, b, 0, 0};
                break;
            case 0xA0:
                ev.type = SND_SEQ_EVENT_KEYPRESS;
                ev.data.note = {channel, a, b, 0, 0};
                break;
            case 0xB0:
                ev.type = SND_SEQ_EVENT_CONTROLLER;
                ev.data.control.channel = channel;
                ev.data.control.param = a;
                ev.data.control.value = b;
                break;
            case 0xC0:
                ev.type = SND_SEQ_EVENT_PGMCHANGE;
                ev.data.control.channel = channel;
                ev.data.control.value = a;
                break;
            case 0xD0:
                ev.type = SND_SEQ_EVENT_CHANPRESS;
                ev.data.control.channel = channel;
                ev.data.control.value = a;
                break;
            case 0xE0:
                ev.type = SND_SEQ_EVENT_PITCHBEND;
                ev.data.control.channel = channel;
                ev.data.control.value = int(a) + int(b) * 128 - 8192;
                break;
            default:
                return;
        }
        api_->outputDirect(seq_, &ev);
    }

    void close(double nowMs) override {
        if (!seq_) return;
        reset(nowMs);
        closeSequencer();
    }

  private:
    void closeSequencer() {
        if (seq_) api_->close(seq_);
        seq_ = nullptr;
    }

    std::string destination_;
    std::unique_ptr<AlsaApi> api_;
    snd_seq_t* seq_ = nullptr;
    int port_ = -1;
};

}  // namespace

std::unique_ptr<MidiOutPort> MakeAlsaMidiOutput(std::string destination) {
    return std::make_unique<AlsaMidiOut>(std::move(destination));
}

void QuietenAlsaLibrary() {
    // The handle is let go at once: the setting lives in the library, which
    // stays loaded as long as the synthesizer or the sequencer output that
    // called this uses it.
    SharedLibrary lib("libasound.so.2");
    decltype(&snd_lib_error_set_handler) setHandler = nullptr;
    if (lib.get(setHandler, "snd_lib_error_set_handler")) setHandler(ignoreAlsaError);
}

}  // namespace qel
