// The functions typical scripts call most: 文字数, 左, 置き換え, 探せ, 区切れ
// on a line of text, and the column statistics on a 10,000-row table. Each
// call goes through EvalText as a script's argument would (binding included).
// The table sizes 1,000 / 10,000 / 100,000 show that a column statistic
// grows linearly with the table.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

#include "bench_engine.h"
#include "engine/qel.h"
#include "platform/headless/console_host.h"
#include "platform/linux/posix_files.h"
#include "text/number.h"

namespace {

using qel::Text;
using qel::bench::makeQel;

// A table of `rows` rows: number, name, score, remark.
Text makeTable(long rows) {
    Text table;
    for (long r = 1; r <= rows; ++r) {
        if (r > 1) table += u"\r\n";
        table += qel::number::format(double(r)) + u",名前" + qel::number::format(double(r % 97)) +
                 u"," + qel::number::format(double((r * 37) % 101)) + u",備考";
    }
    return table;
}

const Text kLine = u"東京都千代田区丸の内一丁目,ABC-123,りんご・みかん・ぶどう,2026/12/08";

void call(benchmark::State& state, const char16_t* expression) {
    auto qel = makeQel();
    qel::Engine& engine = qel->engine();
    engine.ResetRunState();
    engine.SetVariable(u"X", kLine);
    const qel::TextView text(expression);
    for (auto _ : state) {
        Text value = engine.EvalText(text);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK_CAPTURE(call, length, u"文字数(X)");
BENCHMARK_CAPTURE(call, left, u"左(X,5)");
BENCHMARK_CAPTURE(call, left_by_particle, u"左(Xを5文字だけ)");
BENCHMARK_CAPTURE(call, replace, u"置き換え(Xを「・」から「,」へ)");
BENCHMARK_CAPTURE(call, find, u"探せ(1,X,「みかん」)");
BENCHMARK_CAPTURE(call, split, u"区切れ(Xを「,」で)");

void onTable(benchmark::State& state, const char16_t* expression) {
    auto qel = makeQel();
    qel::Engine& engine = qel->engine();
    engine.ResetRunState();
    const Text table = makeTable(state.range(0));
    engine.SetVariable(u"T", table);
    const qel::TextView text(expression);
    for (auto _ : state) {
        Text value = engine.EvalText(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(table.size() * 2));
}
BENCHMARK_CAPTURE(onTable, sum_column3, u"合計(Tから3列目)")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity();
BENCHMARK_CAPTURE(onTable, average_column3, u"平均(T,3)")->Arg(10000);
BENCHMARK_CAPTURE(onTable, max_column3, u"最大値(T,3)")->Arg(10000);
BENCHMARK_CAPTURE(onTable, search_column2, u"配列検索(Tから「名前5」を2列目,「完全一致」)")
    ->Arg(10000);
BENCHMARK_CAPTURE(onTable, row_count, u"配列数(T,「行」)")->Arg(10000);

}  // namespace
