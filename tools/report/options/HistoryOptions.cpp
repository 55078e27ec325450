#include "tools/report/options/HistoryOptions.h"

#include <CLI/CLI.hpp>

#include "history/HistoryDays.h"

namespace gnsslog {

namespace {

CLI::Option* addDateOption(CLI::App& app, const std::string& name, std::string& target, const std::string& help)
{
    return app.add_option_function<std::string>(
        name,
        [name, &target](const std::string& text) {
            if (!parseDay(text)) {
                throw CLI::ValidationError(name, "'" + text + "' is not a date YYYY-MM-DD");
            }
            target = text;
        },
        help);
}

}  // namespace

void addHistoryOptions(CLI::App& app, HistoryOptions& options)
{
    CLI::Option* write = app.add_option(
        "--history", options.file,
        "append each log's figures per slice of --split (default 1h), its verdicts and data "
        "quality to the SQLite history FILE (docs/history.md)");
    // The log files stay required while the command line is read, so that
    // options of several values stop before them; the report needs none.
    CLI::Option* logFiles = app.get_option_no_throw("LOGFILE");
    CLI::Option* report = app.add_option_function<std::string>(
        "--history-report",
        [&options, logFiles](const std::string& file) {
            options.reportFile = file;
            if (logFiles != nullptr) {
                logFiles->required(false);
            }
        },
        "print the slices the SQLite history FILE holds and their trend per day; with --png DIR "
        "history-trend.png, with --html the page");
    write->excludes(report);
    addDateOption(app, "--from", options.from, "--history-report: from this day (YYYY-MM-DD) on")
        ->needs(report);
    addDateOption(app, "--to", options.to, "--history-report: up to this day (YYYY-MM-DD)")->needs(report);
    app.add_option("--source", options.source,
                   "--history-report: only this log or source (as given, or its file name)")
        ->needs(report);
}

}  // namespace gnsslog
