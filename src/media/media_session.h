// The media state of one engine: the one medium open at a time, what kind it
// is, whether it is paused or repeats, and the MCI engine that drives it.
// The verbs and properties above work through it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "media/mci_engine.h"
#include "platform/ports/media.h"
#include "text/text.h"

namespace qel::media {

enum class MediaType : int { Cd = 0, Midi = 1, MciFile = 2, Mp3Library = 3, None = 4 };
enum class PauseState : int { Playing = 0, Stopped = 1, Paused = 2 };

// What the MP3 path knows of the file it opened, and the tag it writes back.
struct Mp3Info {
    Text title, artist;
    int sampleRate = 0;
    int bitRate = 0;  // kbit/s
    int channels = 0;
    double lengthSeconds = 0;
};
struct Mp3Tag {
    Text title, artist, album, year, comment;
    int genre = 255;
    // The genre as the file names it, written back as it was unless the
    // script sets a number: a name outside the numbered table survives.
    Text genreName;
};

class MediaSession {
  public:
    MediaSession(MediaPort& port, std::function<double()> now, std::function<void(double)> sleep);

    MciEngine& mci() { return mci_; }
    MediaPort& port() { return port_; }
    double now() const { return now_(); }
    void sleep(double ms) { sleep_(ms); }
    // Brings the output up to now. The MP3 device is driven directly, not
    // through the MCI engine (which does this for every command): without
    // it a play, pause or stop would act at the last moment the output
    // was brought up to, which may be seconds ago.
    void catchUp() { port_.advance(now_()); }

    // The process starts as if a CD had been played, so the first stop asks
    // the CD device (which is not open, and says so quietly).
    MediaType type = MediaType::Cd;
    PauseState pause = PauseState::Stopped;
    bool repeat = false;
    bool mp3ViaMci = false;
    bool mp3LibraryReady = false;
    Text midiTitle;
    Text mp3File;
    Mp3Info mp3Info;
    Mp3Tag mp3Tag;
    int mp3OutputRate = 44100;
    // Speed as a change in percent (100 twice as fast), pitch in semitones;
    // 0 is the file as it is. Kept for the next file opened.
    double mp3StepPitch = 0;
    double mp3Pitch = 0;
    int volumeLeft = 1000, volumeRight = 1000;
    // The music performer's settings: beats per minute (0 counts as 120) and
    // the program new parts start with.
    int tempo = 0;
    int instrument = 1;
    // The MP3 opened through the library path, beside the MCI devices.
    std::unique_ptr<MediaDevice> mp3;

  private:
    MediaPort& port_;
    std::function<double()> now_;
    std::function<void(double)> sleep_;
    MciEngine mci_;
};

// A port for a bundle without media: nothing opens, no sound plays.
class NoMediaPort : public MediaPort {
  public:
    void advance(double) override {}
    std::unique_ptr<MediaDevice> open(const MediaOpenRequest&, std::string& error) override {
        error = media_error::kNoDevice;
        return nullptr;
    }
    std::optional<double> playSound(const std::string&) override { return std::nullopt; }
    bool playSystemSound(const std::string&) override { return false; }
};

}  // namespace qel::media
