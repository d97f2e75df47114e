// 演奏 on the headless MIDI output: the messages it sends and when, worked
// out by hand from the note values (a quarter note lasts 0.5 s at tempo 120).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine_fixture.h"
#include "platform/headless/headless_midi.h"
#include "temp_folder.h"

namespace qel::testing {
namespace {

// A note message as the output receives it: status, key, velocity.
std::uint32_t on(int key, int channel = 0, int velocity = 127) {
    return 0x90u + unsigned(channel) + unsigned(key) * 256 + unsigned(velocity) * 65536;
}
std::uint32_t off(int key, int channel = 0, int velocity = 127) {
    return on(key, channel, velocity) - 0x10;
}
std::uint32_t program(int part, int number) {
    return 0xC0u + unsigned(part) + unsigned(number) * 256;
}

struct Sent {
    double ms;
    std::uint32_t message;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* os) {
    *os << s.ms << "ms:" << std::hex << s.message << std::dec;
}

class MusicTest : public EngineTest {
  protected:
    MusicTest() {
        auto out = std::make_unique<HeadlessMidiOut>(nullptr, nullptr);
        out_ = out.get();
        qel().platform().midi = std::move(out);
    }

    // The messages with times counted from the first one.
    std::vector<Sent> sent() const {
        std::vector<Sent> result;
        for (const auto& m : out_->log()) result.push_back({m.ms - out_->log()[0].ms, m.message});
        return result;
    }
    // Only the note messages (program changes dropped).
    std::vector<Sent> notes() const {
        std::vector<Sent> result;
        for (const Sent& s : sent()) {
            if ((s.message & 0xF0) != 0xC0) result.push_back(s);
        }
        return result;
    }
    double lasted(std::initializer_list<TextView> lines) {
        const double before = clock().monotonicMs();
        run(lines);
        return clock().monotonicMs() - before;
    }

