// Command-line options of gnsslog-report for several logs, one truth for
// all, clock slices and requirements.
#pragma once

#include <string>
#include <vector>

#include "compare/Requirements.h"

namespace CLI {
class App;
}

namespace gnsslog {

struct ComparisonOptions {
    std::vector<std::string> logFiles;  // LOGFILE...: every log, in order
    std::string truthFrom;              // --truth-from LOG
    double sliceSeconds = 0;            // --split DURATION; 0: no slices
    std::string requireText;            // --require LIST as given
    std::vector<Requirement> requirements;  // --require LIST, parsed
    unsigned jobs = 0;                  // --jobs N: logs analysed at once; 0: number of cores

    // Anything beyond today's single-log run asked for.
    bool asked() const noexcept
    {
        return logFiles.size() > 1 || !truthFrom.empty() || sliceSeconds > 0 ||
               !requirements.empty();
    }
};

// Declares --truth-from, --split, --require and --jobs on app, bound to
// options. A bad duration or requirement makes app.parse() throw a
// CLI::ValidationError naming the option and the failed part.
void addComparisonOptions(CLI::App& app, ComparisonOptions& options);

}  // namespace gnsslog
