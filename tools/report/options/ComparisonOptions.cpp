#include "tools/report/options/ComparisonOptions.h"

#include <CLI/CLI.hpp>

#include "compare/TimeSlices.h"

namespace gnsslog {

void addComparisonOptions(CLI::App& app, ComparisonOptions& options)
{
    app.add_option("--truth-from", options.truthFrom,
                   "measure every log against this log's truth (averaged or first fix, as --truth says)");
    app.add_option_function<std::string>(
        "--split",
        [&options](const std::string& text) {
            if (!parseDuration(text, options.sliceSeconds)) {
                throw CLI::ValidationError(
                    "--split", "'" + text + "' is not a duration such as 90s, 15min or 1h");
            }
        },
        "add statistics per clock slice of DURATION (s, min or h, e.g. 1h)");
    app.add_option_function<std::string>(
        "--require",
        [&options](const std::string& text) {
            RequirementList list = parseRequirements(text);
            if (!list.error.empty()) {
                throw CLI::ValidationError("--require", list.error);
            }
            options.requireText = text;
            options.requirements = std::move(list.requirements);
        },
        "PASS/FAIL per log and slice, e.g. \"fix>=95%,h95<=0.02,v95<=0.03,ttff<=60s,wrong<=0\" "
        "(docs/requirements.md); exit status 3 when one fails");
    app.add_option("--jobs", options.jobs, "logs analysed at once (default: the number of cores)")
        ->check(CLI::Range(1u, 256u));
}

}  // namespace gnsslog
