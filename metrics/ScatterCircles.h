// The circles of the scatter plot: CEP50, R95 and 2DRMS of the horizontal
// errors of the RTK-fixed epochs, as the accuracy statistics give them.
#pragma once

#include <cstdint>

namespace gnsslog {

class GNSSLog;

struct ScatterCircles {
    std::int64_t count = 0;  // RTK-fixed epochs with a horizontal error; 0: no circles
    double cep50 = 0;        // metres: 50th percentile of the horizontal error
    double r95 = 0;          // metres: 95th percentile
    double twoDrms = 0;      // metres: 2 * sqrt(mean(dx^2 + dy^2))
    // The largest east or north error of any record with a horizontal
    // error, whatever its fix, metres; 0 without one. The plot's autoscale
    // fits every point it can show.
    double pointsExtent = 0;
};

// The circles of the RTK-fixed records and the extent of all records.
ScatterCircles rtkFixedCircles(const GNSSLog& log);

}  // namespace gnsslog
