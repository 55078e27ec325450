#include "metrics/WrongFixes.h"

#include "log/Gpslog.h"
#include "metrics/Statistics.h"

namespace gnsslog {

WrongFixes findWrongFixes(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                          double threshold)
{
    return computeStatistics(records, tx, ty, tz, {}, threshold, StatisticsPart::WrongFixes)
        .wrongFixes;
}

WrongFixes findWrongFixes(const GNSSLog& log, double threshold)
{
    return findWrongFixes(log.records, log.truthX(), log.truthY(), log.truthZ(), threshold);
}

}  // namespace gnsslog
