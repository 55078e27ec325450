// Cost of the report's statistics.
//
// Target: all statistics together add at most 20 % to the analysis time of
// a 300 MB log. BM_StatisticsOfAnalysis* generate such a log (NavCom and
// NMEA, as pipeline_bench.cpp does), analyse it with the real pipeline,
// time that analysis, and then time the statistics on that very result;
// the counter "ratio" is statistics time / analysis time and must stay at
// or under 0.20. The synthetic benchmarks below (3.5 million records, more
// than a real 300 MB log holds) time each statistic on its own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <unistd.h>

#include "log/Gpslog.h"
#include "metrics/AccuracyStats.h"
#include "metrics/FixContinuity.h"
#include "metrics/Statistics.h"
#include "metrics/WrongFixes.h"
#include "tools/samplegen/LogGenerator.h"

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

// Everything the report computes for --stats, --json or --html, as it
// computes it.
void BM_AllStatistics(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const GNSSLog& log = syntheticAnalysis(n);
    for (auto _ : state) {
        auto all = gnsslog::computeStatistics(log, gnsslog::kDefaultWithinThresholds,
                                              gnsslog::kDefaultWrongFixThreshold);
        benchmark::DoNotOptimize(all);
    }
    setCounters(state, n);
}

// The three statistics one after another, each on its own.
void BM_AllStatisticsSeparately(benchmark::State& state)
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

// A generated log in the temporary directory, removed when the benchmark
// process ends, with its analysis and the time that analysis took.
struct AnalysedLog {
    std::string path;
    std::uint64_t bytes = 0;
    std::unique_ptr<GNSSLog> log;
    double analysisSeconds = 0;

    ~AnalysedLog()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

// Same options as pipeline_bench.cpp, so the analysis time is the one it
// reports. The analysis is timed as the best of three runs, after one run
// that brings the file into the page cache.
const AnalysedLog& analysedLog(gnsslog::LogFormat format, std::uint64_t megabytes)
{
    static std::unique_ptr<AnalysedLog> cached[2];
    const bool navcom = format == gnsslog::LogFormat::Navcom;
    std::unique_ptr<AnalysedLog>& slot = cached[navcom ? 0 : 1];
    if (slot && slot->bytes >= (megabytes << 20) / 2 && slot->bytes <= (megabytes << 20) * 2) {
        return *slot;
    }
    slot.reset();
    gnsslog::GeneratorOptions options;
    options.format = format;
    options.nmeaSolution = gnsslog::NmeaSolution::Gga;
    if (!navcom) {
        options.noiseShare = 0.2;
    }
    options.targetBytes = megabytes << 20;
    options.seed = 7;
    auto file = std::make_unique<AnalysedLog>();
    file->path = (std::filesystem::temp_directory_path() /
                  ("gnsslog-statsbench-" + std::to_string(::getpid()) + "-" +
                   (navcom ? "navcom-" : "nmea-") + std::to_string(megabytes) + ".log"))
                     .string();
    file->bytes = gnsslog::writeLog(options, file->path).bytes;
    double best = 0;
    for (int run = 0; run < 4; ++run) {
        const auto start = std::chrono::steady_clock::now();
        auto log = std::make_unique<GNSSLog>(file->path.c_str(), nullptr, true, navcom, 0, 0, 0, 0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (run == 1 || (run > 1 && took.count() < best)) {
            best = took.count();
        }
        file->log = std::move(log);
    }
    file->analysisSeconds = best;
    slot = std::move(file);
    return *slot;
}

void runStatisticsOfAnalysis(benchmark::State& state, gnsslog::LogFormat format)
{
    const AnalysedLog& analysed =
        analysedLog(format, static_cast<std::uint64_t>(state.range(0)));
    const GNSSLog& log = *analysed.log;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        auto all = gnsslog::computeStatistics(log, gnsslog::kDefaultWithinThresholds,
                                              gnsslog::kDefaultWrongFixThreshold);
        benchmark::DoNotOptimize(all);
    }
    // Wall clock on both sides: the analysis runs on two threads.
    const std::chrono::duration<double> total = std::chrono::steady_clock::now() - start;
    const double perRun = total.count() / static_cast<double>(std::max<benchmark::IterationCount>(
                                              state.iterations(), 1));
    setCounters(state, log.records.size());
    state.counters["MB"] = static_cast<double>(analysed.bytes) / 1e6;
    state.counters["analysis_ms"] = 1e3 * analysed.analysisSeconds;
    state.counters["ratio"] = perRun / analysed.analysisSeconds;
}

void BM_StatisticsOfAnalysisNavcom(benchmark::State& state)
{
    runStatisticsOfAnalysis(state, gnsslog::LogFormat::Navcom);
}
void BM_StatisticsOfAnalysisNmea(benchmark::State& state)
{
    runStatisticsOfAnalysis(state, gnsslog::LogFormat::Nmea);
}

constexpr std::int64_t kRecordsOf300MB = 3'500'000;

BENCHMARK(BM_AccuracyStats)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FixContinuity)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrongFixes)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllStatistics)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllStatisticsSeparately)->Arg(kRecordsOf300MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StatisticsOfAnalysisNavcom)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatisticsOfAnalysisNmea)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
