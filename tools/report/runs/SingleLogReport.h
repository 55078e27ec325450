// gnsslog-report with one log: the main window's summary, a JSON document,
// the statistics, the sessions, CSV files, pictures and an HTML page.
#pragma once

#include <ostream>

#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// The run after the command line was read. Returns a ReportExit status:
// Usage for an option the run cannot use, an unreadable log or an output
// that cannot be written; else NoRecords for a log without records; else Ok.
int runSingleLogReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
