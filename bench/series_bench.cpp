// Building the error plot's series: one pass over the records, bounded by
// the window. Target: under 50 ms for ten million records at level 1 (the
// whole log visible, so the walk cannot stop early). The window rebuilds
// from a SeriesIndex; the direct walk over the 96-byte records is shown
// for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "plots/series/ErrorSeries.h"

namespace {

// Ten records a second with centimetre-scale noise, mostly RTK-fixed.
const gnsslog::GNSSLog& bigLog()
{
    static const std::unique_ptr<gnsslog::GNSSLog> log = [] {
        auto made = std::make_unique<gnsslog::GNSSLog>(gnsslog::TruthMode::Manual, 6700000, 2500000, 50);
        constexpr int count = 10'000'000;
        made->records.resize(count);
        for (int i = 0; i < count; ++i) {
            gnsslog::GNSSRecord& r = made->records[static_cast<std::size_t>(i)];
            r.time = 1000 + i * 0.1;
            r.localX = 6700000 + 0.01 * std::sin(i * 0.001);
            r.localY = 2500000 + 0.01 * std::cos(i * 0.0007);
            r.height = 50 + 0.02 * std::sin(i * 0.0003);
            r.fixType = i % 97 == 0 ? gnsslog::FixType::RtkFloat : gnsslog::FixType::RtkFixed;
            r.validFlags = gnsslog::ValidFlag::Grid | gnsslog::ValidFlag::Height;
            r.valid = 1;
        }
        made->startTime = made->records.front().time;
        made->endTime = made->records.back().time;
        return made;
    }();
    return *log;
}

void BM_BuildSeriesWholeLog(benchmark::State& state)
{
    const gnsslog::GNSSLog& log = bigLog();
    gnsslog::PlotViewState view;
    view.reset(log);
    const auto width = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        auto store = gnsslog::PointStore::build(width, log, view.CentreTime, view.TimeSpan);
        benchmark::DoNotOptimize(store->pointCount());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(log.records.size()));
}
BENCHMARK(BM_BuildSeriesWholeLog)->Arg(480)->Arg(1870)->Unit(benchmark::kMillisecond);

// What the window does on every resize and zoom: walk the compact index.
void BM_BuildSeriesFromIndex(benchmark::State& state)
{
    const gnsslog::GNSSLog& log = bigLog();
    static const gnsslog::SeriesIndex index(log);
    gnsslog::PlotViewState view;
    view.reset(log);
    const auto width = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        auto store = gnsslog::PointStore::build(width, index, view.CentreTime, view.TimeSpan);
        benchmark::DoNotOptimize(store->pointCount());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(log.records.size()));
}
BENCHMARK(BM_BuildSeriesFromIndex)->Arg(480)->Arg(1870)->Unit(benchmark::kMillisecond);

// Once per analysis, when the window is given it.
void BM_BuildIndex(benchmark::State& state)
{
    const gnsslog::GNSSLog& log = bigLog();
    for (auto _ : state) {
        gnsslog::SeriesIndex index(log);
        benchmark::DoNotOptimize(index.entries().data());
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

// Zoomed in at the start: the walk stops soon after the window.
void BM_BuildSeriesZoomedAtStart(benchmark::State& state)
{
    const gnsslog::GNSSLog& log = bigLog();
    gnsslog::PlotViewState view;
    view.reset(log);
    view.HoveredTime = log.startTime;
    for (int i = 0; i < 99; ++i) {
        view.zoomIn(log);
    }
    for (auto _ : state) {
        auto store = gnsslog::PointStore::build(480, log, view.CentreTime, view.TimeSpan);
        benchmark::DoNotOptimize(store->pointCount());
    }
}
BENCHMARK(BM_BuildSeriesZoomedAtStart)->Unit(benchmark::kMillisecond);

void BM_NearestSample(benchmark::State& state)
{
    const gnsslog::GNSSLog& log = bigLog();
    gnsslog::PlotViewState view;
    view.reset(log);
    const auto store = gnsslog::PointStore::build(1870, log, view.CentreTime, view.TimeSpan);
    std::int32_t x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->nearestSample(x));
        x = (x + 37) % 1900;
    }
}
BENCHMARK(BM_NearestSample);

}  // namespace
