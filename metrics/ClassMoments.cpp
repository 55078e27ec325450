#include "metrics/ClassMoments.h"

#include <cmath>

namespace gnsslog {

// With the other set's shift k and this set's shift c:
//   sum(e - c)   = sum(e - k) + n (k - c)
//   sum(e - c)^2 = sum(e - k)^2 + 2 (k - c) sum(e - k) + n (k - c)^2
void Moments::merge(const Moments& other) noexcept
{
    if (other.count == 0) {
        return;
    }
    if (count == 0) {
        *this = other;
        return;
    }
    const double delta = other.shift - shift;
    const double n = static_cast<double>(other.count);
    sum += other.sum + n * delta;
    sumSq += other.sumSq + 2.0 * delta * other.sum + n * delta * delta;
    sumRaw2 += other.sumRaw2;
    count += other.count;
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

AxisStats Moments::result() const noexcept
{
    AxisStats s;
    s.count = count;
    if (count == 0) {
        return s;
    }
    const double n = static_cast<double>(count);
    const double meanShifted = sum / n;
    s.mean = shift + meanShifted;
    s.stdDev = std::sqrt(std::max(0.0, sumSq / n - meanShifted * meanShifted));
    s.rms = std::sqrt(sumRaw2 / n);
    s.min = min;
    s.max = max;
    return s;
}

void ClassMoments::writeTo(AccuracyStats& out) const
{
    // The record classes in order, then their merge as All.
    std::array<Sums, kSolutionClassCount> sums{};
    Sums& all = sums[kAllClassIndex];
    for (std::size_t c = 0; c < kRecordClassCount; ++c) {
        sums[c] = sums_[c];
        all.epochs += sums_[c].epochs;
        all.x.merge(sums_[c].x);
        all.y.merge(sums_[c].y);
        all.z.merge(sums_[c].z);
        all.threeD.merge(sums_[c].threeD);
        all.sumH2 += sums_[c].sumH2;
        all.h2Count += sums_[c].h2Count;
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const Sums& s = sums[c];
        ClassAccuracy& a = out.classes[c];
        a.epochs = s.epochs;
        a.x = s.x.result();
        a.y = s.y.result();
        a.z = s.z.result();
        a.threeD = s.threeD.result();
        if (s.h2Count > 0) {
            a.twoDrms = 2.0 * std::sqrt(s.sumH2 / static_cast<double>(s.h2Count));
        }
    }
}

}  // namespace gnsslog
