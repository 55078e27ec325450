// The offline run: one log, or several compared.
#pragma once

#include <ostream>

#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// The run after the command line was read: the comparison when several
// logs, slices or requirements are asked for, else the single-log report.
// Returns a ReportExit status.
int runAnalysisReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