    HeadlessMidiOut* out_ = nullptr;
};

TEST_F(MusicTest, NoteValuesDotsAndTies) {
    EXPECT_EQ(lasted({u"「ド4 レ4 ミ2」を演奏"}), 2000);
    std::vector<Sent> expected{{0, program(0, 1)}, {0, on(60)},    {500, off(60)}, {500, on(62)},
                               {1000, off(62)},    {1000, on(64)}, {2000, off(64)}};
    EXPECT_EQ(sent(), expected);
    EXPECT_TRUE(errorBoxes().empty());

    // A dotted eighth, then the eighth it made the default; a tie of a
    // quarter and an eighth; the "^" written half-width ties as well.
    out_ = static_cast<HeadlessMidiOut*>(qel().platform().midi.get());
    run({u"「ド8. レ ミ4＾8 ファ4^4」を演奏"});
    std::vector<Sent> notesExpected{{0, on(60)},    {375, off(60)}, {375, on(62)},
                                    {625, off(62)}, {625, on(64)},  {1375, off(64)},
                                    {1375, on(65)}, {2375, off(65)}};
    std::vector<Sent> all = notes();
    ASSERT_GE(all.size(), 14u);
    std::vector<Sent> second(all.end() - 8, all.end());
    const double start = second[0].ms;
    for (Sent& s : second) s.ms -= start;
    EXPECT_EQ(second, notesExpected);
}

TEST_F(MusicTest, TupletsAndChords) {
    // One beat shared by the two words before the closing one: 0.25 s each.
    run({u"「｛ド レ ミ｝4 ソ」を演奏"});
    std::vector<Sent> expected{{0, on(60)},   {250, off(60)}, {250, on(62)}, {500, off(62)},
                               {500, on(64)}, {750, off(64)}, {750, on(67)}, {1250, off(67)}};
    EXPECT_EQ(notes(), expected);
}

TEST_F(MusicTest, ChordNotesStartAndEndTogether) {
    run({u"「（ド ミ ソ）2 ド4」を演奏"});
    std::vector<Sent> expected{{0, on(60)},     {0, on(64)},     {0, on(67)},    {1000, off(60)},
                               {1000, off(64)}, {1000, off(67)}, {1000, on(60)}, {1500, off(60)}};
    EXPECT_EQ(notes(), expected);
}

TEST_F(MusicTest, PartsChannelsProgramsOctavesAndAccidentals) {
    run({u"音色は、5", u"テンポは、60",
         u"「ド2 ド, 上 ド＃, 下 レｂ, ＠9 ミ, ＃40 音量200 ファ, ソ, ラ」を演奏"});
    // Tempo 60: a half note lasts 2 s, a quarter 1 s. The part with the most
    // words (the fifth: ＃40 音量200 ファ) decides the end when its quarter
    // note ends at 1 s; the first part's half note is cut there and its
    // second note never plays. The seventh part never plays.
    std::vector<Sent> all = sent();
    // The parts' words interleave by cycle; compare as sets per time.
    auto count = [&](std::uint32_t message) {
        return std::count_if(all.begin(), all.end(),
                             [&](const Sent& s) { return s.message == message; });
    };
    EXPECT_EQ(count(program(0, 5)), 1);
    EXPECT_EQ(count(program(5, 5)), 1);
    EXPECT_EQ(count(program(4, 40)), 1);
    EXPECT_EQ(count(on(60)), 1);
    EXPECT_EQ(count(on(73, 1)), 1);  // an octave up, sharp
    EXPECT_EQ(count(on(49, 2)), 1);  // an octave down, flat
    EXPECT_EQ(count(on(64, 9)), 1);  // on the channel it chose
    EXPECT_EQ(count(on(65, 4)), 1);  // velocity held at 127
    EXPECT_EQ(count(on(67, 5)), 1);
    EXPECT_EQ(count(on(69, 6)), 0);
    EXPECT_EQ(all.back(), (Sent{1000, off(60)}));
    // Every note that went on went off.
    for (const Sent& s : all) {
        if ((s.message & 0xF0) == 0x90) {
            EXPECT_EQ(count(s.message), count(s.message - 0x10));
        }
    }
}

TEST_F(MusicTest, EveryListSeparatorStartsAPart) {
    run({u"「ド、レ，ミ」を演奏"});
    std::vector<Sent> expected{{0, on(60, 0)},    {0, on(62, 1)},    {0, on(64, 2)},
                               {500, off(60, 0)}, {500, off(62, 1)}, {500, off(64, 2)}};
    EXPECT_EQ(notes(), expected);
}

TEST_F(MusicTest, BadWordsAreReportedAndTheTuneGoesOn) {
    run({u"「ドｂ X4 （ド ミ」を演奏", u"「｛ド レ」を演奏", u"「ラ4」を演奏"});
    ASSERT_EQ(errorBoxes().size(), 4u);
    // The error routine adds the line after the message.
    EXPECT_TRUE(
        errorBoxes()[0].text.starts_with(u"正しくない音階が入力されています。\r\nドｂ\r\n"));
    EXPECT_TRUE(errorBoxes()[1].text.starts_with(u"正しくない音階が入力されています。\r\nX4\r\n"));
    EXPECT_NE(errorBoxes()[2].text.find(u"）がありません。"), Text::npos);
    EXPECT_NE(errorBoxes()[3].text.find(u"｝がありません。"), Text::npos);
    // The unclosed chord's notes still end; the last tune plays.
    std::vector<Sent> all = notes();
    int onCount = 0, offCount = 0;
    for (const Sent& s : all) ((s.message & 0xF0) == 0x90 ? onCount : offCount)++;
    EXPECT_EQ(onCount, offCount);
    EXPECT_EQ(all.back().message, off(69));
}

TEST_F(MusicTest, ExtremesStayInRange) {
    Text tune = u"「";
    for (int i = 0; i < 20; ++i) tune += u"上 ";
    tune += u"ド ";
    for (int i = 0; i < 40; ++i) tune += u"下 ";
    tune += u"ド ＠99 ＃300 ド3 ド0 休み4」を演奏";
    EXPECT_EQ(lasted({tune}), 1500);
    ASSERT_EQ(notes().size(), 8u);
    EXPECT_EQ(sent()[5].message, program(0, 127));
    EXPECT_EQ(notes()[0].message, on(127));
    EXPECT_EQ(notes()[2].message, on(0));
    EXPECT_EQ(notes()[4].message, on(0, 15));
    // Lengths 3 and 0 last nothing; the rest takes its beat.
    EXPECT_EQ(notes()[5].ms, notes()[4].ms);
    EXPECT_EQ(notes()[7].ms, notes()[6].ms);

    // Ten thousand parts: six play; an empty tune does nothing.
    const std::size_t before = out_->log().size();
    Text many = u"「ド";
    for (int i = 0; i < 9999; ++i) many += u",ド";
    run({many + u"」を演奏", u"「　」を演奏"});
    const std::vector<Sent> all = sent();
    std::vector<Sent> later(all.begin() + std::ptrdiff_t(before), all.end());
    int programs = 0;
    for (const Sent& s : later) programs += (s.message & 0xF0) == 0xC0;
    EXPECT_EQ(programs, 6);
    EXPECT_EQ(later.size(), 6u * 3);
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(MusicTest, StopInTheMiddleSwitchesEveryNoteOff) {
    engine().statementBudget = 10;
    run({u"「（ド ミ）1 レ1, ソ1 ソ1」を演奏"});
    std::vector<Sent> all = notes();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[3].ms, all[5].ms);
    EXPECT_LT(all.back().ms, 2000);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(all[i].message & 0xF0, 0x80u);
}

TEST_F(MusicTest, NoOutputIsError499AndTheScriptGoesOn) {
    qel().platform().midi.reset();
    run({u"「ド」を演奏", u"「ok」を表示"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{499});
    EXPECT_EQ(messages(), std::vector<Text>{u"ok"});
}

// A synthesizer that sounds a constant level while any note is on, so the
// rendered file shows exactly at which frame each message took effect.
class LevelSynth : public LiveSynthStream {
  public:
    int rate() const override { return 44100; }
    int channels() const override { return 2; }
    long long frames() const override { return 44100LL * 3600; }
    void seek(long long) override {}
    std::size_t read(float* out, std::size_t count) override {
        std::fill(out, out + count * 2, sounding_ > 0 ? 0.5f : 0.0f);
        return count;
    }
    void shortMessage(std::uint32_t message) override {
        if ((message & 0xF0) == 0x90) ++sounding_;
        if ((message & 0xF0) == 0x80) --sounding_;
    }
    void reset() override { sounding_ = 0; }

  private:
    int sounding_ = 0;
};

TEST_F(MusicTest, RenderedNotesStartAndEndOnTheirFrames) {
    TempFolder folder;
    const std::string wav = folder.path + "/music.wav";
    {
        VirtualAudioOutput output(wav);
        qel().platform().midi = std::make_unique<HeadlessMidiOut>(
            &output, [](std::string&) { return std::make_unique<LevelSynth>(); });
        // Half a second of sound, a quarter of silence, a quarter of sound.
        run({u"「ド4 休み8 レ8」を演奏"});
        output.advance(clock().monotonicMs());
        qel().platform().midi.reset();
    }
    std::ifstream in(wav, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 44u);
    std::vector<bool> heard;
    for (std::size_t at = 44; at + 4 <= bytes.size(); at += 4)
        heard.push_back(bytes[at] != 0 || bytes[at + 1] != 0);
    ASSERT_EQ(heard.size(), 44100u);
    // Where sound turns on or off (silence before the file): frames 0,
    // 22050 and 33075, each within the two frames the mix reads ahead of
    // the synthesizer; sound to the end.
    std::vector<std::size_t> edges;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        if (heard[i] != (i > 0 && heard[i - 1])) edges.push_back(i);
    }
    ASSERT_EQ(edges.size(), 3u);
    EXPECT_LE(edges[0], 2u);
    EXPECT_NEAR(double(edges[1]), 22050, 2);
    EXPECT_NEAR(double(edges[2]), 33075, 2);
    EXPECT_TRUE(heard.back());
}

// An output that takes 3 ms for every message, as a slow device or a late
// wake-up would: the notes must keep to the tune's own timeline.
class SlowOutput : public HeadlessMidiOut {
  public:
    explicit SlowOutput(VirtualClock& clock) : HeadlessMidiOut(nullptr, nullptr), clock_(clock) {}
    void shortMessage(std::uint32_t message, double nowMs) override {
        HeadlessMidiOut::shortMessage(message, nowMs);
        clock_.advance(3);
    }

