// gnsslog-report --history-report FILE: the slices a monitoring history
// holds and their trend per day, as text or JSON, with the trend picture
// as PNG (--png DIR) and in an HTML page (--html FILE).
#pragma once

#include <ostream>

#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// Returns a ReportExit status: Ok, NoRecords when no slice matches,
// Usage when the file is no history this version reads or an output fails.
int runHistoryReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
