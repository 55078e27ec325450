#include "tools/report/options/LiveOptions.h"

#include <charconv>
#include <cmath>

#include <CLI/CLI.hpp>

#include "compare/TimeSlices.h"

namespace gnsslog {

namespace {

constexpr double kSecondsPerMillisecond = 1e-3;
constexpr double kLongestLiveSeconds = 1e9;  // about 31 years; keeps milliseconds in range

void addDurationOption(CLI::App& app, const std::string& name, double& seconds,
                       const std::string& help)
{
    app.add_option_function<std::string>(
        name,
        [name, &seconds](const std::string& text) {
            if (!parseLiveDuration(text, seconds)) {
                throw CLI::ValidationError(
                    name, "'" + text + "' is not a duration such as 10, 500ms, 1s, 15min or 1h");
            }
        },
        help)
        ->type_name("DURATION");
}

}  // namespace

bool parseLiveDuration(std::string_view text, double& seconds) noexcept
{
    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto number = std::from_chars(first, last, value);
    if (number.ec != std::errc() || first == last) {
        return false;
    }
    const std::string_view unit(number.ptr, static_cast<std::size_t>(last - number.ptr));
    if (unit.empty()) {
        // bare seconds
    } else if (unit == "ms") {
        value *= kSecondsPerMillisecond;
    } else if (!parseDuration(text, value)) {
        return false;
    }
    if (!std::isfinite(value) || value <= 0 || value > kLongestLiveSeconds) {
        return false;
    }
    seconds = value;
    return true;
}

void addLiveOptions(CLI::App& app, LiveOptions& options)
{
    app.add_flag("--follow", options.follow,
                 "keep reading LOGFILE as it grows (a truncated or replaced file starts a new "
                 "segment); a LOGFILE of tcp://HOST:PORT, gpsd://HOST[:PORT] or "
                 "serial:DEVICE[?baud=N] is read live without it");
    addDurationOption(app, "--every", options.everySeconds,
                      "live: one JSON line per DURATION (default 10s; 500ms, 10, 1min ...)");
    addDurationOption(app, "--duration", options.durationSeconds,
                      "live: stop after DURATION and print the full report (default: until "
                      "SIGINT or SIGTERM)");
    app.add_option("--archive", options.archive,
                   "live: write every received byte to FILE; the final report is that of FILE")
        ->type_name("FILE");
}

}  // namespace gnsslog
