// The cumulative distribution of the normalised errors (error over the
// log's own sigma, metrics/NormalisedError.h) per solution class: the
// horizontal radial one and the vertical one, on a linear axis from 0 to
// kNormalisedCdfRange sigma, beside the shares a Gaussian error of exactly
// the stated sigma would give.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/ErrorCdf.h"

namespace gnsslog {

inline constexpr double kNormalisedCdfRange = 6;  // sigmas: the axis's upper end
// Bins of a picture's distribution: finer than any picture is wide.
inline constexpr std::size_t kNormalisedCdfBins = 1200;

struct NormalisedCdf {
    std::size_t bins = 0;
    // atOrBelow[i]: normalised errors <= edge(i); levelErrors in sigmas.
    std::array<CdfCurve, kCdfClassCount> horizontal;
    std::array<CdfCurve, kCdfClassCount> vertical;
    // Upper edge of bin i, sigmas: kNormalisedCdfRange for bins - 1.
    double edge(std::size_t bin) const noexcept;
};

// bins (at least 2) bins over the valid records with sigmas and errors.
NormalisedCdf computeNormalisedCdf(std::span<const GNSSRecord> records,
                                   std::span<const AccuracyFigures> accuracy,
                                   const TruthPoint& truth, std::size_t bins);

// The Gaussian expectations at k sigma: the radial share within k of a
// two-dimensional error, and the share within k of one axis.
double gaussianRadialShare(double k) noexcept;
double gaussianAxisShare(double k) noexcept;

}  // namespace gnsslog
