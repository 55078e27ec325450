// gnsslog-samplegen: writes a deterministic sample log.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/samplegen/LogGenerator.h"

int main(int argc, char** argv)
{
    gnsslog::GeneratorOptions options;
    std::string out;
    CLI::App app{"Writes a deterministic NavCom PVT1B, NMEA, u-blox UBX or solution-file (.pos) receiver log."};
    app.add_option("--format", options.format, "log format")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, gnsslog::LogFormat>{{"navcom", gnsslog::LogFormat::Navcom},
                                                      {"nmea", gnsslog::LogFormat::Nmea},
                                                      {"ubx", gnsslog::LogFormat::Ubx},
                                                      {"pos", gnsslog::LogFormat::Pos}}));
    app.add_option("--pos-style", options.posStyle, "positions of a .pos log")
        ->transform(CLI::CheckedTransformer(std::map<std::string, gnsslog::PosSolutionStyle>{
            {"degrees", gnsslog::PosSolutionStyle::Degrees},
            {"dms", gnsslog::PosSolutionStyle::DegreesMinutes},
            {"ecef", gnsslog::PosSolutionStyle::Ecef},
            {"enu", gnsslog::PosSolutionStyle::Baseline}}));
    app.add_flag("--pos-week-time", options.posWeekTime, "times of a .pos log as GPS week and seconds");
    app.add_option("--nmea-solution", options.nmeaSolution, "solution sentences of an NMEA log")
        ->transform(CLI::CheckedTransformer(std::map<std::string, gnsslog::NmeaSolution>{
            {"gga", gnsslog::NmeaSolution::Gga},
            {"llk", gnsslog::NmeaSolution::Llk},
            {"llq", gnsslog::NmeaSolution::Llq},
            {"llk-llq", gnsslog::NmeaSolution::LlkLlq},
            {"orp", gnsslog::NmeaSolution::Orp},
            {"orp-grid", gnsslog::NmeaSolution::OrpGrid},
            {"gns", gnsslog::NmeaSolution::Gns}}));
    app.add_flag("--nmea-epoch-sentences", options.nmeaEpochSentences,
                 "NMEA: GST, GSA and ZDA after each solution");
    CLI::Option* size = app.add_option("--size", options.targetBytes, "approximate size in bytes");
    app.add_option("--seed", options.seed, "seed of the generator");
    app.add_option("--interval-ms", options.epochIntervalMs, "epoch interval, milliseconds");
    app.add_option("--start-ms", options.startMs,
                   "start: NavCom time of week, NMEA time of day, milliseconds (default: chosen)");
    app.add_option("--noise-share", options.noiseShare, "share of non-solution frames")
        ->check(CLI::Range(0.0, 0.95));
    app.add_option("--garbage-share", options.garbageShare, "garbage runs per epoch")->check(CLI::Range(0.0, 1.0));
    app.add_option("--partial-share", options.partialShare, "truncated frames per epoch")->check(CLI::Range(0.0, 1.0));
    app.add_option("--bad-crc-share", options.badCrcShare, "corrupted NavCom solution frames per epoch")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--resets", options.resets,
                   "a log of N sessions, each after a receiver reset (the size is then ignored)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1000000}));
    app.add_option("--ttf-min", options.timeToFixMinSeconds, "resets: shortest time to fix, seconds")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_option("--ttf-max", options.timeToFixMaxSeconds, "resets: longest time to fix, seconds")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_option("--wrong-first-fix-share", options.wrongFirstFixShare,
                   "resets: share of sessions whose first fix is wrong")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--out", out, "output file")->required();
    CLI11_PARSE(app, argc, argv);
    if (size->count() == 0 && options.resets == 0) {
        std::fprintf(stderr, "gnsslog-samplegen: --size or --resets is required\n");
        return 2;
    }

    try {
        const gnsslog::GeneratorStats stats = gnsslog::writeLog(options, out);
        std::printf("%llu bytes, %llu records (%llu RTK fixed, %llu RTK-X), fix lost %llu times\n",
                    static_cast<unsigned long long>(stats.bytes), static_cast<unsigned long long>(stats.validRecords),
                    static_cast<unsigned long long>(stats.fixedRecords),
                    static_cast<unsigned long long>(stats.rtkxRecords),
                    static_cast<unsigned long long>(stats.fixLosses));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gnsslog-samplegen: %s\n", error.what());
        return 2;
    }
    return 0;
}
