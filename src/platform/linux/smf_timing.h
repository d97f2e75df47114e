// The timing of a standard MIDI file, read before a synthesizer plays it: the
// tick where its last track ends and the tempo map that turns ticks into
// milliseconds. Reading it first also keeps a damaged file (cut short, or a
// chunk length beyond the file) away from the player.
#pragma once

#include <string>
#include <vector>

namespace qel {

class SmfTiming {
  public:
    // False with `error` set (media_error words) when the bytes are not a
    // whole standard MIDI file.
    bool read(const std::string& bytes, std::string& error);

    double lengthMs() const { return msAt(endTick_); }
    double msAt(long long tick) const;
    long long tickAt(double ms) const;

  private:
    struct Tempo {
        long long tick = 0;
        double msAtTick = 0;
        double msPerTick = 0;
    };
    bool readTrack(const unsigned char* at, std::size_t length, std::vector<Tempo>& changes);
    void buildMap(std::vector<Tempo> changes);

    int division_ = 480;         // ticks per quarter note
    double smpteMsPerTick_ = 0;  // time-code files tick at a fixed rate
    long long endTick_ = 0;
    std::vector<Tempo> map_;
};

}  // namespace qel
