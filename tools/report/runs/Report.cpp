#include "tools/report/runs/Report.h"

#include <CLI/CLI.hpp>

#include "tools/report/options/ReportOptions.h"
#include "tools/report/runs/AnalysisReport.h"
#include "tools/report/runs/HistoryReport.h"
#include "tools/report/runs/LiveReport.h"

namespace gnsslog {

int runReport(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    ReportOptions options;
    CLI::App app{kReportDescription, kReportProgramName};
    addReportOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ReportExit::Ok;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ReportExit::Ok;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return ReportExit::Ok;
    } catch (const CLI::ParseError& error) {
        return usageError(err, error.what());
    }
    if (options.history.reports()) {
        return runHistoryReport(options, out, err);
    }
    // A first fix is wrong by the same threshold as any fixed epoch.
    options.sessions.session.wrongFixThreshold = options.stats.wrongFixThreshold;
    if (isLiveRun(options)) {
        return runLiveReport(options, out, err);
    }
    for (const char* liveOnly : {"--every", "--duration", "--archive"}) {
        if (app.count(liveOnly) > 0) {
            return usageError(err, std::string(liveOnly) +
                                       " needs a live source: tcp://, gpsd://, serial: or --follow");
        }
    }
    return runAnalysisReport(options, out, err);
}

}  // namespace gnsslog
