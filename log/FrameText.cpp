#include "log/FrameText.h"

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

constexpr int kLatLonDecimals = 8;  // about a millimetre
constexpr int kHeightDecimals = 3;

std::string hemisphere(double degrees, char positive, char negative)
{
    return formatFixed(degrees < 0 ? -degrees : degrees, kLatLonDecimals) + ' ' +
           (degrees < 0 ? negative : positive);
}

}  // namespace

std::string gridFrameName(const GNSSLog& log)
{
    return log.gridConverted ? log.frame.name() : "none";
}

std::string gridFrameDescription(const GNSSLog& log)
{
    if (!log.gridConverted) {
        return "none (geodetic positions not converted)";
    }
    const GridFrame& frame = log.frame;
    switch (frame.kind) {
    case GridKind::Kkj: return "KKJ zone 2";
    case GridKind::Enu:
        return "local north and east about " +
               hemisphere(log.frameOrigin.latitude, 'N', 'S') + ' ' +
               hemisphere(log.frameOrigin.longitude, 'E', 'W') + ", " +
               formatFixed(log.frameOrigin.height, kHeightDecimals) + " m";
    case GridKind::Projected:
        if (frame.epsg == kEpsgTm35fin) {
            return "ETRS-TM35FIN (EPSG:3067)";
        }
        if (frame.name().starts_with("gk")) {
            return "ETRS-GK" + frame.name().substr(2) + " (EPSG:" + formatInt(frame.epsg) + ")";
        }
        return frame.name();
    }
    return frame.name();
}

}  // namespace gnsslog
