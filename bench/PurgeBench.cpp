// How long the purge of silent aircraft holds the event loop: 30,000 aircraft gone quiet together
// (a receiver switched off), among 0 or 5,000 that are still heard, headless, with the controls
// the console keeps.
//
//   purge_bench [--benchmark_repetitions=5] [other Google Benchmark options]
#include "platform/Clock.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;
constexpr int kSilent = 30'000;

void Hear(CQuorvexDlg& dlg, int n, std::string& buffer)
{
    char hexId[16];
    std::snprintf(hexId, sizeof hexId, "%06X", n);
    buffer.assign("MSG,3,1,1,");
    buffer.append(hexId);
    buffer.append(",1,2010/02/19,x,2010/02/19,x,,36000,450,90,47.5,19.2,,7000,,,,\r\n");
    dlg.HandleFeedLine(buffer.data());
}

void BM_PurgeSilentAircraft(benchmark::State& state)
{
    const int heard = static_cast<int>(state.range(0));
    platform::FakeClock clock(kStart);
    std::string buffer;
    for (auto _ : state) {
        state.PauseTiming();
        clock.Set(kStart);
        auto controls = std::make_unique<CMemoryControls>();
        auto dlg = std::make_unique<CQuorvexDlg>(*controls);
        dlg->InsertAircraftListColumns();
        // The heard ones are spread among the silent ones, so the list keeps rows between runs.
        for (int n = 0; n < kSilent + heard; ++n)
            Hear(*dlg, n, buffer);
        clock.Advance(kStaleAircraftSeconds);
        for (int n = 0; n < kSilent + heard; ++n) {
            if (heard > 0 && n % ((kSilent + heard) / heard) == 0)
                Hear(*dlg, n, buffer);
        }
        state.ResumeTiming();

        dlg->Traffic().PurgeStaleAircraft(platform::Time64());

        state.PauseTiming();
        if (dlg->Traffic().Size() != static_cast<std::size_t>(heard)
            || controls->ListGetItemCount(kIdAircraftList) != heard)
            state.SkipWithError("the purge left the wrong aircraft");
        dlg.reset();
        controls.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSilent);
}

BENCHMARK(BM_PurgeSilentAircraft)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
