// Command-line options of gnsslog-report for the monitoring history:
// writing each run's slices into it, and reporting what it holds.
#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class App;
}

namespace gnsslog {

// The slices a run writes into the history when --split is not given.
inline constexpr double kDefaultHistorySliceSeconds = 3600;

struct HistoryOptions {
    std::string file;        // --history FILE: append this run's slices
    std::string reportFile;  // --history-report FILE: report the history instead of a log
    std::string from;        // --from DATE (YYYY-MM-DD), inclusive; "" open
    std::string to;          // --to DATE, inclusive
    std::string source;      // --source NAME: a log as given or its bare name
    // Not empty: the live source (tcp://..., --follow's file) the one log
    // file, its archive, stands for; the history names the source.
    std::string liveSource;
    // Not 0: the row the live run wrote as it went, in progress; the run's
    // end replaces it and its slices instead of appending a run.
    std::int64_t liveRunId = 0;

    bool writes() const noexcept { return !file.empty(); }
    bool reports() const noexcept { return !reportFile.empty(); }
};

// Declares --history, --history-report, --from, --to and --source on app,
// after the LOGFILE positional: with --history-report it is not required.
// A date that is not a real YYYY-MM-DD makes app.parse() throw a
// CLI::ValidationError naming the option.
void addHistoryOptions(CLI::App& app, HistoryOptions& options);

}  // namespace gnsslog
