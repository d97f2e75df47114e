#include "platform/linux/linux_audio.h"

#include <cdio/cdio.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/linux/fluid_synth.h"
#include "platform/linux/midi_synth.h"
#include "platform/linux/shared_library.h"
#include "platform/linux/tag_access.h"
#include "platform/linux/time_stretch.h"

namespace qel {

namespace {

struct Sndfile {
    SharedLibrary lib{"libsndfile.so.1"};
    decltype(&sf_open) open = nullptr;
    decltype(&sf_readf_float) readf = nullptr;
    decltype(&sf_seek) seek = nullptr;
    decltype(&sf_close) close = nullptr;
    bool ok = lib.get(open, "sf_open") && lib.get(readf, "sf_readf_float") &&
              lib.get(seek, "sf_seek") && lib.get(close, "sf_close");
};

class SndfileStream : public PcmStream {
  public:
    SndfileStream(Sndfile& api, SNDFILE* file, SF_INFO info)
        : api_(api), file_(file), info_(info) {}
    ~SndfileStream() override { api_.close(file_); }
    int rate() const override { return info_.samplerate; }
    int channels() const override { return info_.channels; }
    long long frames() const override { return info_.frames; }
    void seek(long long frame) override { api_.seek(file_, frame, SEEK_SET); }
    std::size_t read(float* out, std::size_t count) override {
        sf_count_t n = api_.readf(file_, out, sf_count_t(count));
        return n > 0 ? std::size_t(n) : 0;
    }

  private:
    Sndfile& api_;
    SNDFILE* file_;
    SF_INFO info_;
};

struct Cdio {
    SharedLibrary lib{"libcdio.so.19"};
    decltype(&cdio_open) open = nullptr;
    decltype(&cdio_destroy) destroy = nullptr;
    decltype(&cdio_get_first_track_num) firstTrack = nullptr;
    decltype(&cdio_get_num_tracks) trackCount = nullptr;
    decltype(&cdio_get_track_lsn) trackLsn = nullptr;
    decltype(&cdio_get_track_format) trackFormat = nullptr;
    decltype(&cdio_get_disc_last_lsn) lastLsn = nullptr;
    decltype(&cdio_read_audio_sectors) readAudio = nullptr;
    bool ok =
        lib.get(open, "cdio_open") && lib.get(destroy, "cdio_destroy") &&
        lib.get(firstTrack, "cdio_get_first_track_num") &&
        lib.get(trackCount, "cdio_get_num_tracks") && lib.get(trackLsn, "cdio_get_track_lsn") &&
        lib.get(trackFormat, "cdio_get_track_format") &&
        lib.get(lastLsn, "cdio_get_disc_last_lsn") && lib.get(readAudio, "cdio_read_audio_sectors");
};

constexpr int kSectorFrames = CDIO_CD_FRAMESIZE_RAW / 4;  // 588 stereo frames

// The disc's audio as one stream from its first track to its end; the table
// of contents maps tracks onto it. Sectors are read as they are played.
class CdStream : public PcmStream {
  public:
    CdStream(Cdio& api, CdIo_t* cd) : api_(api), cd_(cd) {
        const track_t first = api_.firstTrack(cd_);
        const track_t count = api_.trackCount(cd_);
        const lsn_t end = api_.lastLsn(cd_);
        start_ = count > 0 ? api_.trackLsn(cd_, first) : 0;
        for (track_t t = first; t < first + count; ++t) {
            const lsn_t from = api_.trackLsn(cd_, t);
            const lsn_t to = t + 1 < first + count ? api_.trackLsn(cd_, track_t(t + 1)) : end;
            CdTrack track;
            track.startMs = double(from - start_) * 1000.0 / 75.0;
            track.lengthMs = double(std::max(0, to - from)) * 1000.0 / 75.0;
            track.audio = api_.trackFormat(cd_, t) == TRACK_FORMAT_AUDIO;
            tracks_.push_back(track);
        }
        sectors_ = std::max(0, end - start_);
    }
    ~CdStream() override { api_.destroy(cd_); }
    int rate() const override { return 44100; }
    int channels() const override { return 2; }
    long long frames() const override { return (long long)sectors_ * kSectorFrames; }
    void seek(long long frame) override { next_ = std::clamp(frame, 0LL, frames()); }
    std::size_t read(float* out, std::size_t count) override {
        std::size_t done = 0;
        std::int16_t sector[kSectorFrames * 2];
        while (done < count && next_ < frames()) {
            const lsn_t lsn = lsn_t(start_ + next_ / kSectorFrames);
            const int skip = int(next_ % kSectorFrames);
            if (api_.readAudio(cd_, sector, lsn, 1) != DRIVER_OP_SUCCESS)
                std::fill(std::begin(sector), std::end(sector),
                          0);  // an unreadable sector is silent
            const int take =
                int(std::min<long long>(kSectorFrames - skip, (long long)(count - done)));
            for (int i = 0; i < take * 2; ++i)
                out[done * 2 + std::size_t(i)] = float(sector[skip * 2 + i]) / 32768.0f;
            done += std::size_t(take);
            next_ += take;
        }
        return done;
    }
    std::vector<CdTrack> tracks() const override { return tracks_; }

