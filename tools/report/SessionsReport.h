// The report tool's sessions: options, the readable block, the JSON object
// "sessions" and the sessions CSV.
//
// JSON numbers are seconds (from the session's start, or absolute for
// "start" and "end"), metres and shares 0..1; a time never reached is null.
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "metrics/SessionSummary.h"
#include "metrics/Sessions.h"

namespace CLI {
class App;
}

namespace gnsslog {

struct SessionReportOptions {
    SessionOptions session;  // --session-gap, --sessions, --converged, --converged-for, --fixed-within
    std::string csvFile;     // --sessions-csv FILE
    bool given = false;      // one of the options above was given

    // Sessions are reported with --stats or when an option of theirs asks.
    bool asked(bool stats) const noexcept { return stats || given; }
};

// Declares the options on app, bound to options. A bad value makes
// app.parse() throw a CLI::ValidationError naming the option and value.
void addSessionOptions(CLI::App& app, SessionReportOptions& options);

// The readable block, several lines, each ending in a newline.
void writeSessionsText(std::ostream& out, const SessionAnalysis& analysis,
                       const SessionOptions& options);

// {"cutting", "gapSeconds", "everySeconds", "epochInterval", "summary",
// "list"}: the summary object and one object per session with its start.
nlohmann::ordered_json sessionsJson(const SessionAnalysis& analysis, const SessionOptions& options);

// One row per session under a header; false when the stream failed.
bool writeSessionsCsv(std::ostream& out, const SessionAnalysis& analysis);

}  // namespace gnsslog
