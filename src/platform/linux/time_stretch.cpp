#include "platform/linux/time_stretch.h"

#include "platform/linux/shared_library.h"

namespace qel {

namespace {

// The library's C interface, declared here: its own header defines Windows
// words (TRUE, DWORD, __cdecl) for everything that includes it.
struct SoundTouchApi {
    using Handle = void*;
    SharedLibrary lib{"libSoundTouchDll.so.1"};
    Handle (*create)() = nullptr;
    void (*destroy)(Handle) = nullptr;
    int (*setChannels)(Handle, unsigned) = nullptr;
    int (*setSampleRate)(Handle, unsigned) = nullptr;
    void (*setTempo)(Handle, float) = nullptr;
    void (*setPitchSemiTones)(Handle, float) = nullptr;
    int (*putSamples)(Handle, const float*, unsigned) = nullptr;
    unsigned (*receiveSamples)(Handle, float*, unsigned) = nullptr;
    int (*flush)(Handle) = nullptr;
    void (*clear)(Handle) = nullptr;
    bool ok = lib.get(create, "soundtouch_createInstance") &&
              lib.get(destroy, "soundtouch_destroyInstance") &&
              lib.get(setChannels, "soundtouch_setChannels") &&
              lib.get(setSampleRate, "soundtouch_setSampleRate") &&
              lib.get(setTempo, "soundtouch_setTempo") &&
              lib.get(setPitchSemiTones, "soundtouch_setPitchSemiTones") &&
              lib.get(putSamples, "soundtouch_putSamples") &&
              lib.get(receiveSamples, "soundtouch_receiveSamples") &&
              lib.get(flush, "soundtouch_flush") && lib.get(clear, "soundtouch_clear");
};

// Loaded once and kept: a stretcher may outlive the medium that asked first.
SoundTouchApi& api() {
    static SoundTouchApi instance;
    return instance;
}

class SoundTouchStretcher : public TimeStretcher {
  public:
    SoundTouchStretcher(SoundTouchApi& api, void* handle) : api_(api), handle_(handle) {}
    ~SoundTouchStretcher() override { api_.destroy(handle_); }
    SoundTouchStretcher(const SoundTouchStretcher&) = delete;
    SoundTouchStretcher& operator=(const SoundTouchStretcher&) = delete;

    void setTempo(double tempo) override { api_.setTempo(handle_, float(tempo)); }
    void setPitchSemitones(double semitones) override {
        api_.setPitchSemiTones(handle_, float(semitones));
    }
    void put(const float* frames, std::size_t count) override {
        api_.putSamples(handle_, frames, unsigned(count));
    }
    std::size_t receive(float* out, std::size_t count) override {
        return api_.receiveSamples(handle_, out, unsigned(count));
    }
    void flush() override { api_.flush(handle_); }
    void clear() override { api_.clear(handle_); }

  private:
    SoundTouchApi& api_;
    void* handle_;
};

}  // namespace

std::unique_ptr<TimeStretcher> OpenSoundTouchStretcher(int rate, int channels) {
    SoundTouchApi& st = api();
    // The library handles at most 16 channels and asserts on anything odd.
    if (!st.ok || rate < 1 || channels < 1 || channels > 16) return nullptr;
    void* handle = st.create();
    if (!handle) return nullptr;
    if (!st.setChannels(handle, unsigned(channels)) || !st.setSampleRate(handle, unsigned(rate))) {
        st.destroy(handle);
        return nullptr;
    }
    return std::make_unique<SoundTouchStretcher>(st, handle);
}

}  // namespace qel
