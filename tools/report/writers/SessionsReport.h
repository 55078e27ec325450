// The report tool's sessions: the readable block, the JSON object
// "sessions" and the sessions CSV.
//
// JSON numbers are seconds (from the session's start, or absolute for
// "start" and "end"), metres and shares 0..1; a time never reached is null.
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "metrics/SessionSummary.h"
#include "metrics/Sessions.h"

namespace gnsslog {

// The readable block, several lines, each ending in a newline.
void writeSessionsText(std::ostream& out, const SessionAnalysis& analysis,
                       const SessionOptions& options);

// {"cutting", "gapSeconds", "everySeconds", "epochInterval", "summary",
// "list"}: the summary object and one object per session with its start.
nlohmann::ordered_json sessionsJson(const SessionAnalysis& analysis, const SessionOptions& options);

// One row per session under a header; false when the stream failed.
bool writeSessionsCsv(std::ostream& out, const SessionAnalysis& analysis);

}  // namespace gnsslog
