// gnsslog-report: reads the command line and runs the live report for a
// live source, else the offline one (AnalysisReport).
#pragma once

#include <ostream>

#include "tools/report/ReportMessages.h"
#include "tools/report/runs/ReportProgress.h"

namespace gnsslog {

// Runs the tool on argv as the command would. Normal output goes to out,
// diagnostics to err. A progress bar is drawn only when err is std::cerr
// and standard error is a terminal. Returns a ReportExit status; does not
// throw except for running out of memory.
int runReport(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
