// What an analysis found out about the log itself, besides its solutions:
// which frames it holds, what was thrown away and why, how its clock
// behaved and how finely it writes coordinates.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace gnsslog {

// The smallest non-zero change between consecutive records, metres; NaN
// where no two records differ (or the log has no such values).
struct CoordinateResolution {
    static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
    double north = kUnknown;   // latitude steps, metres at the log's latitude
    double east = kUnknown;    // longitude steps, metres at the log's latitude
    double height = kUnknown;
    double gridX = kUnknown;   // grid coordinates as the log gives them (not converted ones)
    double gridY = kUnknown;
};

struct DataQuality {
    // Completed frames by type (NMEA address such as "$GPGGA", NavCom label
    // such as "[PVT1B]"), in order of first appearance.
    std::vector<std::pair<std::string, std::uint64_t>> framesByType;
    std::uint64_t frames = 0;
    std::uint64_t recordsKept = 0;
    std::uint64_t rejectedChecksum = 0;  // checksum or CRC did not match
    std::uint64_t unreadFrames = 0;      // of types the decoder does not read
    std::uint64_t rejectedFrames = 0;    // of types it reads, fields unusable
    std::uint64_t joinedFrames = 0;      // read, and joined to another frame's record
    std::uint64_t truncatedFrames = 0;   // cut short by the end of the log
    // Kept records whose geodetic position the chosen grid (a projected
    // system through PROJ) cannot transform: they have no grid coordinates.
    std::uint64_t positionsOffGrid = 0;

    // Time: steps back too small to be a new day, day wraps applied, and
    // steps forward longer than twice the median step.
    std::uint64_t backwardSteps = 0;
    std::uint64_t dayWraps = 0;
    std::uint64_t gaps = 0;
    // Dates (NMEA RMC, ZDA) that would have moved the time by other than
    // the whole days its time of day allows, and were not followed.
    std::uint64_t datesIgnored = 0;
    double medianInterval = std::numeric_limits<double>::quiet_NaN();  // seconds

    CoordinateResolution resolution;

    // Plain-language findings the user should know about.
    std::vector<std::string> warnings;
};

// A step of this size or more makes 1-cm histogram bins misleading.
inline constexpr double kCoarseResolutionMetres = 0.005;

}  // namespace gnsslog
