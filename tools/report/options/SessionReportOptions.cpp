#include "tools/report/options/SessionReportOptions.h"

#include <cmath>
#include <string_view>

#include <CLI/CLI.hpp>

#include "compare/TimeSlices.h"
#include "tools/report/options/CLocaleNumber.h"

namespace gnsslog {

namespace {

constexpr std::string_view kEveryPrefix = "every:";

// A positive, finite number of the option's unit; throws its usage error.
double positiveNumber(const char* option, const std::string& text)
{
    double value = 0;
    if (!parseCLocaleDouble(text, value) || !std::isfinite(value) || value <= 0) {
        throw CLI::ValidationError(option, "'" + text + "' is not a positive number");
    }
    return value;
}

void setCutting(SessionOptions& options, const std::string& text)
{
    if (text == "gaps") {
        options.cutting = SessionCutting::Gaps;
        return;
    }
    if (text == "markers") {
        options.cutting = SessionCutting::Markers;
        return;
    }
    double seconds = 0;
    if (text.starts_with(kEveryPrefix) &&
        parseDuration(std::string_view(text).substr(kEveryPrefix.size()), seconds)) {
        options.cutting = SessionCutting::Every;
        options.everySeconds = seconds;
        return;
    }
    throw CLI::ValidationError("--sessions",
                               "'" + text +
                                   "' is not gaps, markers or every:DURATION (e.g. every:5min)");
}

}  // namespace

void addSessionOptions(CLI::App& app, SessionReportOptions& options)
{
    app.add_option_function<std::string>(
        "--session-gap",
        [&options](const std::string& text) {
            options.session.gapSeconds = positiveNumber("--session-gap", text);
            options.given = true;
        },
        "a new session starts after this many seconds without a position (default 2)");
    app.add_option_function<std::string>(
        "--sessions",
        [&options](const std::string& text) {
            setCutting(options.session, text);
            options.given = true;
        },
        "how a log is cut into sessions: gaps (default; restarts the log marks cut too), "
        "markers (only those restarts) or every:DURATION (e.g. every:5min)");
    app.add_option_function<std::string>(
        "--converged",
        [&options](const std::string& text) {
            options.session.convergedMetres = positiveNumber("--converged", text);
            options.given = true;
        },
        "a session has converged when its horizontal error stays below this (metres, default 0.05)");
    app.add_option_function<std::string>(
        "--converged-for",
        [&options](const std::string& text) {
            options.session.convergedForSeconds = positiveNumber("--converged-for", text);
            options.given = true;
        },
        "... for this many seconds (default 10)");
    app.add_option_function<std::vector<std::string>>(
        "--fixed-within",
        [&options](const std::vector<std::string>& texts) {
            options.session.fixedWithinSeconds.clear();
            for (const std::string& text : texts) {
                options.session.fixedWithinSeconds.push_back(positiveNumber("--fixed-within", text));
            }
            options.given = true;
        },
        "limits (seconds) of the shares of sessions fixed within them (default 30,60,120,300)")
        ->delimiter(',')
        ->allow_extra_args(false);
    app.add_option_function<std::string>(
        "--sessions-csv",
        [&options](const std::string& text) {
            options.csvFile = text;
            options.given = true;
        },
        "write one row per session to FILE as CSV");
}

}  // namespace gnsslog
