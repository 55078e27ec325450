#include "tools/samplegen/SamplegenOptions.h"

#include <cstdint>
#include <map>

#include <CLI/CLI.hpp>

#include "common/BuildVersion.h"

namespace gnsslog {

void addSamplegenOptions(CLI::App& app, GeneratorOptions& options, std::string& out)
{
    app.set_version_flag("--version", versionLine("gnsslog-samplegen"), "print the program's name and version and exit");
    app.add_option("--format", options.format, "log format")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, LogFormat>{{"navcom", LogFormat::Navcom},
                                                      {"nmea", LogFormat::Nmea},
                                                      {"ubx", LogFormat::Ubx},
                                                      {"pos", LogFormat::Pos},
                                                      {"sbf", LogFormat::Sbf},
                                                      {"novatel-ascii", LogFormat::NovatelAscii},
                                                      {"novatel-binary", LogFormat::NovatelBinary}}));
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
}

}  // namespace gnsslog
