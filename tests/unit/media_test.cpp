// The MIDI title reader on crafted files, and the MCI engine's parsing and
// answers over a port whose media are plain timelines.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "media/id3_genres.h"
#include "media/mci_engine.h"
#include "media/media_texts.h"
#include "platform/linux/tag_access.h"

namespace qel {
namespace {

std::string be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A format-0 file with one track holding `events`.
std::string smf(const std::string& events, std::uint32_t declared = 0xFFFFFFFF) {
    std::string header = "MThd" + be32(6) + std::string("\0\0\0\1\0\x60", 6);
    return header + "MTrk" +
           be32(declared == 0xFFFFFFFF ? std::uint32_t(events.size()) : declared) + events;
}

TEST(MidiTitle, EveryBranch) {
    const std::string name("\x00\xFF\x03\x05Hello\x00\xFF\x2F\x00", 13);
    EXPECT_EQ(media::MidiTitle(smf(name)), u"Hello");
    // A text event counts as well; the first of either wins.
    EXPECT_EQ(media::MidiTitle(smf(std::string("\x00\xFF\x01\x02Hi\x00\xFF\x03\x01X\x00\x00", 13))),
              u"Hi");
    // Code page 932 text.
    EXPECT_EQ(
        media::MidiTitle(smf(std::string("\x00\xFF\x03\x04\x89\xB9\x8A\x79\x00\x00\x00\x00", 12))),
        u"音楽");
    // A long length in two bytes: (0x81 - 128) * 256 + 0x02 = 258.
    std::string longText(258, 'a');
    EXPECT_EQ(media::MidiTitle(smf(std::string("\x00\xFF\x03\x81\x02", 5) + longText)),
              Text(258, u'a'));
    EXPECT_EQ(media::MidiTitle("short"), u"");
    EXPECT_EQ(media::MidiTitle(std::string(30, 'x')), u"MIDIファイルではありません");
    std::string noTrack = smf(std::string(12, '\0'));
    noTrack.replace(14, 4, "XTrk");
    EXPECT_EQ(media::MidiTitle(noTrack), u"トラックが見つかりません");
    // Track lengths past the file, or negative, give no title (and no read
    // out of bounds).
    EXPECT_EQ(media::MidiTitle(smf(name, 0x7FFFFFF0)), u"");
    EXPECT_EQ(media::MidiTitle(smf(name, 0x80000000)), u"");
    // A text length running past the track.
    EXPECT_EQ(media::MidiTitle(smf(std::string("\x00\xFF\x03\x40Hi\x00\x00\x00\x00\x00", 11))),
              u"");
    // Nothing to find.
    EXPECT_EQ(media::MidiTitle(smf(std::string(12, '\0'))), u"");
}

// Every numbered genre comes back as its own number from the name a file
// gets, so a tag written and read again keeps its genre; numbers written as
// names by older taggers are understood too.
TEST(Id3Genres, NamesAndNumbersRoundTrip) {
    for (int n = 0; n < 192; ++n) {
        const std::string name = media::GenreName(n);
        ASSERT_FALSE(name.empty()) << n;
        EXPECT_EQ(media::GenreNumber(name), n) << name;
    }
    EXPECT_EQ(media::GenreNumber("rock"), 17);
    EXPECT_EQ(media::GenreNumber("(17)"), 17);
    EXPECT_EQ(media::GenreNumber("Synthwave"), 255);
    EXPECT_EQ(media::GenreNumber("999"), 255);
    EXPECT_EQ(media::GenreName(255), "");
    EXPECT_EQ(media::GenreName(-1), "");
}

// TagLib opens any file by its name: a text file called .mp3 must be left
// alone, not given a tag in front of its text.
TEST(Tags, ATextFileUnderASoundFilesNameIsNeverWritten) {
    const std::string path = testing::TempDir() + "qel_tags_text.mp3";
    const std::string text(2000, 'x');
    std::ofstream(path, std::ios::binary) << text;
    AudioTags tags;
    tags.title = "title";
    EXPECT_FALSE(ReadTags(path));
    EXPECT_FALSE(WriteTags(path, tags));
    std::ostringstream after;
    after << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(after.str(), text);
    std::remove(path.c_str());
}

TEST(TimeText, MinutesGrowBeyondTwoDigits) {
    EXPECT_EQ(media::TimeText(0), u"00:00");
    EXPECT_EQ(media::TimeText(125), u"02:05");
    EXPECT_EQ(media::TimeText(6001), u"100:01");
}

// A medium that is a timeline: playing moves with the port's clock.
class TimelineDevice : public MediaDevice {
  public:
    TimelineDevice(double& now, double length, std::vector<CdTrack> tracks)
        : now_(now), length_(length), tracks_(std::move(tracks)) {}
    double lengthMs() override { return length_; }
    double positionMs() override {
        if (mode_ == MediaMode::Playing) {
            at_ = std::min(end_, from_ + (now_ - started_));
            if (at_ >= end_) mode_ = MediaMode::Stopped;
        }
        return at_;
    }
    MediaMode mode() override {
        positionMs();
        return mode_;
    }
    bool play(double from, double to) override {
        from_ = at_ = from;
        end_ = to < 0 ? length_ : to;
        started_ = now_;
        mode_ = MediaMode::Playing;
        return true;
    }
    void pause() override { mode_ = MediaMode::Paused; }
    void resume() override { play(at_, end_); }
    void stop() override {
        positionMs();
        mode_ = MediaMode::Stopped;
    }
    void seek(double ms) override {
        at_ = ms;
        mode_ = MediaMode::Stopped;
    }
    std::vector<CdTrack> tracks() override { return tracks_; }

