#include "tools/samplegen/SamplegenOptions.h"

#include <cstdint>
#include <map>

#include <CLI/CLI.hpp>

#include "common/BuildVersion.h"
#include "tools/samplegen/SampleWriters.h"

namespace gnsslog {

namespace {

void addTrajectoryOptions(CLI::App& app, TrajectoryOptions& path, std::string& reference)
{
    app.add_option("--trajectory", path.kind, "a receiver on the move, round the truth point")
        ->transform(CLI::CheckedTransformer(std::map<std::string, TrajectoryKind>{
            {"circle", TrajectoryKind::Circle},
            {"figure8", TrajectoryKind::Figure8},
            {"straight", TrajectoryKind::Straight}}));
    app.add_option("--speed", path.speed, "trajectory: speed, metres per second (a figure 8's slowest)")
        ->check(CLI::Range(0.0, 1000.0));
    app.add_option("--radius", path.radius, "trajectory: circle radius or half the figure 8's width, metres")
        ->check(CLI::Range(1.0, 100000.0));
    app.add_option("--latency-ms", path.latencyMs,
                   "trajectory: the receiver's positions are where it was this long before their times")
        ->check(CLI::Range(-10000.0, 10000.0));
    app.add_option("--lever-arm-right", path.leverArmRight,
                   "trajectory: the receiver's antenna this many metres right of the reference's")
        ->check(CLI::Range(-100.0, 100.0));
    app.add_option("--time-offset", path.timeOffset,
                   "trajectory: seconds the receiver's clock runs ahead of the reference's")
        ->check(CLI::Range(-86400.0, 86400.0));
    app.add_flag("--all-fixed", path.allFixed, "every epoch RTK fixed");
    app.add_option("--reference-out", reference, "trajectory: write the reference trajectory (CSV) to this file");
    app.add_option("--reference-interval-ms", path.referenceIntervalMs,
                   "trajectory: the reference's epoch interval, milliseconds (default: the log's)")
        ->check(CLI::Range(1LL, 86400000LL));
    app.add_flag("!--no-reference-velocity", path.referenceVelocities, "trajectory: a reference without velocities");
    app.add_option("--reference-gap", path.referenceGap,
                   "trajectory: seconds of reference left out from the middle of the run")
        ->check(CLI::Range(0.0, 86400.0));
}

}  // namespace

std::string samplegenUsageError(const CLI::App& app, const GeneratorOptions& options, const SamplegenFiles& files)
{
    if (app.get_option("--size")->count() == 0 && options.resets == 0) {
        return "--size or --resets is required";
    }
    const bool moving = options.trajectory.kind != TrajectoryKind::None;
    if (!moving && !files.reference.empty()) {
        return "--reference-out needs --trajectory";
    }
    // A baseline from a moving truth would hide the motion.
    if (moving && options.format == LogFormat::Pos && options.posStyle == PosSolutionStyle::Baseline) {
        return "--trajectory does not go with --pos-style enu";
    }
    return {};
}

void addSamplegenOptions(CLI::App& app, GeneratorOptions& options, SamplegenFiles& files)
{
    app.set_version_flag("--version", versionLine("gnsslog-samplegen"), "print the program's name and version and exit");
    std::map<std::string, LogFormat> writers;
    for (const SampleWriter& writer : sampleWriters()) {
        writers.emplace(writer.optionName, writer.format);
    }
    app.add_option("--format", options.format, "log format")
        ->transform(CLI::CheckedTransformer(writers));
    app.add_option("--ubx-messages", options.ubxMessages,
                   "solution messages of a UBX log: pvt (NAV-PVT), or sol (NAV-SOL, NAV-POSLLH and NAV-STATUS)")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, UbxMessages>{{"pvt", UbxMessages::Pvt}, {"sol", UbxMessages::Sol}}));
    app.add_option("--pos-style", options.posStyle, "positions of a .pos log")
        ->transform(CLI::CheckedTransformer(std::map<std::string, PosSolutionStyle>{
            {"degrees", PosSolutionStyle::Degrees},
            {"dms", PosSolutionStyle::DegreesMinutes},
            {"ecef", PosSolutionStyle::Ecef},
            {"enu", PosSolutionStyle::Baseline}}));
    app.add_flag("--pos-week-time", options.posWeekTime, "times of a .pos log as GPS week and seconds");
    app.add_option("--nmea-solution", options.nmeaSolution, "solution sentences of an NMEA log")
        ->transform(CLI::CheckedTransformer(std::map<std::string, NmeaSolution>{
            {"gga", NmeaSolution::Gga},
            {"llk", NmeaSolution::Llk},
            {"llq", NmeaSolution::Llq},
            {"llk-llq", NmeaSolution::LlkLlq},
            {"orp", NmeaSolution::Orp},
            {"orp-grid", NmeaSolution::OrpGrid},
            {"gns", NmeaSolution::Gns}}));
    app.add_flag("--nmea-epoch-sentences", options.nmeaEpochSentences,
                 "NMEA: GST, GSA and ZDA after each solution");
    app.add_option("--size", options.targetBytes, "approximate size in bytes");
    app.add_option("--seed", options.seed, "seed of the generator");
    app.add_option("--sigma-honesty", options.sigmaHonesty,
                   "errors as this multiple of the sigma the log states (1 honest, 2 optimistic, "
                   "0.5 pessimistic); 0: the usual model")
        ->check(CLI::Range(0.0, 100.0));
    app.add_option("--interval-ms", options.epochIntervalMs, "epoch interval, milliseconds");
    app.add_option("--start-ms", options.startMs,
                   "start: NavCom, UBX, SBF and NovAtel time of week, NMEA time of day, milliseconds (default: chosen)");
    app.add_option("--noise-share", options.noiseShare, "share of non-solution frames")
        ->check(CLI::Range(0.0, 0.95));
    app.add_option("--garbage-share", options.garbageShare, "garbage runs per epoch")->check(CLI::Range(0.0, 1.0));
    app.add_option("--partial-share", options.partialShare, "truncated frames per epoch")->check(CLI::Range(0.0, 1.0));
    app.add_option("--bad-crc-share", options.badCrcShare, "corrupted NavCom solution frames per epoch")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--resets", options.resets,
                   "a log of N sessions, each after a receiver reset, marked where the format can "
                   "(the size is then ignored)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1000000}));
    app.add_option("--ttf-min", options.timeToFixMinSeconds, "resets: shortest time to fix, seconds")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_option("--ttf-max", options.timeToFixMaxSeconds, "resets: longest time to fix, seconds")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_option("--wrong-first-fix-share", options.wrongFirstFixShare,
                   "resets: share of sessions whose first fix is wrong")
        ->check(CLI::Range(0.0, 1.0));
    addTrajectoryOptions(app, options.trajectory, files.reference);
    app.add_option("--out", files.out, "output file")->required();
}

}  // namespace gnsslog
