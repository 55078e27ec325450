// What an empty histogram window says: why the log gave it no samples.
#pragma once

#include <QString>

#include "log/Gpslog.h"
#include "stats/Histogram.h"

namespace gnsslog {

// The note for one of log's five histograms: the log has none of the
// epochs it counts, or none of them has the coordinates it needs. Empty
// for a histogram with samples or one that is not log's.
QString emptyHistogramNote(const GNSSLog& log, const Histogram* histogram);

}  // namespace gnsslog
