// The reference trajectory beside a moving receiver's log: the path
// without the receiver's errors, on GPS time.
#include <cmath>
#include <cstdint>
#include <string>

#include "common/FormatNumber.h"
#include "tools/samplegen/GeneratorState.h"

namespace gnsslog {

using namespace samplegen;

namespace {

// GPS time minus UTC in December 2026.
constexpr std::int64_t kLeapMs = 18000;
// The day of week 2448 that the NMEA logs' first day is (a Tuesday).
constexpr std::int64_t kNmeaFirstWeekday = 2;

// The GPS week the reference's times count from: dated .pos logs say
// their own date, the first day of week kFirstPosWeek, so their reference
// is on it; the others' dates the analysis completes from the reference.
std::int64_t firstWeekOf(const GeneratorOptions& options)
{
    return options.format == LogFormat::Pos && !options.posWeekTime ? kFirstPosWeek : kFirstGpsWeek;
}

// GPS milliseconds from the start of week firstWeekOf() of the instant a
// log's time stamp ms names. Logs with times of week and dated .pos logs
// count from their week's start; NMEA logs (UTC) from their first day, a
// Tuesday.
std::int64_t gpsMsOfStamp(const GeneratorOptions& options, double ms)
{
    const bool nmea = options.format == LogFormat::Nmea;
    const double gps = nmea ? ms + static_cast<double>(kNmeaFirstWeekday * kDayMs + kLeapMs) : ms;
    return std::llround(gps);
}

std::string header(bool velocities)
{
    std::string text = "GPS TOW (s),GPS Week,Latitude (deg),Longitude (deg),Ellipsoid Height (m),Heading (deg)";
    if (velocities) {
        text += ",East Velocity (m/s),North Velocity (m/s),Up Velocity (m/s)";
    }
    return text + '\n';
}

}  // namespace

std::string LogGenerator::referenceCsv() const
{
    const State& s = *state_;
    const TrajectoryOptions& path = s.options.trajectory;
    if (path.kind == TrajectoryKind::None || s.stats.epochs == 0) {
        return {};
    }
    const std::int64_t interval = path.referenceIntervalMs > 0 ? path.referenceIntervalMs : s.options.epochIntervalMs;
    const std::int64_t spanMs = static_cast<std::int64_t>(s.stats.epochs - 1) * s.options.epochIntervalMs;
    const double gapStart = static_cast<double>(spanMs) * 0.0005;
    const double gapEnd = gapStart + path.referenceGap;
    std::string text = header(path.referenceVelocities);
    for (std::int64_t t = 0; t <= spanMs; t += interval) {
        const double seconds = static_cast<double>(t) * 0.001;
        if (path.referenceGap > 0 && seconds > gapStart && seconds < gapEnd) {
            continue;
        }
        const PathPoint p = pathAt(path, seconds);
        double latitude = 0;
        double longitude = 0;
        pathToGeodetic(s.centre.latitude, s.centre.longitude, s.centre.height, p.east, p.north, latitude,
                       longitude);
        const std::int64_t gps = gpsMsOfStamp(s.options, static_cast<double>(s.startMs + t));
        text += formatFixed(static_cast<double>(gps % kWeekMs) * 0.001, 3) + ',' +
                formatInt(firstWeekOf(s.options) + gps / kWeekMs) + ',' + formatFixed(latitude, 10) + ',' +
                formatFixed(longitude, 10) + ',' + formatFixed(s.centre.height, 4) + ',' +
                formatFixed(p.heading, 4);
        if (path.referenceVelocities) {
            text += ',' + formatFixed(p.vEast, 5) + ',' + formatFixed(p.vNorth, 5) + ",0.00000";
        }
        text += '\n';
    }
    return text;
}

}  // namespace gnsslog
