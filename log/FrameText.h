// How reports name the grid an analysis measured its errors in.
#pragma once

#include <string>

#include "log/Gpslog.h"

namespace gnsslog {

// "kkj", "enu", "tm35fin", "gk25", "EPSG:32635", or "none" when geodetic
// positions were not converted.
std::string gridFrameName(const GNSSLog& log);

// One line for a person: "KKJ zone 2", "local north and east about
// 60.205129 N 24.901215 E, 46.113 m", "ETRS-TM35FIN (EPSG:3067)", ...
std::string gridFrameDescription(const GNSSLog& log);

}  // namespace gnsslog
