#include "metrics/ScatterCircles.h"

#include "metrics/AccuracyStats.h"

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
    return circles;
}

}  // namespace gnsslog
