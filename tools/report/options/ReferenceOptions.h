// The report tool's options of a reference trajectory: the file, its
// format and how the rover's epochs are matched against it.
#pragma once

#include <string>
#include <vector>

#include "reference/TruthMatch.h"

namespace CLI {
class App;
}

namespace gnsslog {

struct ReferenceOptions {
    std::string file;    // --reference FILE
    std::string format;  // --reference-format NAME: csv or a log format; empty: detected
    double maxGap = 0;       // --max-gap S; 0: 2.5 times the median interval
    double timeOffset = 0;   // --time-offset S, added to the rover's times
    std::vector<double> leverArm;  // --lever-arm FORWARD RIGHT UP, metres; empty: none

    bool asked() const noexcept { return !file.empty(); }
};

void addReferenceOptions(CLI::App& app, ReferenceOptions& options);

// The matching options the command line asked for.
TruthMatchOptions truthMatchOptions(const ReferenceOptions& options);

}  // namespace gnsslog
