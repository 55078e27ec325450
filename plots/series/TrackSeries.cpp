#include "plots/series/TrackSeries.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "geodesy/Ecef.h"
#include "geodesy/LocalTangentPlane.h"

namespace gnsslog {

namespace {

constexpr double kGapFactor = 2.5;  // times the median interval, as the matching's default

void include(TrackSeries& series, const TrackPoint& p, bool first) noexcept
{
    if (first) {
        series.minEast = series.maxEast = p.east;
        series.minNorth = series.maxNorth = p.north;
        return;
    }
    series.minEast = std::min<double>(series.minEast, p.east);
    series.maxEast = std::max<double>(series.maxEast, p.east);
    series.minNorth = std::min<double>(series.minNorth, p.north);
    series.maxNorth = std::max<double>(series.maxNorth, p.north);
}

std::optional<GeodeticPosition> origin(const std::vector<GNSSRecord>& records,
                                       const std::vector<Wgs84Position>& referenceLatLon)
{
    if (!referenceLatLon.empty()) {
        return GeodeticPosition{referenceLatLon.front().latitude, referenceLatLon.front().longitude,
                                referenceLatLon.front().height};
    }
    for (const GNSSRecord& r : records) {
        if (r.has(ValidFlag::LatLon) && std::isfinite(r.latitude) && std::isfinite(r.longitude)) {
            return GeodeticPosition{r.latitude, r.longitude, std::isfinite(r.height) ? r.height : 0.0};
        }
    }
    return std::nullopt;
}

}  // namespace

TrackSeries trackSeries(const std::vector<GNSSRecord>& records, const ReferenceTrajectory* reference)
{
    TrackSeries series;
    std::vector<Wgs84Position> referenceLatLon;
    std::vector<double> referenceTimes;
    if (reference != nullptr) {
        for (const ReferenceEpoch& e : reference->epochs) {
            Wgs84Position p;
            if (ecefToWgs84(e.position.x, e.position.y, e.position.z, p)) {
                referenceLatLon.push_back(p);
                referenceTimes.push_back(e.time);
            }
        }
    }
    const std::optional<GeodeticPosition> centre = origin(records, referenceLatLon);
    if (!centre) {
        return series;
    }
    const LocalTangentPlane plane(*centre);
    bool first = true;
    const auto add = [&](std::vector<TrackPoint>& to, double latitude, double longitude, TrackPoint p) {
        double north = 0;
        double east = 0;
        plane.toNorthEast(latitude, longitude, north, east);
        if (!std::isfinite(north) || !std::isfinite(east)) {
            return;
        }
        p.east = static_cast<float>(east);
        p.north = static_cast<float>(north);
        include(series, p, first);
        first = false;
        to.push_back(p);
    };
    const double longestStep = kGapFactor * (reference != nullptr ? medianInterval(reference->epochs) : 0.0);
    for (std::size_t i = 0; i < referenceLatLon.size(); ++i) {
        TrackPoint p;
        p.startsSegment = i == 0 || referenceTimes[i] - referenceTimes[i - 1] > longestStep;
        add(series.reference, referenceLatLon[i].latitude, referenceLatLon[i].longitude, p);
    }
    series.rover.reserve(records.size());
    for (const GNSSRecord& r : records) {
        if (r.has(ValidFlag::LatLon)) {
            TrackPoint p;
            p.fixType = r.fixType;
            add(series.rover, r.latitude, r.longitude, p);
        }
    }
    return series;
}

}  // namespace gnsslog
