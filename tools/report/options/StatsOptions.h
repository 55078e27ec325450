// The report tool's statistics options: whether to write them, their
// limits and the HTML page.
#pragma once

#include <string>
#include <vector>

#include "metrics/AccuracyStats.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {

struct StatsOptions {
    bool text = false;  // --stats: add the block to the text output
    std::vector<double> within{kDefaultWithinThresholds.begin(), kDefaultWithinThresholds.end()};
    double wrongFixThreshold = kDefaultWrongFixThreshold;
    std::string htmlFile;  // --html FILE; empty: no HTML report
};

}  // namespace gnsslog
