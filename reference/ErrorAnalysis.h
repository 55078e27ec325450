// An analysis measured against a reference trajectory, for every statistic,
// histogram and plot that measures against a fixed truth.
//
// Those all take a record's grid position minus the truth. The error
// analysis is a copy of the analysis whose records hold their errors
// against the reference instead of their positions (grid x the north
// error, grid y the east error, height the up error, metres) and whose
// truth is the manual point (0, 0, 0): record minus truth is then the
// error against the reference, and no statistic needs to know where its
// errors came from. Records without truth keep their time and fix class
// but lose their grid and height, so every error statistic leaves them
// out while fix continuity and availability still see them; TruthMatch
// counts them by cause.
#pragma once

#include <memory>

#include "log/Gpslog.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// log: a finished analysis; match: its records against a reference
// (matchRecords), one to one. The copy's maxima and five histograms are
// those of the errors. Summary figures of the log itself (averages, fix
// counts, data quality, frame) are copied unchanged.
std::unique_ptr<GNSSLog> errorAnalysis(const GNSSLog& log, const TruthMatch& match);

// Both steps at once: the match and the error analysis of log against
// reference, on the clock its format states.
struct ReferenceMeasurement {
    TruthMatch match;
    std::unique_ptr<GNSSLog> errors;
};
ReferenceMeasurement measureAgainstReference(const GNSSLog& log, RecordClock logClock,
                                             const ReferenceTrajectory& reference,
                                             const TruthMatchOptions& options);

}  // namespace gnsslog
