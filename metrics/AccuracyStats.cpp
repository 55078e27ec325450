#include "metrics/AccuracyStats.h"

#include "log/Gpslog.h"
#include "metrics/Statistics.h"

namespace gnsslog {

AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds)
{
    return computeStatistics(records, tx, ty, tz, thresholds, 0.0, StatisticsPart::Accuracy)
        .accuracy;
}

AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds)
{
    return computeAccuracyStats(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds);
}

}  // namespace gnsslog