  private:
    Cdio& api_;
    CdIo_t* cd_;
    lsn_t start_ = 0;
    int sectors_ = 0;
    long long next_ = 0;
    std::vector<CdTrack> tracks_;
};

class LinuxAudioDecoders : public AudioDecoders {
  public:
    std::unique_ptr<PcmStream> openFile(const std::string& path, std::string& error) override {
        if (!sndfile_) sndfile_ = std::make_unique<Sndfile>();
        if (!sndfile_->ok) {
            error = media_error::kNoDevice;
            return nullptr;
        }
        SF_INFO info{};
        SNDFILE* file = sndfile_->open(path.c_str(), SFM_READ, &info);
        if (!file || info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
            if (file) sndfile_->close(file);
            error = media_error::kInvalidFile;
            return nullptr;
        }
        return std::make_unique<SndfileStream>(*sndfile_, file, info);
    }

    std::unique_ptr<PcmStream> openMidi(const std::string& path, std::string& error) override {
        if (!synths_) synths_ = MakeMidiSynthShelf();
        return OpenMidiSynth(synths_, path, error);
    }

    // A drive is a device path ("/dev/sr0"), a letter as Windows scripts give
    // it ("D:", which names the default drive here), or a CUE or TOC image.
    std::unique_ptr<PcmStream> openCd(const std::string& drive, std::string& error) override {
        if (!cdio_) cdio_ = std::make_unique<Cdio>();
        if (!cdio_->ok) {
            error = media_error::kNoDevice;
            return nullptr;
        }
        std::string source = drive;
        if (source.size() <= 2 && (source.empty() || source.back() == ':')) {
            const char* image = std::getenv("QELSCRIPT_CD_IMAGE");
            source = image ? image : "";
        }
        CdIo_t* cd = cdio_->open(source.empty() ? nullptr : source.c_str(), DRIVER_UNKNOWN);
        if (!cd) {
            error = media_error::kNoDevice;
            return nullptr;
        }
        if (cdio_->trackCount(cd) == 0 || cdio_->trackCount(cd) == CDIO_INVALID_TRACK) {
            cdio_->destroy(cd);
            error = media_error::kNoDisc;
            return nullptr;
        }
        return std::make_unique<CdStream>(*cdio_, cd);
    }

    std::optional<AudioTags> readTags(const std::string& path) override { return ReadTags(path); }
    bool writeTags(const std::string& path, const AudioTags& tags) override {
        return WriteTags(path, tags);
    }
    std::unique_ptr<TimeStretcher> openStretcher(int rate, int channels) override {
        return OpenSoundTouchStretcher(rate, channels);
    }

  private:
    std::unique_ptr<Sndfile> sndfile_;
    std::unique_ptr<Cdio> cdio_;
    std::shared_ptr<MidiSynthShelf> synths_;
};

}  // namespace

std::unique_ptr<AudioDecoders> MakeLinuxAudioDecoders() {
    return std::make_unique<LinuxAudioDecoders>();
}

}  // namespace qel
