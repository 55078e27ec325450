// Accumulator of the moments of each solution class: count, mean, standard
// deviation, RMS, minimum and maximum of X, Y, Z and the 3-D error, and
// the sum behind 2DRMS. The all-epochs class is merged from the four
// others at the end, so the record loop touches one class per record.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "metrics/AccuracyStats.h"
#include "metrics/EpochErrors.h"

namespace gnsslog {

// Sums shifted by the first sample: with errors that all share a large
// offset (a wrong truth, grid coordinates near 7e6 m) the plain
// sum-of-squares formula would cancel away every digit of the variance.
struct Moments {
    std::int64_t count = 0;
    double shift = 0;
    double sum = 0;      // of (e - shift)
    double sumSq = 0;    // of (e - shift)^2
    double sumRaw2 = 0;  // of e^2, for the RMS about zero
    double min = 0;
    double max = 0;

    void add(double e) noexcept
    {
        if (count == 0) {
            shift = e;
            min = e;
            max = e;
        }
        ++count;
        const double d = e - shift;
        sum += d;
        sumSq += d * d;
        sumRaw2 += e * e;
        min = std::min(min, e);
        max = std::max(max, e);
    }

    // Adds another set's sums, moved to this set's shift.
    void merge(const Moments& other) noexcept;

    AxisStats result() const noexcept;
};

class ClassMoments {
public:
    // classIndex is a record class (never All).
    void add(std::size_t classIndex, const EpochErrors& e) noexcept
    {
        Sums& s = sums_[classIndex];
        ++s.epochs;
        if (e.haveXY) {
            s.x.add(e.dx);
            s.y.add(e.dy);
            if (e.haveHorizontal) {
                s.sumH2 += e.h2;
                ++s.h2Count;
            }
        }
        if (e.haveZ) {
            s.z.add(e.dz);
        }
        if (e.haveThreeD) {
            s.threeD.add(e.threeD);
        }
    }

    // Writes epochs, x, y, z, threeD and twoDrms of every class.
    void writeTo(AccuracyStats& out) const;

private:
    struct Sums {
        std::int64_t epochs = 0;
        Moments x, y, z, threeD;
        double sumH2 = 0;  // of dx^2 + dy^2, for 2DRMS
        std::int64_t h2Count = 0;
    };
    std::array<Sums, kRecordClassCount> sums_;
};

}  // namespace gnsslog
