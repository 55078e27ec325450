#include "metrics/FixContinuity.h"

#include "log/Gpslog.h"
#include "metrics/Statistics.h"

namespace gnsslog {

FixContinuity computeFixContinuity(std::span<const GNSSRecord> records)
{
    return computeStatistics(records, 0.0, 0.0, 0.0, {}, 0.0, StatisticsPart::Continuity)
        .continuity;
}

FixContinuity computeFixContinuity(const GNSSLog& log) { return computeFixContinuity(log.records); }

}  // namespace gnsslog
