// What the repeat check costs before every statement: nothing repeating (the
// common case, a flag test), and a repeating medium asked for its mode.
#include <benchmark/benchmark.h>

#include "bench_engine.h"
#include "library/media/media.h"
#include "platform/headless/virtual_media.h"

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

}  // namespace
}  // namespace qel
