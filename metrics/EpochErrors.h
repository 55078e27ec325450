// The errors of one epoch against the truth, worked out once per record
// for every statistic that needs them, each in the order the analysis
// computes it (so the 3-D error is bit for bit the one its histograms
// hold).
#pragma once

#include <cmath>

#include "log/GnssRecord.h"

namespace gnsslog {

// Truth point, grid metres and height metres.
struct TruthPoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

struct EpochErrors {
    bool grid = false;    // validFlags 0x02: dx, dy and the horizontal error measured
    bool height = false;  // validFlags 0x04: dz and the vertical error measured
    double dx = 0;        // record minus truth, metres
    double dy = 0;
    double dz = 0;
    double h2 = 0;          // dx^2 + dy^2
    double horizontal = 0;  // sqrt(h2)
    double vertical = 0;    // |dz|

    // Measured and finite: the ones the accuracy statistics take.
    bool haveXY = false;
    bool haveZ = false;
    // haveXY and a finite horizontal error (finite dx and dy can still
    // square beyond the double range).
    bool haveHorizontal = false;
    // haveXY, haveZ and a finite 3-D error.
    bool haveThreeD = false;
    double threeD = 0;  // sqrt(dz^2 + dx^2 + dy^2)
};

inline EpochErrors epochErrorsOf(const GNSSRecord& r, const TruthPoint& truth) noexcept
{
    EpochErrors e;
    e.grid = r.has(ValidFlag::Grid);
    e.height = r.has(ValidFlag::Height);
    e.dx = r.localX - truth.x;
    e.dy = r.localY - truth.y;
    e.dz = r.height - truth.z;
    e.h2 = e.dx * e.dx + e.dy * e.dy;
    e.horizontal = std::sqrt(e.h2);
    e.vertical = std::fabs(e.dz);
    e.haveXY = e.grid && std::isfinite(e.dx) && std::isfinite(e.dy);
    e.haveZ = e.height && std::isfinite(e.dz);
    e.haveHorizontal = e.haveXY && std::isfinite(e.horizontal);
    if (e.haveXY && e.haveZ) {
        const double sum = e.dz * e.dz + e.dx * e.dx + e.dy * e.dy;
        e.threeD = sum == 0 ? 0.0 : std::sqrt(sum);
        e.haveThreeD = std::isfinite(e.threeD);
    }
    return e;
}

}  // namespace gnsslog
