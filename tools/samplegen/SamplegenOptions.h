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

// Declares every option on app, bound to options and out (the output
// file), which must outlive the parse; --version included.
void addSamplegenOptions(CLI::App& app, GeneratorOptions& options, std::string& out);

}  // namespace gnsslog
