// The report tool's session options: how logs are cut into sessions and
// what is measured of each.
#pragma once

#include <string>

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

}  // namespace gnsslog