  private:
    VirtualClock& clock_;
};

TEST_F(MusicTest, LateMessagesDoNotMakeTheTuneDrift) {
    auto out = std::make_unique<SlowOutput>(clock());
    out_ = out.get();
    qel().platform().midi = std::move(out);
    Text tune = u"「";
    for (int i = 0; i < 40; ++i) tune += u"ド8 ";
    run({tune + u"」を演奏"});
    // Forty eighths last 10 s; every note starts within the few ms its own
    // cycle was late, however many came before it.
    std::vector<Sent> all = notes();
    ASSERT_EQ(all.size(), 80u);
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_NEAR(all[2 * i].ms, 250.0 * double(i), 6.0) << "note " << i;
    }
    EXPECT_NEAR(all.back().ms, 10000, 6.0);
}

TEST_F(MusicTest, ASynthesizerThatCannotBeMadeIs499WithItsReason) {
    VirtualAudioOutput output("");
    int tries = 0;
    qel().platform().midi = std::make_unique<HeadlessMidiOut>(&output, [&](std::string& error) {
        ++tries;
        error = "no sound font here";
        return std::unique_ptr<LiveSynthStream>();
    });
    run({u"「ド」を演奏", u"「レ」を演奏", u"「ok」を表示"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{499, 499}));
    EXPECT_NE(errorBoxes()[1].text.find(u"no sound font here"), Text::npos);
    EXPECT_EQ(messages(), std::vector<Text>{u"ok"});
    // Loading a font is slow: a failure is remembered, not tried again.
    EXPECT_EQ(tries, 1);
    qel().platform().midi.reset();
}

}  // namespace
}  // namespace qel::testing
