// Media playback as the MCI engine sees it: one opened medium per device
// (a file, a MIDI sequence, an audio CD), time in milliseconds on one
// timeline per medium, and the few sound calls that need no device.
//
// Time passes only when the engine says so (advance): a headless output on
// the virtual clock moves exactly with the script's sleeps, and a real one
// simply catches up with its own clock.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qel {

enum class MediaMode { NotReady, Stopped, Playing, Paused, Open };

// What kind of device the engine opens: the sequencer plays MIDI files, the
// CD player an audio disc, the rest is any file the platform can decode.
enum class MediaKind { File, Sequencer, CdAudio };

struct MediaOpenRequest {
    MediaKind kind = MediaKind::File;
    std::string path;            // file path (UTF-8); for a CD the drive ("" = default)
    long long parentWindow = 0;  // a window handle the video is shown in, 0 none
};

// A CD's table of contents: track starts and lengths in milliseconds on the
// disc's own timeline (a frame is 1/75 s; positions are rounded to frames).
struct CdTrack {
    double startMs = 0;
    double lengthMs = 0;
    bool audio = true;
};

// A sound file's tag and stream information, where the file format has them.
struct AudioTags {
    std::string title, artist, album, comment, genre;
    int year = 0;
    int sampleRate = 0, bitRate = 0, channels = 0;  // bit rate in kbit/s
    double lengthSeconds = 0;
};

class MediaDevice {
  public:
    virtual ~MediaDevice() = default;
    virtual double lengthMs() = 0;
    virtual double positionMs() = 0;
    virtual MediaMode mode() = 0;
    // Plays from `fromMs` up to `toMs` (negative: to the end); false when the
    // medium cannot play (no disc, the range lies outside the medium).
    virtual bool play(double fromMs, double toMs) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    virtual void seek(double ms) = 0;
    virtual void setAudio(bool on) { (void)on; }
    // Volume 0..1000 per side, as the MCI vocabulary counts it.
    virtual void setVolume(int left, int right) { (void)left, (void)right; }
    // Plays `tempo` times as fast (1 the file's own speed) and `semitones`
    // higher, each without changing the other; positions and the length stay
    // in the file's own time. False when the device cannot do it.
    virtual bool setSpeedPitch(double tempo, double semitones) {
        return tempo == 1 && semitones == 0;
    }

    // CD audio only.
    virtual std::vector<CdTrack> tracks() { return {}; }
    virtual bool mediaPresent() { return true; }
    virtual bool setDoor(bool open) {
        (void)open;
        return false;
    }

    // Video only: the picture's own size, and where it is shown.
    virtual std::optional<std::pair<int, int>> sourceSize() { return std::nullopt; }
    virtual bool placeVideo(int x, int y, int width, int height) {
        (void)x, (void)y, (void)width, (void)height;
        return false;
    }
    virtual long long videoWindow() { return 0; }
};

class MediaPort {
  public:
    virtual ~MediaPort() = default;
    // Brings every playing medium (and the rendered output) up to `nowMs` of
    // the engine's monotonic clock.
    virtual void advance(double nowMs) = 0;
    // Opens a medium; on failure returns none and says why in `error` (one of
    // the MediaError words below).
    virtual std::unique_ptr<MediaDevice> open(const MediaOpenRequest& request,
                                              std::string& error) = 0;
    // Plays a sound file once, independently of any device; its length in
    // milliseconds, or none when it cannot be played.
    virtual std::optional<double> playSound(const std::string& path) = 0;
    // A desktop event sound by its usual system name (SystemAsterisk …).
    virtual bool playSystemSound(const std::string& name) = 0;
    // The tag of a sound file; none when it has none or cannot be read.
    virtual std::optional<AudioTags> readTags(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
    // Writes title, artist, album, comment, genre and year back; false on failure.
    virtual bool writeTags(const std::string& path, const AudioTags& tags) {
        (void)path, (void)tags;
        return false;
    }
    // The run has ended: whatever the output rendered so far is made whole
    // on disk.
    virtual void flush() {}
};

// The reasons a medium cannot be opened, as open() names them.
namespace media_error {
inline constexpr const char* kFileNotFound = "file-not-found";
inline constexpr const char* kInvalidFile = "invalid-file";
inline constexpr const char* kNoDevice = "no-device";
inline constexpr const char* kNoDisc = "no-disc";
inline constexpr const char* kUnsupported = "unsupported";
}  // namespace media_error

}  // namespace qel
