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
// (rank = ceil(p / 100 * n), 1-based; see metrics/Percentiles.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/Percentiles.h"
#include "metrics/SolutionClass.h"

namespace gnsslog {

class GNSSLog;

// Horizontal and vertical percentiles reported, in percent (ascending).
inline constexpr std::array<int, 4> kReportedPercentiles{50, 68, 95, 99};

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
// over the collected horizontal and vertical errors (metrics/Statistics.h
// computes it together with the other statistics).
AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds);

// The same on an analysis, against its current truth.
AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds);

}  // namespace gnsslog
