// What measuring against a reference trajectory adds to an analysis: a
// generated NMEA rover (GGA, 20 % other sentences, 20 Hz) driving a
// straight line, against its 10 Hz reference CSV of the same span.
//
// BM_ReferenceOverhead alternates, iteration by iteration and in turn
// first and second, the analysis alone and the analysis plus reading the
// reference, matching and interpolating every record, the error analysis
// and the whole-second shift check: what gnsslog-report --reference adds.
// "matching/alone" is the matching, interpolation, error analysis and shift
// check against the analysis alone: target at most 0.20 at 100 MB on the
// 2-core reference machine. Reading the reference CSV ("load/alone") and
// the whole run ("withReference/alone") are reported beside it. The 8 MB
// run is for a quick check. Both files sit in the page cache.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include <unistd.h>

#include "log/Gpslog.h"
#include "log/formats/Formats.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"
#include "reference/TimeShiftCheck.h"
#include "tools/samplegen/LogGenerator.h"

namespace {

using gnsslog::GNSSLog;

constexpr std::int64_t kRoverIntervalMs = 50;
constexpr long long kReferenceIntervalMs = 100;
constexpr double kSpeed = 10;  // metres per second

struct RoverPair {
    std::string rover;
    std::string reference;
};

// Generated once per size and process, removed at exit.
class RoverPairs {
public:
    ~RoverPairs()
    {
        for (const auto& [megabytes, pair] : pairs_) {
            std::error_code ignored;
            std::filesystem::remove(pair.rover, ignored);
            std::filesystem::remove(pair.reference, ignored);
        }
    }

    const RoverPair& get(std::uint64_t megabytes)
    {
        if (const auto it = pairs_.find(megabytes); it != pairs_.end()) {
            return it->second;
        }
        gnsslog::GeneratorOptions options;
        options.format = gnsslog::LogFormat::Nmea;
        options.nmeaSolution = gnsslog::NmeaSolution::Gga;
        options.noiseShare = 0.2;
        options.targetBytes = megabytes << 20;
        options.seed = 7;
        options.epochIntervalMs = kRoverIntervalMs;
        options.trajectory.kind = gnsslog::TrajectoryKind::Straight;
        options.trajectory.speed = kSpeed;
        options.trajectory.referenceIntervalMs = kReferenceIntervalMs;
        const std::string stem = (std::filesystem::temp_directory_path() /
                                  ("gnsslog-bench-" + std::to_string(::getpid()) + "-reference-" +
                                   std::to_string(megabytes)))
                                     .string();
        RoverPair pair{stem + ".nmea", stem + ".csv"};
        gnsslog::writeLogAndReference(options, pair.rover, pair.reference);
        return pairs_.emplace(megabytes, pair).first->second;
    }

private:
    std::map<std::uint64_t, RoverPair> pairs_;
};

RoverPairs& pairs()
{
    static RoverPairs files;
    return files;
}

std::unique_ptr<GNSSLog> analyse(const std::string& rover)
{
    gnsslog::DecodeOptions decode;
    return std::make_unique<GNSSLog>(rover.c_str(), nullptr, decode, gnsslog::nmeaFormat(),
                                     gnsslog::TruthMode::Averaged, 0.0, 0.0, 0.0);
}

double secondsOf(const auto& work);

// The seconds of each step --reference adds, summed over the runs.
struct StepSeconds {
    double load = 0;
    double match = 0;   // matching and interpolating every record
    double errors = 0;  // the error analysis of the matched records
    double shiftCheck = 0;
};

// What --reference adds to a report's analysis; returns the matched count.
std::size_t analyseAgainstReference(const RoverPair& pair, StepSeconds& steps)
{
    const std::unique_ptr<GNSSLog> log = analyse(pair.rover);
    gnsslog::ReferenceLoad reference;
    steps.load += secondsOf([&] { reference = gnsslog::loadReference(pair.reference, "csv"); });
    const gnsslog::RecordClock clock = gnsslog::logRecordClock(pair.rover, gnsslog::nmeaFormat());
    // measureAgainstReference's two steps, timed apart.
    gnsslog::TruthMatch match;
    steps.match += secondsOf([&] { match = gnsslog::matchRecords(log->records, clock, reference.trajectory, {}); });
    steps.errors += secondsOf([&] { benchmark::DoNotOptimize(gnsslog::errorAnalysis(*log, match)); });
    steps.shiftCheck += secondsOf([&] {
        benchmark::DoNotOptimize(gnsslog::findTimeShift(log->records, clock, reference.trajectory, {}));
    });
    return match.count(gnsslog::TruthCause::Matched);
}

double secondsOf(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReferenceOverhead(benchmark::State& state)
{
    const RoverPair& pair = pairs().get(static_cast<std::uint64_t>(state.range(0)));
    double alone = 0;
    double withReference = 0;
    std::size_t matched = 0;
    StepSeconds steps;
    bool referenceFirst = false;
    for (auto _ : state) {
        const auto runAlone = [&] { alone += secondsOf([&] { benchmark::DoNotOptimize(analyse(pair.rover)); }); };
        const auto runWith = [&] {
            withReference += secondsOf([&] { matched = analyseAgainstReference(pair, steps); });
        };
        if (referenceFirst) {
            runWith();
            runAlone();
        } else {
            runAlone();
            runWith();
        }
        referenceFirst = !referenceFirst;
    }
    state.counters["withReference/alone"] = alone > 0 ? withReference / alone : 0;
    state.counters["matched"] = static_cast<double>(matched);
    // Each step's share of the analysis alone.
    if (alone > 0) {
        state.counters["load/alone"] = steps.load / alone;
        state.counters["matching/alone"] = (steps.match + steps.errors + steps.shiftCheck) / alone;
        state.counters["match/alone"] = steps.match / alone;
        state.counters["errors/alone"] = steps.errors / alone;
        state.counters["shiftCheck/alone"] = steps.shiftCheck / alone;
    }
}
BENCHMARK(BM_ReferenceOverhead)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
