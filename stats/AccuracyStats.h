// Accuracy statistics of an analysis, per solution class.
//
// Errors are record minus truth, in metres, measured exactly as the
// analysis measures them: grid X and Y need validFlags bit 0x02, Z (height)
// needs 0x04, the horizontal error sqrt(dx^2 + dy^2) needs 0x02 and the 3-D
// error sqrt(dz^2 + dx^2 + dy^2) needs both. An error that is not finite
// (a corrupt coordinate) takes part in nothing, so one bad epoch cannot
// turn every figure of its class into NaN.
//
// Percentiles are exact nearest-rank values on the sorted errors
// (rank = ceil(p / 100 * n), 1-based), computed in integer arithmetic so
// that a rank that is exactly an integer is not pushed up by rounding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "log/GnssRecord.h"

namespace gnsslog {

class GNSSLog;

// Solution classes, in report order. All holds every epoch.
enum class SolutionClass : std::uint8_t { RtkFixed = 0, RtkFloat, RtkX, Other, All };
inline constexpr std::size_t kSolutionClassCount = 5;

// fixType 4, 5, 255 or anything else; never All.
SolutionClass solutionClassOf(std::uint8_t fixType) noexcept;
// Machine name ("rtkFixed", "rtkFloat", "rtkX", "other", "all").
const char* solutionClassKey(SolutionClass c) noexcept;
// Readable name ("RTK fixed", "RTK float", "RTK-X", "single/other", "all").
const char* solutionClassLabel(SolutionClass c) noexcept;

// Horizontal and vertical percentiles reported, in percent (ascending).
inline constexpr std::array<int, 4> kReportedPercentiles{50, 68, 95, 99};

// 0-based index of the nearest-rank p-th percentile of n sorted values:
// ceil(p * n / 100) - 1, at least 0. n must be at least 1, 0 < p <= 100.
std::size_t nearestRankIndex(std::size_t n, int percent) noexcept;

// Nearest-rank percentiles of values for the given percents, written to
// out (same length as percents). values must not be empty and must hold
// no NaN; they are not changed. Exact, but without sorting: a histogram of
// the top bits of each value's order-preserving bit pattern finds the
// bucket that holds each rank, and only that bucket's values are searched,
// so the cost is two linear passes for any n.
void nearestRankPercentiles(std::span<const double> values, std::span<const int> percents,
                            std::span<double> out);

// The same over the union of several parts (at least one value in all).
void nearestRankPercentiles(std::span<const std::span<const double>> parts,
                            std::span<const int> percents, std::span<double> out);

// Count, mean (bias), standard deviation with divisor n (the spread of the
// errors of this log, not an estimate for a population), RMS about zero,
// minimum and maximum. Only count is meaningful when count is 0.
struct AxisStats {
    std::int64_t count = 0;
    double mean = 0;
    double stdDev = 0;
    double rms = 0;
    double min = 0;
    double max = 0;
};

struct ClassAccuracy {
    std::int64_t epochs = 0;  // epochs of this class, whatever their flags
    AxisStats x;
    AxisStats y;
    AxisStats z;
    AxisStats threeD;

    // Horizontal error: epochs with bit 0x02.
    std::int64_t horizontalCount = 0;
    std::array<double, 4> horizontalPercentiles{};  // kReportedPercentiles
    double twoDrms = 0;                             // 2 * sqrt(mean(dx^2 + dy^2))
    std::vector<double> horizontalWithin;           // share (0..1) <= each threshold

    // Vertical error |dz|: epochs with bit 0x04.
    std::int64_t verticalCount = 0;
    std::array<double, 4> verticalPercentiles{};
    std::vector<double> verticalWithin;

    // Receiver's own estimate against truth: epochs with bit 0x20 and a 3-D
    // error; share whose 3-D error is at most 1, 2 and 3 times the estimate.
    std::int64_t estimateCount = 0;
    std::array<double, 3> estimateWithin{};
};

struct AccuracyStats {
    std::vector<double> thresholds;  // metres, as given
    std::array<ClassAccuracy, kSolutionClassCount> classes;

    const ClassAccuracy& of(SolutionClass c) const noexcept
    {
        return classes[static_cast<std::size_t>(c)];
    }
};

// Default --within thresholds, metres.
inline constexpr std::array<double, 5> kDefaultWithinThresholds{0.01, 0.02, 0.03, 0.05, 0.10};

// Statistics of records against truth (tx, ty, tz). thresholds are the
// horizontal and vertical "within" limits in metres (an error equal to the
// limit is within). Does one pass over the records and a few linear passes
// over the collected horizontal and vertical errors.
AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds);

// The same on an analysis, against its current truth.
AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds);

}  // namespace gnsslog
