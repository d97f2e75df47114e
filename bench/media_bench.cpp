// What the repeat check costs before every statement: nothing repeating (the
// common case, a flag test), and a repeating medium asked for its mode. And
// how long 再生 takes to its first sample on the virtual output, for a WAV
// and an MP3 file (made here: 30 s of a tone, so decoding a whole file
// before playing would show).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_engine.h"
#include "library/media/media.h"
#include "platform/headless/virtual_media.h"
#include "platform/linux/linux_audio.h"

namespace qel {
namespace {

void BM_RepeatCheckIdle(benchmark::State& state) {
    auto qel = bench::makeQel();
    Engine& engine = qel->engine();
    MediaSessionOf(engine);  // a session exists, nothing repeats
    for (auto _ : state) engine.library.beforeStatement(engine);
}
BENCHMARK(BM_RepeatCheckIdle);

void BM_RepeatCheckPlaying(benchmark::State& state) {
    auto qel = bench::makeQel();
    Engine& engine = qel->engine();
    media::MediaSession& session = MediaSessionOf(engine);
    // A repeating medium whose device is not open answers quickly with an
    // error; the cost measured is the status round trip through the engine.
    session.type = media::MediaType::MciFile;
    session.repeat = true;
    for (auto _ : state) engine.library.beforeStatement(engine);
}
BENCHMARK(BM_RepeatCheckPlaying);

void putLittleEndian(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(char((value >> (8 * i)) & 0xFF));
}

// 30 s of a 440 Hz tone, 44.1 kHz 16-bit stereo.
std::string toneWav() {
    static const std::string path = [] {
        const std::string file = "/tmp/qel_bench_tone.wav";
        const std::uint32_t frames = 44100 * 30, bytes = frames * 4;
        std::ofstream out(file, std::ios::binary);
        out.write("RIFF", 4);
        putLittleEndian(out, 36 + bytes, 4);
        out.write("WAVEfmt ", 8);
        putLittleEndian(out, 16, 4);
        putLittleEndian(out, 1, 2);  // PCM
        putLittleEndian(out, 2, 2);
        putLittleEndian(out, 44100, 4);
        putLittleEndian(out, 44100 * 4, 4);
        putLittleEndian(out, 4, 2);
        putLittleEndian(out, 16, 2);
        out.write("data", 4);
        putLittleEndian(out, bytes, 4);
        std::vector<char> block;
        block.reserve(std::size_t(bytes));
        for (std::uint32_t i = 0; i < frames; ++i) {
            const auto v =
                std::uint16_t(std::int16_t(8000 * std::sin(2 * M_PI * 440 * i / 44100.0)));
            for (int channel = 0; channel < 2; ++channel) {
                block.push_back(char(v & 0xFF));
                block.push_back(char(v >> 8));
            }
        }
        out.write(block.data(), std::streamsize(block.size()));
        return out ? file : std::string();
    }();
    return path;
}

// The same tone as MP3, where lame is installed.
std::string toneMp3() {
    static const std::string path = [] {
        const std::string wav = toneWav(), mp3 = "/tmp/qel_bench_tone.mp3";
        if (wav.empty()) return std::string();
        const std::string command = "lame --quiet -b 128 " + wav + " " + mp3;
        return std::system(command.c_str()) == 0 ? mp3 : std::string();
    }();
    return path;
}

void playbackStart(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("the sound file could not be made (is lame installed?)");
        return;
    }
    VirtualMediaPort port("", MakeLinuxAudioDecoders());
    double now = 0;
    port.advance(now);
    for (auto _ : state) {
        std::string error;
        auto device = port.open({MediaKind::File, path, 0}, error);
        if (!device) {
            state.SkipWithError(error.c_str());
            return;
        }
        device->play(0, -1);
        now += 1;
        port.advance(now);  // mixes the first millisecond: 44 frames of the file
        benchmark::DoNotOptimize(device->positionMs());
        device->stop();
    }
}

void BM_PlaybackStartWav(benchmark::State& state) {
    playbackStart(state, toneWav());
}
BENCHMARK(BM_PlaybackStartWav)->Unit(benchmark::kMillisecond);

void BM_PlaybackStartMp3(benchmark::State& state) {
    playbackStart(state, toneMp3());
}
BENCHMARK(BM_PlaybackStartMp3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qel
