// gnsslog-report with several logs, --truth-from, --split or --require:
// one summary block per log, then the comparison table; with --json one
// document {"logs": [...], "comparison": {...}}; with --html one page.
#pragma once

#include <ostream>

#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// The run after the command line was read. Returns a ReportExit status:
// Usage when an option does not fit several logs, a file cannot be read
// or an output cannot be written; else RequirementFailed when a
// requirement fails; else NoRecords when a log has no records; else Ok.
int runComparisonReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
