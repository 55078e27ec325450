// gnsslog-report on a live source: a LOGFILE of tcp://, gpsd:// or
// serial:, or any file with --follow. Every received byte goes to the
// archive (--archive FILE, else a temporary file); every --every interval
// one JSON line of the figures so far; at the end (--duration, SIGINT,
// SIGTERM) the full report of the archive, exactly as an offline run on
// it prints it, with the live session's own fields added: the "live"
// object at the end of a JSON document, or a last JSON line before the
// summary texts.
#pragma once

#include <ostream>

#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// Whether the command line asks for a live run.
bool isLiveRun(const ReportOptions& options);

// The run after the command line was read. Returns a ReportExit status:
// Usage for a source that cannot be opened, an archive that cannot be
// written (the run stops at the first failed write) or a source that
// fails for good; else the offline report's status on the archive.
int runLiveReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace gnsslog
