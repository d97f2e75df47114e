// Event dispatch on the virtual widgets: a replayed click (mouse down,
// mouse up, click) on one of five buttons of a named window, each looking
// up its candidate procedure names (ウィンドウ２のボタン3を… , then
// ウィンドウ２のボタンを… , then ウィンドウのボタン3を…) and running the one
// that exists. Items are clicks; the target is 20 µs per click or less.
#include <benchmark/benchmark.h>

#include "bench_engine.h"
#include "library/registry/standard_library.h"
#include "platform/headless/virtual_widgets.h"
#include "ui/events.h"

namespace {

using namespace qel;

void clicks(benchmark::State& state) {
    auto qel = bench::makeQel();
    Engine& engine = qel->engine();
    engine.platform.widgets = std::make_unique<VirtualWidgets>();
    qel->Run(
        u"「ウィンドウ２」を作る\r\n"
        u"「ボタン1」を作る\r\n「ボタン2」を作る\r\n「ボタン3」を作る\r\n"
        u"「ボタン4」を作る\r\n「ボタン5」を作る\r\n"
        u"回数は、0\r\n"
        u"手順は　ウィンドウ２のボタンをクリック\r\n　回数は、回数＋1\r\n終わり\r\n"
        u"手順は　ウィンドウ２のボタン1をクリック\r\n　回数は、回数＋1\r\n終わり\r\n",
        u"bench.qel", true);
    ui::ObjectModel& model = libraryOf(engine).objects();
    std::vector<WidgetId> buttons;
    for (const char16_t* name : {u"ボタン1", u"ボタン2", u"ボタン3", u"ボタン4", u"ボタン5"})
        buttons.push_back(model.ResolveObject(engine, name, true)->widget);
    UserAction click;
    const int count = int(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            click.widget = buttons[std::size_t(i) % buttons.size()];
            engine.platform.widgets->perform(click);
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(clicks)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