  private:
    double& now_;
    double length_;
    std::vector<CdTrack> tracks_;
    MediaMode mode_ = MediaMode::Stopped;
    double at_ = 0, from_ = 0, end_ = 0, started_ = 0;
};

class TimelinePort : public MediaPort {
  public:
    double now = 0;
    void advance(double) override {}
    std::unique_ptr<MediaDevice> open(const MediaOpenRequest& r, std::string& error) override {
        if (r.kind == MediaKind::CdAudio) {
            // Three tracks of 10 s, 20.5 s and 30 s.
            return std::make_unique<TimelineDevice>(
                now, 60500, std::vector<CdTrack>{{0, 10000}, {10000, 20500}, {30500, 30000}});
        }
        if (r.path == "missing.wav") {
            error = media_error::kFileNotFound;
            return nullptr;
        }
        return std::make_unique<TimelineDevice>(now, 5000, std::vector<CdTrack>{});
    }
    std::optional<double> playSound(const std::string&) override { return std::nullopt; }
    bool playSystemSound(const std::string&) override { return true; }
};

struct MciFixture : ::testing::Test {
    TimelinePort port;
    media::MciEngine mci{port, [this] { return port.now; }, [this](double ms) { port.now += ms; }};
    std::string answer(const std::string& command) {
        std::string result;
        int code = mci.send(command, result);
        return code ? "error " + std::to_string(code) : result;
    }
};

TEST_F(MciFixture, FileDeviceOpenPlayStatusClose) {
    EXPECT_EQ(answer("open \"a b.wav\" alias m"), "1");
    EXPECT_EQ(answer("open \"a b.wav\" alias M"), "error 265");  // aliases fold case
    EXPECT_EQ(answer("status m length"), "5000");
    EXPECT_EQ(answer("play m from 1000"), "");
    port.now += 1500;
    EXPECT_EQ(answer("status m position"), "2500");
    EXPECT_EQ(answer("status m mode"), "playing");
    EXPECT_EQ(answer("play m from 0 wait"), "");
    EXPECT_EQ(answer("status m mode"), "stopped");
    EXPECT_EQ(answer("seek m to 6000"), "error 282");
    EXPECT_EQ(answer("play m from 4000 to 3000"), "error 282");
    EXPECT_EQ(answer("status m volume"), "error 259");
    EXPECT_EQ(answer("set m time format tmsf"), "error 293");
    EXPECT_EQ(answer("close m"), "");
    EXPECT_EQ(answer("status m mode"), "error 263");
    EXPECT_EQ(answer("open missing.wav alias m"), "error 275");
}

TEST_F(MciFixture, MalformedStrings) {
    EXPECT_EQ(answer(""), "error 267");
    EXPECT_EQ(answer("open \"unclosed alias x"), "error 269");
    EXPECT_EQ(answer("open a\"b alias x"), "error 269");
    EXPECT_EQ(answer("fly me"), "error 261");
    EXPECT_EQ(answer("open a.wav alias"), "error 273");
    EXPECT_EQ(answer("open a.wav parent x alias y"), "error 270");
    EXPECT_EQ(answer(std::string(10000, 'z')), "error 304");
    EXPECT_EQ(answer("play " + std::string(10000, 'z')), "error 263");
}

TEST_F(MciFixture, CdInTmsfAndMsf) {
    EXPECT_EQ(answer("open cdaudio"), "1");
    EXPECT_EQ(answer("status cdaudio number of tracks"), "3");
    EXPECT_EQ(answer("status cdaudio length"), "01:00:38");  // 60.5 s = 1 min 0 s 37.5 frames
    EXPECT_EQ(answer("status cdaudio length track 2"), "00:20:38");
    EXPECT_EQ(answer("status cdaudio length track 4"), "error 282");
    EXPECT_EQ(answer("set cdaudio time format tmsf"), "");
    EXPECT_EQ(answer("play cdaudio from 2"), "");
    port.now += 2000;
    EXPECT_EQ(answer("status cdaudio position"), "02:00:02:00");
    EXPECT_EQ(answer("status cdaudio current track"), "2");
    EXPECT_EQ(answer("play cdaudio from 3:00:01:15"), "");
    EXPECT_EQ(answer("status cdaudio position"), "03:00:01:15");
    EXPECT_EQ(answer("play cdaudio from 9"), "error 270");
    EXPECT_EQ(answer("set cdaudio time format msf"), "");
    EXPECT_EQ(answer("status cdaudio position"), "00:31:53");
}

}  // namespace
}  // namespace qel
