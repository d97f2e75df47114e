// The timing read from a standard MIDI file before it is played: lengths
// through tempo changes and time-code divisions, the ms ⇄ tick mapping a
// seek uses, and damaged files refused.
#include "platform/linux/smf_timing.h"

#include <gtest/gtest.h>

#include <string>

namespace qel {
namespace {

std::string be32(unsigned long v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string file(const std::string& tracks, int count, unsigned division) {
    return "MThd" + be32(6) + std::string{0, 1, 0, char(count)} +
           std::string{char(division >> 8), char(division & 0xFF)} + tracks;
}

std::string track(const std::string& events) {
    return "MTrk" + be32(events.size()) + events;
}

const std::string kEnd("\x00\xff\x2f\x00", 4);
// A tempo meta event after `delta`, in microseconds a quarter note.
std::string tempo(const std::string& delta, unsigned long us) {
    return delta + std::string("\xff\x51\x03", 3) + be32(us).substr(1);
}

TEST(SmfTiming, TempoChangesAcrossTracks) {
    // 480 ticks a beat. Track 1: 120 bpm, after 960 ticks (1 s) 60 bpm.
    // Track 2: a note-on, running-status notes, a sysex, ending at tick 1920
    // (1 s + 960 ticks at 1 ms a tick... ×2 = 2 s): 3 s in all.
    const std::string conductor =
        tempo(std::string(1, 0), 500000) + tempo("\x87\x40", 1000000) + kEnd;
    const std::string notes = std::string("\x00\x90\x45\x40", 4) + "\x87\x40" +
                              std::string("\x45\x00", 2) +  // running status
                              std::string("\x00\xf0\x02\x7e\xf7", 5) + "\x87\x40" +
                              std::string("\x80\x45\x00", 3) + kEnd;
    SmfTiming timing;
    std::string error;
    ASSERT_TRUE(timing.read(file(track(conductor) + track(notes), 2, 480), error)) << error;
    EXPECT_DOUBLE_EQ(timing.lengthMs(), 3000);
    EXPECT_DOUBLE_EQ(timing.msAt(480), 500);
    EXPECT_DOUBLE_EQ(timing.msAt(1440), 2000);
    EXPECT_EQ(timing.tickAt(500), 480);
    EXPECT_EQ(timing.tickAt(2000), 1440);
    EXPECT_EQ(timing.tickAt(99999), 1920);  // a seek past the end stays at the end
    EXPECT_EQ(timing.tickAt(-5), 0);
}

TEST(SmfTiming, TimeCodeDivision) {
    // 25 frames a second, 40 ticks a frame: a millisecond a tick, whatever
    // tempo the file names.
    const std::string events =
        tempo(std::string(1, 0), 250000) + "\x87\x68" + std::string("\xff\x2f\x00", 3);
    SmfTiming timing;
    std::string error;
    ASSERT_TRUE(timing.read(file(track(events), 1, (unsigned(256 - 25) << 8) | 40), error));
    EXPECT_DOUBLE_EQ(timing.lengthMs(), 1000);
}

TEST(SmfTiming, DamagedFilesAreRefused) {
    const std::string good =
        file(track(std::string("\x00\x90\x45\x40\x83\x60\x80\x45\x00", 9) + kEnd), 1, 480);
    SmfTiming timing;
    std::string error;
    ASSERT_TRUE(timing.read(good, error));
    EXPECT_DOUBLE_EQ(timing.lengthMs(), 500);
    const std::string bad[] = {
        good.substr(0, good.size() - 3),                             // cut inside the track
        good.substr(0, 18) + be32(0x7FFFFFF0) + good.substr(22),     // track length past the file
        file(track(std::string("\x00\x45\x40", 3) + kEnd), 1, 480),  // data with no status
        file(track(std::string("\x00\x90\x45\x40\xff\xff\xff\xff\x7f", 9)), 1,
             480),                                      // 5-byte delta
        file(track(kEnd), 2, 480),                      // a track missing
        file(track(kEnd), 1, 0),                        // no division
        file("", 0, 480),                               // no track at all
        "MThd" + be32(0x7FFFFFFF) + std::string(6, 0),  // header past the file
        std::string("RIFF....MThd"),
    };
    for (const std::string& bytes : bad) {
        SCOPED_TRACE(bytes.size());
        EXPECT_FALSE(timing.read(bytes, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(SmfTiming, TicksBeyondWhatThePlayerCountsAreRefused) {
    // Each delta is the largest a file can write; 9 of them pass 2^31 ticks.
    std::string events;
    for (int i = 0; i < 9; ++i) events += std::string("\xff\xff\xff\x7f\x90\x45\x40", 7);
    SmfTiming timing;
    std::string error;
    EXPECT_FALSE(timing.read(file(track(events + kEnd), 1, 480), error));
}

}  // namespace
}  // namespace qel
