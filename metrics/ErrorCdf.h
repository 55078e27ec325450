// Cumulative distribution of the horizontal and vertical errors of an
// analysis per solution class (RTK fixed, RTK float, all epochs), and the
// errors at the 50, 68 and 95 % levels. Errors of RTK fixed and of
// stand-alone epochs differ by orders of magnitude, so the bins are equal
// on a logarithmic scale: their upper edges run geometrically from 1 mm to
// the range.
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
    // atOrBelow[i]: errors <= ErrorCdf::edge(i).
    std::vector<std::int64_t> atOrBelow;
    std::array<double, kCdfLevels.size()> levelErrors{};  // metres, at kCdfLevels

    // Share (0..1) of the errors at or below the upper edge of bin i; 0 for
    // an empty class.
    double share(std::size_t bin) const noexcept;
};

inline constexpr double kCdfLowestEdge = 0.001;  // metres: upper edge of the first bin

struct ErrorCdf {
    double highestEdge = 0;  // metres: upper edge of the last bin, the range
    std::size_t bins = 0;
    std::array<CdfCurve, kCdfClassCount> horizontal;
    std::array<CdfCurve, kCdfClassCount> vertical;

    double range() const noexcept { return highestEdge; }
    // Upper edge of bin i (metres): kCdfLowestEdge for 0, highestEdge for
    // bins - 1, geometric between.
    double edge(std::size_t bin) const noexcept;
    // Position (0 at kCdfLowestEdge, 1 at highestEdge) of an error on the
    // logarithmic axis; below 0 for smaller errors.
    double axisPosition(double error) const noexcept;
    // Bin whose upper edge is the first at or above error; bins when error
    // lies beyond the last edge (or is not a number).
    std::size_t binOf(double error) const noexcept;
};

// bins (at least 2) bins up to a range that holds the 99th percentile of
// every class's errors with a margin (at least 1 cm).
ErrorCdf computeErrorCdf(const GNSSLog& log, std::size_t bins);

}  // namespace gnsslog
