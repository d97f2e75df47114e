// The hot paths scripts spend their time in: EvalText on the argument texts
// that fill typical scripts, and whole scripts through the engine (parse and
// run). EvalText keeps a plan per distinct text, so its figures are the steady
// state a loop body sees after the first pass.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "bench_engine.h"
#include "engine/qel.h"
#include "platform/headless/console_host.h"
#include "platform/linux/posix_files.h"
#include "text/number.h"
#include "text/text.h"

namespace {

using qel::Text;
using qel::bench::makeQel;

void evalText(benchmark::State& state, const char16_t* argument) {
    auto qel = makeQel();
    qel::Engine& engine = qel->engine();
    engine.ResetRunState();
    engine.SetVariable(u"X", u"5");
    const qel::TextView text(argument);
    for (auto _ : state) {
        Text value = engine.EvalText(text);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK_CAPTURE(evalText, number, u"12345");
BENCHMARK_CAPTURE(evalText, variable, u"X");
BENCHMARK_CAPTURE(evalText, embedded, u"「値は［X］円」");
BENCHMARK_CAPTURE(evalText, arithmetic, u"X＋1");
BENCHMARK_CAPTURE(evalText, concatenation, u"「A」＆X＆「B」");
BENCHMARK_CAPTURE(evalText, function_newline, u"改行");
BENCHMARK_CAPTURE(evalText, function_tab, u"タブ");

// Runs a whole script (split, parse, mark blocks, execute) per iteration.
void runScript(benchmark::State& state, const Text& script, long statements) {
    auto qel = makeQel();
    for (auto _ : state) qel->Run(script, {}, false);
    state.SetItemsProcessed(state.iterations() * statements);
}

void manyAssignments(benchmark::State& state) {
    const long lines = state.range(0);
    Text script;
    for (long i = 1; i <= lines; ++i) {
        Text n = qel::number::format(double(i));
        script += u"X" + n + u"は、" + n + u"\r\n";
    }
    runScript(state, script, lines);
}
BENCHMARK(manyAssignments)->Arg(10000)->Unit(benchmark::kMillisecond);

// A counted loop whose body assigns and concatenates: the statement records
// and argument plans are reused on every pass.
void loopBody(benchmark::State& state) {
    const long passes = state.range(0);
    Text script = u"合計は、0\r\n文は、「」\r\n" + qel::number::format(double(passes)) +
                  u"回繰り返す\r\n  合計は、合計＋1\r\n  文は、「［合計］」\r\n繰り返し終わり\r\n";
    runScript(state, script, passes * 2);
}
BENCHMARK(loopBody)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
