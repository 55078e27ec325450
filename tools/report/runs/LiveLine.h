// The JSON line a live run prints every --every interval: the session
// (source, elapsed seconds, bytes, drops, reconnects, segments), the
// figures of every record so far and of the records that arrived in the
// last interval, the --require verdicts on both, and the data quality.
#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "live/LiveLoop.h"
#include "tools/report/options/ReportOptions.h"

namespace gnsslog {

// {"source", "elapsed", "bytes", "drops", "reconnects", "segments"}:
// what describes the live session itself.
nlohmann::ordered_json liveSessionJson(const std::string& source, const LiveProgress& progress);

// Analyses the archive so far as the offline report would and builds the
// figures part of a line. recordsBefore: the record count of the previous
// line, where the last interval's records start; set to this one's.
nlohmann::ordered_json liveFiguresJson(const ReportOptions& archiveOptions,
                                       std::size_t& recordsBefore);

}  // namespace gnsslog
