#include "tools/report/options/ReferenceOptions.h"

#include <cmath>

#include <CLI/CLI.hpp>

#include "log/formats/Formats.h"
#include "reference/ReferenceFile.h"
#include "tools/report/options/CLocaleNumber.h"

namespace gnsslog {

namespace {

// Longer is a typing error: no vehicle is a kilometre long.
constexpr double kLongestLeverArm = 1000;  // metres

// Seconds given on the command line: finite, and within limits.
CLI::Validator secondsValidator(bool positive)
{
    return CLI::Validator(
        [positive](std::string& text) -> std::string {
            double value = 0;
            if (!parseCLocaleDouble(text, value) || !std::isfinite(value) ||
                (positive && !(value > 0))) {
                return (positive ? "must be a positive number of seconds: "
                                 : "must be a finite number of seconds: ") +
                       text;
            }
            return {};
        },
        "SECONDS");
}

}  // namespace

void addReferenceOptions(CLI::App& app, ReferenceOptions& options)
{
    std::vector<std::string> formatNames{std::string(kCsvReferenceFormat)};
    for (const InputFormat* format : inputFormats()) {
        formatNames.emplace_back(format->name());
    }
    app.add_option("--reference", options.file,
                   "measure against the reference trajectory in FILE (a CSV file naming its "
                   "columns, or a log in any format)");
    app.add_option("--reference-format", options.format,
                   "format of the reference file: csv or a log format (default: detected)")
        ->check(CLI::IsMember(formatNames));
    app.add_option("--max-gap", options.maxGap,
                   "longest reference gap to interpolate across, seconds (default 2.5 times the "
                   "reference's median interval)")
        ->check(secondsValidator(true));
    app.add_option("--time-offset", options.timeOffset,
                   "seconds added to the rover's times before matching (default 0)")
        ->check(secondsValidator(false));
    app.add_option("--lever-arm", options.leverArm,
                   "metres from the reference point to the rover antenna: forward, right and up "
                   "in the vehicle frame (default 0 0 0)")
        ->expected(3)
        ->check(CLI::Range(-kLongestLeverArm, kLongestLeverArm));
}

TruthMatchOptions truthMatchOptions(const ReferenceOptions& options)
{
    TruthMatchOptions match{options.maxGap, options.timeOffset, {}};
    if (options.leverArm.size() == 3) {
        match.leverArm = {options.leverArm[0], options.leverArm[1], options.leverArm[2]};
    }
    return match;
}

}  // namespace gnsslog
