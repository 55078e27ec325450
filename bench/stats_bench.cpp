// Cost of the report's statistics on an analysis as large as that of a
// 300 MB NavCom log (about 3.5 million records).
//
// Target: all statistics together take at most 20 % of the analysis time
// of that log. At the pipeline's 400 MB/s the analysis takes 0.75 s, so
// BM_AllStatistics must stay under 150 ms; compare with BM_Pipeline* of
// pipeline_bench.cpp on the same machine for the measured ratio.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "log/Gpslog.h"
#include "stats/AccuracyStats.h"
#include "stats/FixContinuity.h"
#include "stats/WrongFixes.h"

namespace {

using gnsslog::GNSSLog;
using gnsslog::GNSSRecord;

constexpr double kTruthX = 6677407.0;
constexpr double kTruthY = 2550153.0;
constexpr double kTruthZ = 45.0;

// A static receiver at 10 Hz: mostly RTK fixed with centimetre noise, fix
// losses every few hundred epochs through float and single solutions, an
// RTK-X stretch now and then, and an occasional logger gap.
const GNSSLog& syntheticAnalysis(std::size_t records)
{
    static GNSSLog log(gnsslog::TruthMode::Manual, kTruthX, kTruthY, kTruthZ);
    if (log.records.size() == records) {
        return log;
    }
    log.records.clear();
    log.records.reserve(records);
    std::mt19937_64 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> runLength(20, 600);
    std::uniform_int_distribution<int> pick(0, 99);
    double time = 200000.0;
    std::uint8_t type = gnsslog::FixType::RtkFixed;
    int left = runLength(rng);
    for (std::size_t i = 0; i < records; ++i) {
        if (--left <= 0) {
            if (type != gnsslog::FixType::RtkFixed) {
                type = gnsslog::FixType::RtkFixed;
                left = runLength(rng) * 4;
            } else {
                const int p = pick(rng);
                type = p < 60 ? gnsslog::FixType::RtkFloat
                       : p < 85 ? gnsslog::FixType::StandAlone
                                : gnsslog::FixType::RtkX;
                left = runLength(rng) / 4 + 1;
            }
        }
        const double sigma = type == gnsslog::FixType::RtkFixed ? 0.01
                             : type == gnsslog::FixType::RtkX   ? 0.05
                             : type == gnsslog::FixType::RtkFloat ? 0.2
                                                                 : 2.0;
        GNSSRecord r;
        time += pick(rng) == 0 && i % 1000 == 0 ? 30.0 : 0.1;
        r.time = time;
        r.fixType = type;
        r.validFlags = gnsslog::ValidFlag::LatLon | gnsslog::ValidFlag::Grid |
                       gnsslog::ValidFlag::Height | gnsslog::ValidFlag::ErrorEstimate;
        r.localX = kTruthX + sigma * noise(rng);
        r.localY = kTruthY + sigma * noise(rng);
        r.height = kTruthZ + 1.5 * sigma * noise(rng);
        r.errorEstimate = 1.7 * sigma;
        r.valid = 1;
        log.records.push_back(r);
    }
    return log;
}

void setCounters(benchmark::State& state, std::size_t records)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(records));
    state.counters["records"] = static_cast<double>(records);
}

void BM_AccuracyStats(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const GNSSLog& log = syntheticAnalysis(n);
    for (auto _ : state) {
        auto stats = gnsslog::computeAccuracyStats(log, gnsslog::kDefaultWithinThresholds);
        benchmark::DoNotOptimize(stats);
    }
    setCounters(state, n);
}

void BM_FixContinuity(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const GNSSLog& log = syntheticAnalysis(n);
    for (auto _ : state) {
        auto fc = gnsslog::computeFixContinuity(log);
        benchmark::DoNotOptimize(fc);
    }
    setCounters(state, n);
}

void BM_WrongFixes(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const GNSSLog& log = syntheticAnalysis(n);
    for (auto _ : state) {
        auto wf = gnsslog::findWrongFixes(log, gnsslog::kDefaultWrongFixThreshold);
        benchmark::DoNotOptimize(wf);
    }
    setCounters(state, n);
}

// Everything the report computes for --stats, --json or --html.
void BM_AllStatistics(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const GNSSLog& log = syntheticAnalysis(n);
    for (auto _ : state) {
        auto stats = gnsslog::computeAccuracyStats(log, gnsslog::kDefaultWithinThresholds);
        auto fc = gnsslog::computeFixContinuity(log);
        auto wf = gnsslog::findWrongFixes(log, gnsslog::kDefaultWrongFixThreshold);
        benchmark::DoNotOptimize(stats);
        benchmark::DoNotOptimize(fc);
        benchmark::DoNotOptimize(wf);
    }
    setCounters(state, n);
}

constexpr std::int64_t kRecordsOf300MB = 3'500'000;

BENCHMARK(BM_AccuracyStats)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FixContinuity)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrongFixes)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllStatistics)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);

}  // namespace
