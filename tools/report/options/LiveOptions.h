// Command-line options of gnsslog-report for live sources: a LOGFILE of
// tcp://, gpsd:// or serial:, or a file with --follow.
#pragma once

#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace gnsslog {

struct LiveOptions {
    bool follow = false;          // --follow: read LOGFILE as it grows
    double everySeconds = 10;     // --every DURATION: between live lines
    double durationSeconds = 0;   // --duration DURATION: the whole run; 0: until stopped
    std::string archive;          // --archive FILE: every received byte
};

// Declares --follow, --every, --duration and --archive on app, bound to
// options. A bad duration makes app.parse() throw a CLI::ValidationError.
void addLiveOptions(CLI::App& app, LiveOptions& options);

// "10" (seconds), "500ms", "1s", "15min", "1h": seconds, more than 0.
bool parseLiveDuration(std::string_view text, double& seconds) noexcept;

}  // namespace gnsslog
