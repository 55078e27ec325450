#include "metrics/ScatterCircles.h"

#include <algorithm>
#include <cmath>

#include "log/Gpslog.h"
#include "metrics/AccuracyStats.h"
#include "metrics/EpochErrors.h"

namespace gnsslog {

ScatterCircles rtkFixedCircles(const GNSSLog& log)
{
    const AccuracyStats stats = computeAccuracyStats(log, {});
    const ClassAccuracy& fixed = stats.of(SolutionClass::RtkFixed);
    ScatterCircles circles;
    circles.count = fixed.horizontalCount;
    if (circles.count > 0) {
        circles.cep50 = fixed.horizontalPercentiles[0];  // 50 %
        circles.r95 = fixed.horizontalPercentiles[2];    // 95 %
        circles.twoDrms = fixed.twoDrms;
    }
    const TruthPoint truth{log.truthX(), log.truthY(), log.truthZ()};
    for (const GNSSRecord& record : log.records) {
        const EpochErrors e = epochErrorsOf(record, truth);
        if (e.haveXY) {
            circles.pointsExtent = std::max({circles.pointsExtent, std::fabs(e.dx), std::fabs(e.dy)});
        }
    }
    return circles;
}

}  // namespace gnsslog
