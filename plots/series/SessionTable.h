// The texts of the Sessions window: one row of cells per session and the
// lines of the summary across them. Numbers are written without the
// locale, as the report tool writes them; a time never reached is "-".
#pragma once

#include <string>
#include <vector>

#include "metrics/SessionSummary.h"

namespace gnsslog {

// Column headings of sessionRows, in the order of their cells.
std::vector<std::string> sessionTableHeader();

// One row per session, in the order of sessions: its number from 1, its
// start (the records' time, seconds), times to first position, float and
// fix (seconds from the start), the first fix's horizontal error (metres)
// and whether it was wrong, the time to converge, the fixed share and H95.
std::vector<std::vector<std::string>> sessionRows(const SessionAnalysis& analysis);

// The summary across the sessions, a line each: count and never fixed,
// the times' median and 95 %, the shares fixed within the limits, and the
// wrong first fixes with their 95 % interval; wrongFixThreshold in metres.
std::vector<std::string> sessionSummaryLines(const SessionSummary& summary, double wrongFixThreshold);

}  // namespace gnsslog
