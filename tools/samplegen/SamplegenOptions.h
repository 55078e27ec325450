// Command-line options of gnsslog-samplegen, apart from its main so the
// manual page is written from the same registration at build time.
#pragma once

#include <string>

#include "tools/samplegen/LogGenerator.h"

namespace CLI {
class App;
}

namespace gnsslog {

inline constexpr const char* kSamplegenDescription =
    "Writes a deterministic NavCom PVT1B, NMEA, u-blox UBX, Septentrio SBF, NovAtel (ASCII or binary) or "
    "solution-file (.pos) receiver log.";

// The files gnsslog-samplegen writes.
struct SamplegenFiles {
    std::string out;        // the log
    std::string reference;  // a trajectory's reference; empty: none
};

// Declares every option on app, bound to options and files, which must
// outlive the parse; --version included.
void addSamplegenOptions(CLI::App& app, GeneratorOptions& options, SamplegenFiles& files);

// Why the parsed options cannot make a log; empty when they can.
std::string samplegenUsageError(const CLI::App& app, const GeneratorOptions& options, const SamplegenFiles& files);

}  // namespace gnsslog
