// Accuracy figures of the errors against a reference, per solution class:
// horizontal, along-track and cross-track RMS and 95th percentile.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/SolutionClass.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

// Figures of one set of errors, metres. Zero with no epochs.
struct ErrorFigures {
    std::size_t count = 0;
    double mean = 0;  // signed
    double rms = 0;
    double p95 = 0;   // nearest-rank 95th percentile of the absolute error
};

// Reference speed bands, metres per second: each from its start up to the
// next band's start, the last without end.
inline constexpr std::array<double, 5> kSpeedBandStarts{0, 1, 5, 15, 30};

struct SpeedBandFigures {
    double from = 0;  // metres per second, included
    double to = 0;    // metres per second, excluded; infinity for the last
    ErrorFigures horizontal;
};

using SpeedBands = std::array<SpeedBandFigures, kSpeedBandStarts.size()>;

// Horizontal figures of every matched epoch, by the reference's
// horizontal speed at the epoch.
SpeedBands speedBandFigures(const TruthMatch& match);

struct TrackFigures {
    std::size_t matched = 0;  // epochs with truth
    ErrorFigures horizontal;  // sqrt(north^2 + east^2) of every matched epoch
    ErrorFigures along;       // of the epochs where the reference has a direction
    ErrorFigures cross;
    SpeedBands speedBands;    // the horizontal figures by the reference's speed
};

// Indexed by SolutionClass; All holds every matched epoch. records and
// match.records correspond one to one.
std::array<TrackFigures, kSolutionClassCount> trackFiguresByClass(
    const std::vector<GNSSRecord>& records, const TruthMatch& match);

}  // namespace gnsslog
