// Cumulative distribution of the horizontal and vertical errors of an
// analysis per solution class (RTK fixed, RTK float, all epochs), counted
// into equal bins from zero, and the errors at the 50, 68 and 95 % levels.
//
// Errors are measured as the accuracy statistics measure them (see
// metrics/AccuracyStats.h): the same epochs take part, and the level
// errors are the statistics' nearest-rank percentiles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gnsslog {

class GNSSLog;

enum class CdfClass : std::uint8_t { RtkFixed = 0, RtkFloat, All };
inline constexpr std::size_t kCdfClassCount = 3;

// Levels marked on the picture, in percent.
inline constexpr std::array<int, 3> kCdfLevels{50, 68, 95};

struct CdfCurve {
    std::int64_t count = 0;  // errors of the class, those beyond the last bin included
    // atOrBelow[i]: errors <= (i + 1) * binWidth.
    std::vector<std::int64_t> atOrBelow;
    std::array<double, kCdfLevels.size()> levelErrors{};  // metres, at kCdfLevels

    // Share (0..1) of the errors at or below the upper edge of bin i; 0 for
    // an empty class.
    double share(std::size_t bin) const noexcept;
};

struct ErrorCdf {
    double binWidth = 0;  // metres
    std::size_t bins = 0;
    std::array<CdfCurve, kCdfClassCount> horizontal;
    std::array<CdfCurve, kCdfClassCount> vertical;

    double range() const noexcept { return binWidth * static_cast<double>(bins); }
};

// bins (at least 1) equal bins from zero up to a range that holds the 99th
// percentile of every class's errors with a margin (at least 1 cm).
ErrorCdf computeErrorCdf(const GNSSLog& log, std::size_t bins);

}  // namespace gnsslog
